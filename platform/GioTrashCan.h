#pragma once

#include "platform/TrashCan.h"

// The freedesktop.org trash through GIO, which also knows the trash folder of
// a file on another mounted disk.
class GioTrashCan : public TrashCan {
public:
    Result MoveToTrash(const std::string& path) override;
};
