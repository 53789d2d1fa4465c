#include "app/CClipscoutApp.h"

#include "app/CSingleInstanceGuard.h"
#include "app/ProgramCommandLine.h"
#include "app/ViewerIniChoice.h"
#include "platform/FileHandle.h"
#include "platform/ModulePath.h"
#include "platform/WindowThreadCheck.h"
#include "platform/ui/AsyncTask.h"
#include "platform/ui/CPropertyPage.h"
#include "platform/ui/QtStrings.h"
#include "platform/ui/WindowPlacement.h"
#include "search_page/CDlg.h"
#include "search_page/CPlaceholderPage.h"
#include "search_page/StoragePage.h"
#include "settings/AppGlobals.h"
#include "settings/DeviceFolders.h"
#include "settings/SettingsLookup.h"
#include "tree_sheet/CTreeSheet.h"

#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <QTimer>

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr const char* kPlaceholderTitle = "No Recorded Files";
// After the devices' pages, when there are several.
constexpr const char* kAllCamerasTitle = "All Cameras";
// Last.
constexpr const char* kStorageTitle = "Storage";

// A recording directory written for Windows: a drive letter or backslashes.
bool IsWindowsPath(const std::string& path)
{
    return path.find('\\') != std::string::npos ||
           (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':');
}

// What the placeholder page says: where Viewdeck.ini was looked for, or what
// the one read lacks.
std::string PlaceholderText(const CLoadUISetting& settings, const std::string& modulePath,
                            const std::string& namedViewerIni)
{
    const std::string& viewerIni = settings.ViewerIniPath();
    if (FileHandle file; !file.Open(viewerIni))
        return SettingsLookup::DescribeSearch(modulePath, kViewerIniName, namedViewerIni);
    const std::string recording = settings.GetViewerSetting("Directory", "Recording");
    if (recording.empty())
        return viewerIni + " names no recording directory: it needs [Directory] and Recording=.";
    if (std::error_code error; !std::filesystem::is_directory(recording, error))
        return "The recording directory " + recording + " that " + viewerIni + " names does not exist" +
               (IsWindowsPath(recording) ? ": it is a path of Windows; name the folder as this computer sees it."
                                         : ".");
    return "No device folder was found in the recording directory that " + viewerIni + " names.";
}

// What the page says while the device folders are looked for.
std::string LookingText(const std::string& viewerIniPath)
{
    const std::string where = viewerIniPath.empty()
                                  ? std::string("Viewdeck.ini and the device folders in the "
                                                "recording directory it names")
                                  : "the device folders in the recording directory that " + viewerIniPath + " names";
    return "Looking for " + where + ". A share that does not answer keeps this page here until it does.";
}

// What the window needs before it is made: the program's settings file and
// the window's kept size.
struct StartUpFiles {
    CLoadUISetting settings;
    WindowPlacement::Kept placement;
};

// How long the window waits for them: far longer than a local disk takes, and
// short enough that a settings folder on a share that does not answer only
// delays it. Without them the window comes with its own texts and size.
constexpr int kStartUpWaitMs = 2000;

