#include "platform/ui/ShellLauncher.h"

#include "platform/ui/GioShellLauncher.h"

namespace {

ShellLauncher* g_pReplacementLauncher = nullptr;

} // namespace

ShellLauncher& ShellLauncher::Instance()
{
    static GioShellLauncher desktop;
    return g_pReplacementLauncher != nullptr ? *g_pReplacementLauncher : desktop;
}

void ShellLauncher::SetInstance(ShellLauncher* launcher)
{
    g_pReplacementLauncher = launcher;
}
