#include "app/CClipscoutApp.h"
#include "app/CSingleInstanceGuard.h"
#include "app/ProgramCommandLine.h"
#include "app/ViewerIniChoice.h"
#include "platform/ui/WindowPlacement.h"
#include "res/Resource.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "search_page/StoragePage.h"
#include "support/PageTestKit.h"
#include "support/SheetTestKit.h"
#include "tree_sheet/CTreeSheet.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <array>
#include <climits>
#include <condition_variable>
#include <cstdarg>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// The program defines these two in its main file; this test is its own program.
CSingleInstanceGuard g_singleInstanceGuard("{Clipscout-AppTest}");

namespace {

struct SheetSeen {
    QString caption;
    QStringList pageCaptions;
    QStringList treeItems;
    int activeIndex = -1;
    // Search pages, and the Storage page.
    bool pagesAreSearchPages = true;
    // The devices of the All Cameras page.
    std::vector<std::string> allCameras;
    bool helpFlagsCleared = true;
    bool answering = false;
    QString exitText;
    bool windowIconSet = false;
    QString placeholderNote;
    QPointer<CPropertyPage> firstPage;
    QSize size;
    QSize leastSize;
    bool maximized = false;
    Qt::WindowType windowType = Qt::Widget;
};

using SheetAction = std::function<void(TreeSheet::CTreeSheet&)>;
using SheetCheck = std::function<bool(TreeSheet::CTreeSheet&)>;

// Whether the first page still says that the device folders are being
// looked for.
bool StillLooking(TreeSheet::CTreeSheet& sheet)
{
    const auto* note = sheet.GetPage(0)->findChild<QLabel*>(QStringLiteral("placeholderNote"));
    return note != nullptr && note->text().startsWith(QStringLiteral("Looking for "));
}

// Runs InitInstance; once its sheet is shown, does act once, waits until
// ready holds (by default, until the device folders are found), records what
// the sheet shows and presses Exit.
bool RunApp(
    TestApp& app, SheetSeen& seen, SheetAction act = {},
    SheetCheck ready = [](TreeSheet::CTreeSheet& sheet) { return !StillLooking(sheet); })
{
    std::function<void()> inspect;
    bool acted = false;
    inspect = [&] {
        auto* sheet = RunningSheet();
        // What the window system makes of the action (a new size, say)
        // arrives later: nothing is recorded in the same turn.
        const bool acting = sheet && !acted;
        if (acting) {
            acted = true;
            if (act)
                act(*sheet);
        }
        if (!sheet || acting || (ready && !ready(*sheet))) {
            QTimer::singleShot(10, inspect);
            return;
        }
        seen.caption = sheet->windowTitle();
        seen.activeIndex = sheet->GetActiveIndex();
        seen.helpFlagsCleared = !(sheet->m_psh.dwFlags & PSH_HASHELP);
        seen.answering = g_singleInstanceGuard.IsAnswering();
        for (int i = 0; i < sheet->GetPageCount(); ++i) {
            CPropertyPage* page = sheet->GetPage(i);
            seen.pageCaptions << QString::fromStdString(page->GetPageCaption());
            auto* search = qobject_cast<CDlg*>(page);
            seen.pagesAreSearchPages =
                seen.pagesAreSearchPages && (search != nullptr || qobject_cast<StoragePage*>(page) != nullptr);
            if (search != nullptr && !search->m_aDevices.empty())
                seen.allCameras = search->m_aDevices;
            seen.helpFlagsCleared = seen.helpFlagsCleared && !(page->m_psp.dwFlags & PSP_HASHELP);
        }
        for (int i = 0; i < sheet->GetPageTree()->topLevelItemCount(); ++i)
            seen.treeItems << sheet->GetPageTree()->topLevelItem(i)->text(0);
        seen.firstPage = sheet->GetPage(0);
        seen.windowIconSet = !sheet->windowIcon().pixmap(32).isNull();
        if (auto* note = seen.firstPage->findChild<QLabel*>(QStringLiteral("placeholderNote"))) {
            // What a screen reader reads, which is what the page shows.
            seen.placeholderNote = QAccessible::queryAccessibleInterface(note)->text(QAccessible::Name);
            QCOMPARE_EQ(seen.placeholderNote, note->text());
        }
        seen.size = sheet->size();
        seen.leastSize = sheet->minimumSize();
        seen.maximized = sheet->isMaximized();
        seen.windowType = sheet->windowType();
        auto* exit = qobject_cast<QPushButton*>(sheet->GetDlgItem(IDOK));
        seen.exitText = exit->text();
        exit->click();
    };
    QTimer::singleShot(0, inspect);
    return app.InitInstance();
}

// A share that stops answering: listing a folder below g_strSilentRoot blocks
// until the test lets it go, as a call stuck in the kernel does. A listing on
// the test's own thread, the window's, is only noted, so that the test ends.
std::mutex g_silentMutex;
std::condition_variable g_silentWake;
std::string g_strSilentRoot;
bool g_bSilent = false;
int g_nSilentCalls = 0;
bool g_bListedOnWindowThread = false;
const std::thread::id g_windowThread = std::this_thread::get_id();

void MakeDevice(const std::string& store, const std::string& name, bool complete = true)
{
    for (const char* folder : {"Recording", "Snapshot", "MotionDetection"})
        if (complete || std::string(folder) != "Snapshot")
            std::filesystem::create_directories(store + "/" + name + "/" + folder);
}

} // namespace

