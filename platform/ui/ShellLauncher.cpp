#include "platform/ui/ShellLauncher.h"

#ifdef _WIN32
#include "platform/ui/win/WinShellLauncher.h"
using DesktopLauncher = WinShellLauncher;
#else
#include "platform/ui/GioShellLauncher.h"
using DesktopLauncher = GioShellLauncher;
#endif

ShellLauncher& ShellLauncher::Desktop()
{
    static DesktopLauncher desktop;
    return desktop;
}