// Read off this thread, which waits in an event loop, never in a call.
std::optional<StartUpFiles> ReadStartUpFiles(const std::string& modulePath, const std::string& namedAppIni)
{
    std::optional<StartUpFiles> read;
    QEventLoop loop;
    AsyncTask task(&loop);
    task.Run(
        [modulePath, namedAppIni](const std::stop_token&) {
            StartUpFiles files;
            files.settings = CLoadUISetting(SettingsLookup::Locate(modulePath, kAppIniName, namedAppIni), {});
            files.settings.Read();
            files.placement = WindowPlacement(WindowPlacement::DefaultFile()).Read();
            return files;
        },
        [&read, &loop](const StartUpFiles& files) {
            read = files;
            loop.quit();
        });
    QTimer::singleShot(kStartUpWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return read;
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
        // The running copy keeps the settings files it started with.
        if (!commandLine.m_strViewerIni.empty() || !commandLine.m_strAppIni.empty())
            std::fputs("clipscout: a copy is running already and keeps its own settings files; end it first to "
                       "read the ones named here.\n",
                       stderr);
        g_singleInstanceGuard.BringRunningInstanceForward();
        return false;
    }

    // From here on this thread serves the window and touches no file system:
    // the settings files may lie on a share. Viewdeck.ini is looked for and
    // read with the device folders.
    WindowThreadCheck::DeclareWindowThread();
    const std::optional<StartUpFiles> startUp = ReadStartUpFiles(GetModulePath(), commandLine.m_strAppIni);
    m_uiSetting = startUp ? startUp->settings : CLoadUISetting();

    // The desktop finds the entry, and with it the icon, by this name; docks
    // match the window to the entry by its class, the application's name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.veltrane.Clipscout"));
    QGuiApplication::setApplicationName(QStringLiteral("Clipscout"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("clipscout"), QIcon(QStringLiteral(":/icons/clipscout.svg"))));

    TreeSheet::CTreeSheet sheet(std::string("File Manager"), nullptr, 0);
    sheet.UsePageTitles(1);
    sheet.m_psh.dwFlags &= ~PSH_HASHELP;
    sheet.SetTreeOptions(true, true, false);
    sheet.UseSettingsFile(m_uiSetting.AppIniPath(), [this](const std::string& section, const std::string& key) {
        return m_pApp->m_uiSetting.GetAppSetting(section, key);
    });

    // The device folders may lie on a share that does not answer: the window
    // comes at once with a page that says they are being looked for, and the
    // pages follow when they are found. Owned by the sheet, which outlives
    // the placeholder that the answer removes; a later choice of Viewdeck.ini
    // supersedes a look still going on.
    std::vector<std::unique_ptr<CDlg>> pages;
    auto* placeholder = new CPlaceholderPage(kPlaceholderTitle, LookingText(commandLine.m_strViewerIni), m_uiSetting);
    pages.emplace_back(placeholder);
    placeholder->SetFileChooser(m_chooseViewerIni);
    auto* discovery = new AsyncTask(&sheet);
    QObject::connect(placeholder, &CPlaceholderPage::ViewerIniChosen, &sheet,
                     [this, &sheet, &pages, placeholder, discovery](const QString& path) {
                         AdoptViewerIni(sheet, pages, *placeholder, *discovery, ToStdString(path));
                     });
    placeholder->m_psp.dwFlags &= ~PSP_HASHELP;
    sheet.AddPageTitle(placeholder->m_strCaption);
    sheet.AddPage(placeholder);
    sheet.SetActivePage(placeholder);

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
    sheet.Create();
    WindowPlacement::Restore(sheet, startUp ? startUp->placement : WindowPlacement::Kept());
    DiscoverDevices(sheet, pages, *placeholder, *discovery, commandLine.m_strViewerIni, {});
    sheet.DoModal();
    g_singleInstanceGuard.StopAnswering();
    // The program's end waits for the write a moment (see main), never longer.
    m_placementSave.Start([kept = WindowPlacement::Of(sheet)](
                              const std::stop_token&) { WindowPlacement(WindowPlacement::DefaultFile()).Write(kept); },
                          [] {});
    WindowThreadCheck::DeclareNone();

    pages.clear();
    return false;
}

void CClipscoutApp::AdoptViewerIni(TreeSheet::CTreeSheet& sheet, std::vector<std::unique_ptr<CDlg>>& pages,
                                   CPlaceholderPage& placeholder, AsyncTask& task, const std::string& path)
{
    // Read from now on by the pages to come, once their device folders are found.
    m_uiSetting = CLoadUISetting(m_uiSetting.AppIniPath(), path);
    placeholder.SetNote(LookingText(path));
    DiscoverDevices(sheet, pages, placeholder, task, path, path);
}