namespace {

void WaitIfSilent(std::string_view path)
{
    std::unique_lock lock(g_silentMutex);
    if (!g_bSilent || !path.starts_with(g_strSilentRoot))
        return;
    if (std::this_thread::get_id() == g_windowThread) {
        g_bListedOnWindowThread = true;
        return;
    }
    ++g_nSilentCalls;
    g_silentWake.wait(lock, [] { return !g_bSilent; });
    --g_nSilentCalls;
}

} // namespace

// The test program's own fdopendir and open are found before the C
// library's, by the program's code and the test's alike: listing a folder or
// opening a file on the share blocks.
extern "C" DIR* fdopendir(int fd)
{
    static auto* const real = reinterpret_cast<DIR* (*)(int)>(::dlsym(RTLD_NEXT, "fdopendir"));
    std::array<char, PATH_MAX> path{};
    if (::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path.data(), path.size() - 1) > 0)
        WaitIfSilent(path.data());
    return real(fd);
}

extern "C" int open(const char* path, int flags, ...)
{
    static auto* const real = reinterpret_cast<int (*)(const char*, int, ...)>(::dlsym(RTLD_NEXT, "open"));
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    WaitIfSilent(path);
    return real(path, flags, mode);
}

class ClipscoutAppTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        // The window's size and a chosen Viewdeck.ini are kept here between runs.
        m_pConfig = std::make_unique<QTemporaryDir>();
        m_suiteConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_pConfig->path().toUtf8());
    }
    void cleanup()
    {
        // The window's size is written once it has closed, off its thread.
        QTRY_VERIFY(DetachedTask::LiveThreads() == 0);
        qputenv("XDG_CONFIG_HOME", m_suiteConfigHome);
        m_pConfig.reset();
    }
    void onePagePerDeviceFolderInDiscoveryOrder();
    void placeholderPageWithoutDeviceFolders();
    void chosenViewerIniBuildsThePagesAndIsKept();
    void windowSizeAndMaximisedStateAreKept();
    void commandLineNamesTheSettingsFiles();
    void aSilentShareAtStartUpStillShowsTheWindow();
    void aStateFileThatIsAFifoDoesNotHoldTheStart();

private:
    std::unique_ptr<QTemporaryDir> m_pConfig;
    QByteArray m_suiteConfigHome;
};

