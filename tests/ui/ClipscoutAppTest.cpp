#include "app/AppGlobals.h"
#include "app/CClipscoutApp.h"
#include "app/CSingleInstanceGuard.h"
#include "search_page/CDlg.h"
#include "support/PageTestKit.h"
#include "tree_sheet/CTreeSheet.h"

#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

// The program defines these two in its main file; this test is its own program.
CSingleInstanceGuard g_singleInstanceGuard("{Clipscout-AppTest}");

namespace {

// The program with its executable placed in a test folder.
class TestApp : public CClipscoutApp {
public:
    explicit TestApp(std::string modulePath) : m_strModulePath(std::move(modulePath)) {}

protected:
    std::string GetModulePath() const override { return m_strModulePath; }

private:
    std::string m_strModulePath;
};

struct SheetSeen {
    QString caption;
    QStringList pageCaptions;
    QStringList treeItems;
    int activeIndex = -1;
    bool pagesAreSearchPages = true;
    bool helpFlagsCleared = true;
    bool answering = false;
    QString exitText;
    QPointer<CPropertyPage> firstPage;
};

// Runs InitInstance; while its sheet runs modally, records what it shows and
// presses Exit.
bool RunApp(TestApp& app, SheetSeen& seen)
{
    std::function<void()> inspect;
    inspect = [&] {
        auto* sheet = qobject_cast<TreeSheet::CTreeSheet*>(QApplication::activeModalWidget());
        if (!sheet) {
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
            seen.pagesAreSearchPages = seen.pagesAreSearchPages && qobject_cast<CDlg*>(page) != nullptr;
            seen.helpFlagsCleared = seen.helpFlagsCleared && !(page->m_psp.dwFlags & PSP_HASHELP);
        }
        for (int i = 0; i < sheet->GetPageTree()->topLevelItemCount(); ++i)
            seen.treeItems << sheet->GetPageTree()->topLevelItem(i)->text(0);
        seen.firstPage = sheet->GetPage(0);
        auto* exit = qobject_cast<QPushButton*>(sheet->GetDlgItem(IDOK));
        seen.exitText = exit->text();
        exit->click();
    };
    QTimer::singleShot(0, inspect);
    return app.InitInstance();
}

void MakeDevice(const std::string& store, const std::string& name, bool complete = true)
{
    for (const char* folder : {"Recording", "Snapshot", "MotionDetection"})
        if (complete || std::string(folder) != "Snapshot")
            std::filesystem::create_directories(store + "/" + name + "/" + folder);
}

} // namespace

class ClipscoutAppTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        g_strAppIniPath.clear();
        g_strViewerIniPath.clear();
    }
    void onePagePerDeviceFolderInDiscoveryOrder();
    void placeholderPageWithoutDeviceFolders();
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

    QCOMPARE(g_strViewerIniPath, root + "/Viewdeck.ini");
    QCOMPARE(g_strAppIniPath, root + "/Clipscout.ini");
    QCOMPARE(app.m_nDeviceCount, 3);
    QCOMPARE(seen.caption, QStringLiteral("File Manager"));
    QCOMPARE(seen.pageCaptions, (QStringList{"attic", "gate", "Yard"}));
    QCOMPARE(seen.treeItems, seen.pageCaptions);
    QCOMPARE(seen.activeIndex, 0);
    QVERIFY(seen.pagesAreSearchPages);
    QVERIFY(seen.helpFlagsCleared);
    // The sheet reads its texts from the program's settings file.
    QCOMPARE(seen.exitText, QStringLiteral("Leave"));
    // Only the copy that holds the marker answers new copies, and only while its sheet runs.
    QCOMPARE(seen.answering, g_singleInstanceGuard.m_hGuardMutex->IsHeld());
    QVERIFY(!g_singleInstanceGuard.IsAnswering());
    // The pages are gone once the sheet has closed.
    QVERIFY(seen.firstPage.isNull());
}

void ClipscoutAppTest::placeholderPageWithoutDeviceFolders()
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    // No Viewdeck.ini at all, then one naming a folder that does not exist.
    for (const bool withIni : {false, true}) {
        if (withIni)
            TestStore::Write(root + "/Viewdeck.ini", "[Directory]\nRecording=" + root + "/missing\n");
        TestApp app(root + "/clipscout");
        SheetSeen seen;
        QVERIFY(!RunApp(app, seen));
        QCOMPARE(app.m_nDeviceCount, 0);
        QCOMPARE(seen.pageCaptions, QStringList{"No Recorded Files"});
        QCOMPARE(seen.treeItems, QStringList{"No Recorded Files"});
        QCOMPARE(seen.activeIndex, 0);
        QVERIFY(seen.pagesAreSearchPages);
    }
}

QTEST_MAIN(ClipscoutAppTest)
#include "ClipscoutAppTest.moc"
