#include "platform/ui/ShellLauncher.h"

#ifdef _WIN32
#include "platform/ui/win/WinShellLauncher.h"
using DesktopLauncher = WinShellLauncher;
#else
#include "platform/ui/GioShellLauncher.h"
using DesktopLauncher = GioShellLauncher;
#endif

namespace {

ShellLauncher* g_pReplacementLauncher = nullptr;

} // namespace

ShellLauncher& ShellLauncher::Instance()
{
    static DesktopLauncher desktop;
    return g_pReplacementLauncher != nullptr ? *g_pReplacementLauncher : desktop;
}

void ShellLauncher::SetInstance(ShellLauncher* launcher)
{
    g_pReplacementLauncher = launcher;
}