void ClipscoutAppTest::onePagePerDeviceFolderInDiscoveryOrder()
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string store = root + "/store";
    MakeDevice(store, "gate");
    MakeDevice(store, "Yard");
    MakeDevice(store, "attic");
    MakeDevice(store, "shed", false);
    MakeDevice(store, "unlisted");
    TestStore::Write(root + "/Viewdeck.ini", "[Directory]\nRecording=" + store +
                                                 "\n[Device1]\nLocalID=Yard\n[Device2]\nLocalID=gate\n"
                                                 "[Device3]\nLocalID=shed\n[Device9]\nLocalID=attic\n");
    TestStore::Write(root + "/Clipscout.ini", "[Clipscout]\nB_Exit=Leave\n");

    TestApp app(root + "/clipscout");
    QCOMPARE(AfxGetApp(), &app);
    SheetSeen seen;
    QVERIFY(!RunApp(app, seen));

    QCOMPARE(app.m_uiSetting.ViewerIniPath(), root + "/Viewdeck.ini");
    QCOMPARE(app.m_uiSetting.AppIniPath(), root + "/Clipscout.ini");
    QCOMPARE(app.m_uiSetting.RecordingDir(), store);
    QCOMPARE(app.m_nDeviceCount, 3);
    QCOMPARE(seen.caption, QStringLiteral("File Manager"));
    QCOMPARE(seen.pageCaptions, (QStringList{"attic", "gate", "Yard", "All Cameras", "Storage"}));
    QCOMPARE(seen.allCameras, (std::vector<std::string>{"attic", "gate", "Yard"}));
    QCOMPARE(seen.treeItems, seen.pageCaptions);
    QCOMPARE(seen.activeIndex, 0);
    QVERIFY(seen.pagesAreSearchPages);
    QVERIFY(seen.helpFlagsCleared);
    // The sheet reads its texts from the program's settings file.
    QCOMPARE(seen.exitText, QStringLiteral("Leave"));
    // Only the copy that holds the marker answers new copies, and only while its sheet runs.
    QCOMPARE(seen.answering, g_singleInstanceGuard.m_hGuardMutex->IsHeld());
    QVERIFY(!g_singleInstanceGuard.IsAnswering());
    // The dock finds the desktop entry by this name; the icon is there even
    // for a copy that is not installed.
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("com.veltrane.Clipscout"));
    QVERIFY(seen.windowIconSet);
    // Docks match the window to its launcher by the entry's window class,
    // which is the application's name (the class of its X11 windows).
    QFile entry(QStringLiteral(CLIPSCOUT_TEST_DATA "/../../res/com.veltrane.Clipscout.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QString entryText = QString::fromUtf8(entry.readAll());
    QVERIFY2(entryText.contains(QStringLiteral("\nStartupWMClass=") + QGuiApplication::applicationName() + "\n"),
             qPrintable(QGuiApplication::applicationName()));
    QCOMPARE(seen.placeholderNote, QString());
    // The pages are gone once the sheet has closed.
    QVERIFY(seen.firstPage.isNull());
}

void ClipscoutAppTest::placeholderPageWithoutDeviceFolders()
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root + "/user"));
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(root + "/system"));
    // No Viewdeck.ini at all; one without a recording directory; one naming
    // a folder that does not exist; one copied from Windows.
    const std::string missing = root + "/missing";
    for (const std::string& recording :
         {std::string("-"), std::string(), missing, std::string("D:\\Viewdeck\\Record")}) {
        const bool withIni = recording != "-";
        if (withIni)
            TestStore::Write(root + "/Viewdeck.ini", "[Directory]\nRecording=" + recording + "\n");
        TestApp app(root + "/clipscout");
        SheetSeen seen;
        QVERIFY(!RunApp(app, seen));
        QCOMPARE(app.m_nDeviceCount, 0);
        QCOMPARE(seen.pageCaptions, QStringList{"No Recorded Files"});
        QCOMPARE(seen.treeItems, QStringList{"No Recorded Files"});
        QCOMPARE(seen.activeIndex, 0);
        QVERIFY(seen.pagesAreSearchPages);
        // The page says where Viewdeck.ini was looked for, or which one it
        // read and what that lacks.
        const QString& note = seen.placeholderNote;
        const QString beside = QString::fromStdString(root + "/Viewdeck.ini");
        if (withIni) {
            QVERIFY2(note.contains(beside), qPrintable(note));
            QVERIFY(!note.contains(QStringLiteral("/user/")));
            if (recording.empty())
                QVERIFY2(note.contains(QStringLiteral("Recording=")), qPrintable(note));
            else
                QVERIFY2(note.contains(QString::fromStdString(recording) + " that"), qPrintable(note));
            QCOMPARE(note.contains(QStringLiteral("Windows")), recording.front() == 'D');
        } else {
            for (const QString& place : {beside, QString::fromStdString(root + "/user/clipscout/Viewdeck.ini"),
                                         QString::fromStdString(root + "/system/clipscout/Viewdeck.ini")})
                QVERIFY2(note.contains(place), qPrintable(note));
        }
    }
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_DIRS");
}