void CClipscoutApp::DiscoverDevices(TreeSheet::CTreeSheet& sheet, std::vector<std::unique_ptr<CDlg>>& pages,
                                    CPlaceholderPage& placeholder, AsyncTask& task, const std::string& namedViewerIni,
                                    const std::string& rememberedViewerIni)
{
    const std::string modulePath = GetModulePath();
    // Clipscout.ini looked for again: the start may have gone on without it.
    task.Run(
        [namedAppIni = m_commandLine.m_strAppIni, namedViewerIni, rememberedViewerIni,
         modulePath](const std::stop_token&) {
            const ViewerIniChoice choice(WindowPlacement::DefaultFile());
            if (!rememberedViewerIni.empty())
                choice.Remember(rememberedViewerIni);
            CLoadUISetting settings(
                SettingsLookup::Locate(modulePath, kAppIniName, namedAppIni),
                SettingsLookup::Locate(modulePath, kViewerIniName, choice.Choose(modulePath, namedViewerIni)));
            settings.Read();
            return settings;
        },
        [this, &sheet, &pages, &placeholder, &task, namedViewerIni](const CLoadUISetting& settings) {
            placeholder.SetNote(LookingText(settings.ViewerIniPath()));
            FindDevices(sheet, pages, placeholder, task, settings, namedViewerIni);
        });
}

void CClipscoutApp::FindDevices(TreeSheet::CTreeSheet& sheet, std::vector<std::unique_ptr<CDlg>>& pages,
                                CPlaceholderPage& placeholder, AsyncTask& task, const CLoadUISetting& settings,
                                const std::string& namedViewerIni)
{
    struct Found {
        std::array<std::string, MAX_DEVICE_FOLDERS> folders;
        int nCount = 0;
        std::string strNote;
        CLoadUISetting settings;
    };
    const std::string modulePath = GetModulePath();
    // A copy of its own: a later choice changes the window's while this runs.
    task.Run(
        [settings, namedViewerIni, modulePath](const std::stop_token&) {
            Found found;
            found.settings = settings;
            found.nCount = FindDeviceFolders(found.settings, found.folders);
            if (found.nCount == 0)
                found.strNote = PlaceholderText(found.settings, modulePath, namedViewerIni);
            return found;
        },
        [this, &sheet, &pages, &placeholder](const Found& found) {
            if (found.nCount == 0) {
                placeholder.SetNote(found.strNote);
                return;
            }
            m_nDeviceCount = found.nCount;
            // The pages' searches take the recording directory read with their folders.
            m_uiSetting = found.settings;
            g_strDeviceFolders = found.folders;
            const std::size_t first = pages.size();
            for (int i = 0; i < m_nDeviceCount; ++i) {
                pages.emplace_back(NewSearchPage(g_strDeviceFolders[static_cast<std::size_t>(i)]));
                pages.back()->m_psp.dwFlags &= ~PSP_HASHELP;
                sheet.AddPageTitle(pages.back()->m_strCaption);
                sheet.AddPage(pages.back().get());
            }
            if (m_nDeviceCount > 1) {
                pages.emplace_back(new CDlg(kAllCamerasTitle, m_pApp->m_uiSetting,
                                            {g_strDeviceFolders.begin(), g_strDeviceFolders.begin() + m_nDeviceCount}));
                pages.back()->m_psp.dwFlags &= ~PSP_HASHELP;
                sheet.AddPageTitle(pages.back()->m_strCaption);
                sheet.AddPage(pages.back().get());
            }
            // Owned by the sheet, like a page's controls.
            auto* storage = new StoragePage(kStorageTitle, m_uiSetting.RecordingDir(),
                                            {g_strDeviceFolders.begin(), g_strDeviceFolders.begin() + m_nDeviceCount});
            storage->m_psp.dwFlags &= ~PSP_HASHELP;
            sheet.AddPageTitle(storage->GetPageCaption());
            sheet.AddPage(storage);
            sheet.SetActivePage(pages[first].get());
            // The titles follow the pages: the placeholder's goes with it.
            const int index = sheet.GetPageIndex(&placeholder);
            sheet.m_pPageTitles->erase(sheet.m_pPageTitles->begin() + index);
            sheet.RemovePage(index);
            std::erase_if(pages,
                          [&placeholder](const std::unique_ptr<CDlg>& page) { return page.get() == &placeholder; });
        });
}
