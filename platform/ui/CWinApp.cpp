#include "platform/ui/CWinApp.h"

#include "platform/Console.h"
#include "platform/ui/QtDiagnosticLog.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace {

// Constant-initialised, so registering from another static constructor is safe.
CWinApp* g_pCurrentApp = nullptr;

} // namespace

CWinApp::CWinApp(const char* appName) : m_strAppName(appName ? appName : "")
{
    g_pCurrentApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pCurrentApp == this)
        g_pCurrentApp = nullptr;
}

bool CWinApp::ReadCommandLine(const std::vector<std::string>&)
{
    return true;
}

bool CWinApp::InitInstance()
{
    return true;
}

int CWinApp::Run()
{
    QApplication::exec();
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return 0;
}

CWinApp* AfxGetApp()
{
    return g_pCurrentApp;
}

int AfxWinMain(int argc, char** argv)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    // Before the Qt application, which needs a display: the usage and a
    // complaint about the command line do not.
    Console::Prepare();
    if (!app->ReadCommandLine(Console::Arguments(argc, argv)))
        return app->ExitInstance();
    QtDiagnosticLog::RouteCore();
#ifndef _WIN32
    // Without a display the toolkit would end the process with its own words;
    // the lister is what works there. Windows always has its desktop.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && std::none_of(argv + 1, argv + argc, [](const char* argument) {
            const std::string_view text(argument);
            return text.starts_with("-platform") || text.starts_with("--platform");
        })) {
        std::fputs("clipscout: there is no display to show the window on; clipscout-list lists the recordings "
                   "without one.\n",
                   stderr);
        return 1;
    }
#endif
    QApplication application(argc, argv);
    if (!app->GetAppName().empty())
        QApplication::setApplicationName(QString::fromStdString(app->GetAppName()));
    if (app->InitInstance())
        return app->Run();
    return app->ExitInstance();
}