void ClipscoutAppTest::chosenViewerIniBuildsThePagesAndIsKept()
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(root + "/system"));
    // A folder name the state file must keep as it is.
    const std::string store = root + "/else where; é,=/store";
    MakeDevice(store, "Porch");
    MakeDevice(store, "Drive");
    std::string chosen = root + "/else where; é,=/Viewdeck.ini";
    TestStore::Write(chosen,
                     "[Directory]\nRecording=" + store + "\n[Device1]\nLocalID=Porch\n[Device2]\nLocalID=Drive\n");
    std::vector<std::string> asked;

    {
        TestApp app(root + "/bin/clipscout");
        app.SetViewerIniChooser([&](QWidget*) {
            asked.push_back("asked");
            return chosen;
        });
        SheetSeen seen;
        const auto choose = [](TreeSheet::CTreeSheet& sheet) {
            auto* button = sheet.GetPage(0)->findChild<QPushButton*>(QString::number(IDC_CHOOSE_VIEWER_INI));
            QVERIFY(button && button->isVisible());
            QTest::mouseClick(button, Qt::LeftButton);
        };
        QVERIFY(!RunApp(app, seen, choose, [](TreeSheet::CTreeSheet& sheet) { return sheet.GetPageCount() == 4; }));
        QCOMPARE(asked.size(), std::size_t{1});
        // The placeholder has gone; the pages are built as at a start.
        QCOMPARE(app.m_nDeviceCount, 2);
        QCOMPARE(seen.treeItems.size(), 4);
        QVERIFY(seen.treeItems.contains("Porch") && seen.treeItems.contains("Drive"));
        QCOMPARE(seen.pageCaptions, seen.treeItems);
        QCOMPARE(seen.activeIndex, 0);
        QVERIFY(seen.pagesAreSearchPages);
    }
    // The next start reads the chosen file, as none is found elsewhere; the
    // settings files themselves are never written.
    QVERIFY(!std::filesystem::exists(root + "/bin/Viewdeck.ini"));
    TestApp app(root + "/bin/clipscout");
    SheetSeen seen;
    QVERIFY(!RunApp(app, seen));
    QCOMPARE(app.m_uiSetting.ViewerIniPath(), chosen);
    QCOMPARE(app.m_nDeviceCount, 2);
    QCOMPARE(asked.size(), std::size_t{1});
    qunsetenv("XDG_CONFIG_DIRS");
}

void ClipscoutAppTest::windowSizeAndMaximisedStateAreKept()
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    // Taller only: the test screen (800 wide) has no room to grow wider.
    const QSize grown(0, 30);
    QSize opened;
    QSize least;
    // Grown on the first run, maximised on the second, as it was on the third.
    for (int run = 0; run < 3; ++run) {
        TestApp app(root + "/clipscout");
        SheetSeen seen;
        QVERIFY(!RunApp(app, seen, [&](TreeSheet::CTreeSheet& sheet) {
            if (run == 0) {
                opened = sheet.size();
                sheet.resize(opened + grown);
            } else if (run == 1) {
                sheet.showMaximized();
            }
        }));
        QTRY_VERIFY(DetachedTask::LiveThreads() == 0);
        // A main window to the window manager, not a dialog.
        QCOMPARE(seen.windowType, Qt::Window);
        QVERIFY(seen.leastSize.width() < opened.width() && seen.leastSize.height() < opened.height());
        if (run == 0) {
            least = seen.leastSize;
            QCOMPARE(seen.size, opened + grown);
        } else {
            QCOMPARE(seen.leastSize, least);
            QCOMPARE(seen.maximized, true);
        }
    }
    // A maximised window keeps the size it comes back to.
    TestApp app(root + "/clipscout");
    SheetSeen seen;
    QVERIFY(!RunApp(app, seen, [](TreeSheet::CTreeSheet& sheet) { sheet.showNormal(); }));
    QCOMPARE(seen.maximized, false);
    QCOMPARE(seen.size, opened + grown);
}

