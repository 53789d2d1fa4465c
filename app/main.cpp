#include "app/CClipscoutApp.h"
#include "app/CSingleInstanceGuard.h"

// Constructed in this order, after the settings paths and the device-folder
// table, which are constant-initialised: the marker must exist before the
// application object, and go after it.
CSingleInstanceGuard g_singleInstanceGuard(CSingleInstanceGuard::kGuardName);
CClipscoutApp theApp;

int main(int argc, char** argv)
{
    return AfxWinMain(argc, argv);
}
