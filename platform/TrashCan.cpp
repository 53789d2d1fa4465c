#include "platform/TrashCan.h"

#include "platform/FreedesktopTrashCan.h"

#include <atomic>

namespace {

std::atomic<TrashCan*> g_pReplacementTrash = nullptr;

} // namespace

TrashCan& TrashCan::Instance()
{
    static FreedesktopTrashCan desktop;
    TrashCan* replacement = g_pReplacementTrash.load();
    return replacement != nullptr ? *replacement : desktop;
}

void TrashCan::SetInstance(TrashCan* trash)
{
    g_pReplacementTrash.store(trash);
}
