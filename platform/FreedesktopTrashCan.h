#pragma once

#include "platform/TrashCan.h"

class DeleteStepHook;

// The freedesktop.org trash, written through descriptors: the record first,
// then a rename from the checked folder's descriptor into the trash of the
// same file system (the home trash, else the trash at the top of the mount).
// GIO's trash takes a path, which may name another folder by the time it is
// used, so this is the one desktop service the program does itself.
class FreedesktopTrashCan : public TrashCan {
public:
    // steps: called at each step of a move, when one is handed in.
    explicit FreedesktopTrashCan(DeleteStepHook* steps = nullptr) : m_pSteps(steps) { }

    Result MoveToTrash(int nFolder, const std::string& strAside, const std::string& strName, const FileIdentity& idFile,
                       TrashedFile& trashed, std::string& strReason) override;

private:
    DeleteStepHook* m_pSteps;
};
