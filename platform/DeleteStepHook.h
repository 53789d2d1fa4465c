#pragma once

// The points between checking a file and acting on it, where another user of
// a shared store could swap the folder or the file. Tests hand a delete a
// hook that does exactly that at each point.
enum class DeleteStep {
    FolderOpened, // the folder is open and is the listed one
    FileChecked,  // the name stood for the listed file
    MovedAside,   // the file is under a private name, not yet checked there
    InfoWritten,  // the trash's record of the file is in place
    Linked,       // without a no-replace rename: linked, the old name not yet removed
    RestoreFolderOpened,
};

class DeleteStepHook {
public:
    virtual ~DeleteStepHook() = default;
    virtual void OnStep(DeleteStep step) = 0;

    // Calls the hook handed to the delete, if any.
    static void Reach(DeleteStepHook* hook, DeleteStep step)
    {
        if (hook != nullptr)
            hook->OnStep(step);
    }
};