void ClipscoutAppTest::commandLineNamesTheSettingsFiles()
{
    ProgramCommandLine commandLine;
    QVERIFY(commandLine.Parse({"clipscout", "--viewer-ini", "/v.ini", "--app-ini=/a.ini"}));
    QCOMPARE(commandLine.m_strViewerIni, std::string("/v.ini"));
    QCOMPARE(commandLine.m_strAppIni, std::string("/a.ini"));

    // The real program, with no display to reach: Qt's own options are Qt's,
    // the usage and the version end it at once, and bad usage ends it with
    // status 2, all before anything needs a window system.
    const auto run = [](const QStringList& arguments) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(CLIPSCOUT_EXECUTABLE), arguments);
        program.waitForFinished(kWaitBoundMs);
        return std::pair{program.exitCode(),
                         QString::fromLocal8Bit(program.readAllStandardOutput() + program.readAllStandardError())};
    };
    for (const QStringList& arguments : {QStringList{"--help"}, QStringList{"-platform", "offscreen", "-h"}}) {
        const auto [helpStatus, help] = run(arguments);
        QCOMPARE(helpStatus, 0);
        QVERIFY2(help.startsWith(QStringLiteral("Usage: " CLIPSCOUT_EXECUTABLE " [options]")), qPrintable(help));
        QVERIFY2(help.contains("--viewer-ini <PATH>") && help.contains("--app-ini <PATH>"), qPrintable(help));
        QVERIFY2(!help.contains("platform"), qPrintable(help));
    }
    // Without a display it says what works there, in its own words.
    const auto [noDisplayStatus, noDisplay] = run({});
    QCOMPARE(noDisplayStatus, 1);
    QVERIFY2(noDisplay.startsWith(QStringLiteral("clipscout: ")) &&
                 noDisplay.contains(QStringLiteral("clipscout-list")),
             qPrintable(noDisplay));
    const auto [versionStatus, version] = run({"--version"});
    QCOMPARE(versionStatus, 0);
    QCOMPARE(version, QStringLiteral("clipscout " CLIPSCOUT_VERSION "\n"));
    for (const QStringList& bad :
         {QStringList{"--viewer-ini"}, QStringList{"--colour"}, QStringList{"stray"}, QStringList{"-platform"}}) {
        const auto [status, output] = run(bad);
        QCOMPARE(status, ProgramCommandLine::kExitUsage);
        QVERIFY2(output.contains("Usage:"), qPrintable(output));
    }
}

