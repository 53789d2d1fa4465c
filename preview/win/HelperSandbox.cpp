#include "preview/HelperSandbox.h"

#include <windows.h>

// On Windows the limits are those of the job the program starts the helper
// in (see win/HelperProcess.cpp): memory, CPU time, one process. The helper
// checks that it is in a job before it reads a byte, so that one started
// otherwise never decodes; it cannot read the job's limits back where the
// system does not tell them (Wine).
namespace {

template <typename Policy>
bool Set(PROCESS_MITIGATION_POLICY which, Policy policy)
{
    return ::SetProcessMitigationPolicy(which, &policy, sizeof policy);
}

} // namespace

// The job is killed when the program's handle to it goes, with the program.
bool HelperSandbox::DieWithParent(pid_t)
{
    BOOL inJob = FALSE;
    return ::IsProcessInJob(::GetCurrentProcess(), nullptr, &inJob) && inJob;
}

// The job holds the limits; what is left is that a decode that crashes or
// touches a missing drive ends without a dialog that would wait for a click.
bool HelperSandbox::LimitResources(unsigned, unsigned long)
{
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    return true;
}

// What a process can take from itself without administrator rights: no
// executable memory made at run time (FFmpeg is built without assembly and
// JIT), no DLLs injected through the system's extension points, none loaded
// from the network or at low integrity, no window-system calls and no child
// processes. The last three came with Windows 10: older systems refuse them,
// and the job and the token hold there.
bool HelperSandbox::ConfineTo(int)
{
    PROCESS_MITIGATION_DYNAMIC_CODE_POLICY code{};
    code.ProhibitDynamicCode = 1;
    PROCESS_MITIGATION_EXTENSION_POINT_DISABLE_POLICY extensions{};
    extensions.DisableExtensionPoints = 1;
    if (!Set(ProcessDynamicCodePolicy, code) || !Set(ProcessExtensionPointDisablePolicy, extensions))
        return false;
    PROCESS_MITIGATION_IMAGE_LOAD_POLICY images{};
    images.NoRemoteImages = 1;
    images.NoLowMandatoryLabelImages = 1;
    PROCESS_MITIGATION_SYSTEM_CALL_DISABLE_POLICY calls{};
    calls.DisallowWin32kSystemCalls = 1;
    PROCESS_MITIGATION_CHILD_PROCESS_POLICY children{};
    children.NoChildProcessCreation = 1;
    Set(ProcessImageLoadPolicy, images);
    Set(ProcessSystemCallDisablePolicy, calls);
    Set(ProcessChildProcessPolicy, children);
    return true;
}
