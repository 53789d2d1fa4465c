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
    // The window has closed: a new start takes over at once.
    g_singleInstanceGuard.Release();
    // Stopped work gets a moment to tidy up; a thread still stuck in a call of
    // a silent share is not waited for longer, and nothing is torn down under
    // it.
    if (!DetachedTask::AwaitAll(std::chrono::milliseconds(800))) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
