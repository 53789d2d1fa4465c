#include "catalog/ScanSeam.h"

namespace {

ScanSeam::Hook& BeforeFileHook()
{
    static ScanSeam::Hook hook;
    return hook;
}

} // namespace

void ScanSeam::SetBeforeFile(Hook hook)
{
    BeforeFileHook() = std::move(hook);
}

void ScanSeam::BeforeFile(const ScanControl* control, std::size_t file)
{
    if (const Hook& hook = BeforeFileHook())
        hook(control, file);
}
