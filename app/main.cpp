#include "app/CClipscoutApp.h"
#include "app/CSingleInstanceGuard.h"
#include "platform/DetachedTask.h"

#include <cstdio>
#include <cstdlib>

// Constructed in this order, after the settings paths and the device-folder
// table, which are constant-initialised: the marker must exist before the
// application object, and go after it.
CSingleInstanceGuard g_singleInstanceGuard(CSingleInstanceGuard::kGuardName);
CClipscoutApp theApp;

int main(int argc, char** argv)
{
    const int status = AfxWinMain(argc, argv);
    // A thread still stuck in a call of a silent share is not waited for, and
    // nothing is torn down under it.
    if (DetachedTask::LiveThreads() != 0) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
