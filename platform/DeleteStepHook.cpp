#include "platform/DeleteStepHook.h"

#include <atomic>

namespace {

std::atomic<DeleteStepHook*> g_pStepHook = nullptr;

} // namespace

void DeleteStepHook::Reach(DeleteStep step)
{
    if (DeleteStepHook* hook = g_pStepHook.load())
        hook->OnStep(step);
}

void DeleteStepHook::Set(DeleteStepHook* hook)
{
    g_pStepHook.store(hook);
}
