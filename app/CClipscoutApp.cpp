#include "app/CClipscoutApp.h"

#include "app/CSingleInstanceGuard.h"
#include "app/ProgramCommandLine.h"
#include "platform/FileHandle.h"
#include "platform/ModulePath.h"
#include "platform/ui/CPropertyPage.h"
#include "search_page/CDlg.h"
#include "settings/AppGlobals.h"
#include "settings/DeviceFolders.h"
#include "settings/SettingsLookup.h"
#include "tree_sheet/CTreeSheet.h"

#include <QApplication>
#include <QIcon>

#include <memory>
#include <vector>

namespace {

// What the placeholder page says: where Viewdeck.ini was looked for, or which
// one was read.
std::string PlaceholderText(const std::string& modulePath, const std::string& namedViewerIni)
{
    if (FileHandle file; !file.Open(g_strViewerIniPath))
        return SettingsLookup::DescribeSearch(modulePath, kViewerIniName, namedViewerIni);
    return "No device folder was found in the recording directory that " + g_strViewerIniPath + " names.";
}

} // namespace

CClipscoutApp::CClipscoutApp() : CWinApp(nullptr), m_pApp(this)
{ }

CClipscoutApp::~CClipscoutApp() = default;

std::string CClipscoutApp::GetModulePath() const
{
    return GetModuleFileName();
}

CDlg* CClipscoutApp::NewSearchPage(const std::string& title)
{
    return new CDlg(title, m_pApp->m_uiSetting);
}

bool CClipscoutApp::ReadCommandLine(const std::vector<std::string>& arguments)
{
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromLocal8Bit(argument);
    if (m_commandLine.Parse(list))
        return true;
    m_nExitCode = m_commandLine.m_nExitCode;
    return false;
}

bool CClipscoutApp::InitInstance()
{
    const ProgramCommandLine& commandLine = m_commandLine;
    if (g_singleInstanceGuard.AnotherInstanceExists()) {
        g_singleInstanceGuard.BringRunningInstanceForward();
        return false;
    }

    CLoadUISetting::LocateSettingsFiles(GetModulePath(), commandLine.m_strAppIni, commandLine.m_strViewerIni);
    m_nDeviceCount = FindDeviceFolders(m_pApp->m_uiSetting, g_strDeviceFolders);

    // The desktop finds the entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.veltrane.Clipscout"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("clipscout"), QIcon(QStringLiteral(":/icons/clipscout.svg"))));

    TreeSheet::CTreeSheet sheet(std::string("File Manager"), nullptr, 0);
    sheet.UsePageTitles(m_nDeviceCount);
    sheet.m_psh.dwFlags &= ~PSH_HASHELP;
    sheet.SetTreeOptions(true, true, false);
    sheet.UseSettingsFile(g_strAppIniPath, [this](const std::string& section, const std::string& key) {
        return m_pApp->m_uiSetting.GetAppSetting(section, key);
    });

    std::vector<std::unique_ptr<CDlg>> pages;
    const int pageCount = m_nDeviceCount > 0 ? m_nDeviceCount : 1;
    for (int i = 0; i < pageCount; ++i) {
        const std::string title =
            m_nDeviceCount > 0 ? g_strDeviceFolders[static_cast<std::size_t>(i)] : std::string("No Recorded Files");
        pages.emplace_back(NewSearchPage(title));
        CDlg* page = pages.back().get();
        if (m_nDeviceCount == 0)
            page->SetEmptyListText(PlaceholderText(GetModulePath(), commandLine.m_strViewerIni));
        page->m_psp.dwFlags &= ~PSP_HASHELP;
        sheet.AddPageTitle(title);
        sheet.AddPage(page);
    }
    sheet.SetActivePage(pages.front().get());

    // A new copy finds this one through the sheet, and only while the sheet
    // has its window.
    g_singleInstanceGuard.AnswerInstanceQueries(
        [&sheet](unsigned message) {
            return sheet.HasWindow() && message == WM_INSTANCE_QUERY ? sheet.OnInstanceQuery() : 0L;
        },
        [&sheet] {
            if (sheet.HasWindow())
                sheet.ComeToFront();
        });
    sheet.DoModal();
    g_singleInstanceGuard.StopAnswering();

    pages.clear();
    return false;
}
