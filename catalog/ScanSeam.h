#pragma once

#include <cstddef>
#include <functional>

class ScanControl;

// Where tests make the store slow without a slow file system: a hook the
// category scan calls on the worker's thread before it examines each file,
// with the scan's control (null when it has none) and the file's place in
// the scan's order, so that a test can hold some files and not others. It
// may be set while scans run; empty by default.
class ScanSeam {
public:
    using Hook = std::function<void(const ScanControl*, std::size_t file)>;

    static void SetBeforeFile(Hook hook);
    static void BeforeFile(const ScanControl* control, std::size_t file);
};
