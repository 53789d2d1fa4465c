#pragma once

#include <string>

// The desktop's trash: moves a file there by path, the way the file manager
// does. Tests may install a stand-in.
class TrashCan {
public:
    enum class Result {
        Trashed,
        NotSupported, // the file's location has no usable trash
        Failed,
    };

    virtual ~TrashCan() = default;
    virtual Result MoveToTrash(const std::string& path) = 0;

    // The trash the program uses; tests may install their own (not owned)
    // and restore the default with nullptr before any other thread uses it.
    static TrashCan& Instance();
    static void SetInstance(TrashCan* trash);
};
