#pragma once

#include <functional>

class ScanControl;

// Where tests make the store slow without a slow file system: a hook the
// category scan calls on the worker's thread before it examines each file,
// with the scan's control (null when it has none). Set it only while no scan
// runs; empty by default.
class ScanSeam {
public:
    using Hook = std::function<void(const ScanControl*)>;

    static void SetBeforeFile(Hook hook);
    static void BeforeFile(const ScanControl* control);
};