void ClipscoutAppTest::aSilentShareAtStartUpStillShowsTheWindow()
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string store = root + "/share/store";
    MakeDevice(store, "gate");
    TestStore::Write(root + "/Viewdeck.ini", "[Directory]\nRecording=" + store + "\n[Device1]\nLocalID=gate\n");
    {
        const std::lock_guard lock(g_silentMutex);
        g_strSilentRoot = root + "/share";
        g_bSilent = true;
        g_bListedOnWindowThread = false;
    }
    const auto speak = [] {
        {
            const std::lock_guard lock(g_silentMutex);
            g_bSilent = false;
        }
        g_silentWake.notify_all();
    };
    const auto blocked = [] {
        const std::lock_guard lock(g_silentMutex);
        return g_nSilentCalls;
    };

    // The window comes while the share is silent, says that the folders are
    // being looked for, and Exit closes it.
    TestApp app(root + "/clipscout");
    SheetSeen seen;
    QVERIFY(!RunApp(app, seen, {},
                    [&blocked](TreeSheet::CTreeSheet& sheet) { return StillLooking(sheet) && blocked() > 0; }));
    QCOMPARE(seen.pageCaptions, QStringList{"No Recorded Files"});
    QVERIFY2(seen.placeholderNote.contains(QString::fromStdString(root + "/Viewdeck.ini")),
             qPrintable(seen.placeholderNote));
    speak();
    QTRY_VERIFY_WITH_TIMEOUT(DetachedTask::LiveThreads() == 0, kWaitBoundMs);
    QVERIFY(!g_bListedOnWindowThread);

    // Once the share answers, the next start has its pages.
    TestApp again(root + "/clipscout");
    SheetSeen seenAgain;
    QVERIFY(!RunApp(again, seenAgain));
    // One camera has no All Cameras page.
    QCOMPARE(seenAgain.pageCaptions, (QStringList{"gate", "Storage"}));

    // Viewdeck.ini itself on the silent share holds no more than the folders.
    const std::string shared = root + "/share/Viewdeck.ini";
    std::filesystem::rename(root + "/Viewdeck.ini", shared);
    {
        const std::lock_guard lock(g_silentMutex);
        g_bSilent = true;
    }
    TestApp named(root + "/clipscout");
    QVERIFY(named.ReadCommandLine({"clipscout", "--viewer-ini", shared}));
    SheetSeen seenNamed;
    QVERIFY(!RunApp(named, seenNamed, {},
                    [&blocked](TreeSheet::CTreeSheet& sheet) { return StillLooking(sheet) && blocked() > 0; }));
    QCOMPARE(seenNamed.pageCaptions, QStringList{"No Recorded Files"});
    QVERIFY2(seenNamed.placeholderNote.contains(QString::fromStdString(shared)), qPrintable(seenNamed.placeholderNote));
    speak();
    QTRY_VERIFY_WITH_TIMEOUT(DetachedTask::LiveThreads() == 0, kWaitBoundMs);
    QVERIFY(!g_bListedOnWindowThread);

    // So do the program's own settings file and the file that keeps the
    // window's size: the window comes with its own texts.
    TestStore::Write(root + "/share/Clipscout.ini", "[Clipscout]\nB_Exit=Leave\n");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root + "/share/config"));
    {
        const std::lock_guard lock(g_silentMutex);
        g_bSilent = true;
    }
    TestApp own(root + "/clipscout");
    QVERIFY(own.ReadCommandLine({"clipscout", "--viewer-ini", shared, "--app-ini", root + "/share/Clipscout.ini"}));
    SheetSeen seenOwn;
    QVERIFY(!RunApp(own, seenOwn, {},
                    [&blocked](TreeSheet::CTreeSheet& sheet) { return StillLooking(sheet) && blocked() > 0; }));
    QCOMPARE(seenOwn.exitText, QStringLiteral("Exit"));
    speak();
    QTRY_VERIFY_WITH_TIMEOUT(DetachedTask::LiveThreads() == 0, kWaitBoundMs);
    QVERIFY(!g_bListedOnWindowThread);
    // Once the share answers, the size the window had is kept there.
    QVERIFY(std::filesystem::is_regular_file(root + "/share/config/clipscout/state.conf"));
}

void ClipscoutAppTest::aStateFileThatIsAFifoDoesNotHoldTheStart()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("state.conf"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const ViewerIniChoice choice(fifo);
    auto chosen = std::async(std::launch::async, [&] {
        std::string path = choice.Choose(dir.filePath("clipscout").toStdString(), {});
        choice.Remember(dir.filePath("Viewdeck.ini").toStdString());
        return path;
    });
    const bool ready = chosen.wait_for(std::chrono::milliseconds(kWaitBoundMs)) == std::future_status::ready;
    if (!ready) {
        // Let a read or write that waits on the FIFO go, so that the test ends.
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        ::close(writer);
        ::close(reader);
    }
    QVERIFY2(ready, "the state file held the start");
    QCOMPARE(chosen.get(), std::string());
}

QTEST_MAIN(ClipscoutAppTest)
#include "ClipscoutAppTest.moc"
