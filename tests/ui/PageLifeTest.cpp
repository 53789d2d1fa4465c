// The window's thread never waits on a silent share: with every file call of
// the store blocked until the test lets it go (a stopped scan stays blocked
// too, as a call stuck in the kernel does), stopping a search in any way
// returns at once, its late result never reaches the page, and the program
// ends even while a call is still blocked.

#include "app/CClipscoutApp.h"
#include "app/CSingleInstanceGuard.h"
#include "platform/DetachedTask.h"
#include "res/Resource.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "support/BlockingStore.h"
#include "support/PageTestKit.h"
#include "support/SheetTestKit.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <memory>

namespace {

constexpr const char* kChildStore = "CLIPSCOUT_BLOCKED_STORE";

} // namespace

// The program defines this in its main file; this test is its own program,
// and its child another copy, which must not find the test's marker.
CSingleInstanceGuard g_singleInstanceGuard(std::getenv(kChildStore) != nullptr ? "{Clipscout-PageLifeChild}"
                                                                               : "{Clipscout-PageLifeTest}");

namespace {

// A window that waited for the blocked store would wait for good; the bound
// only has to catch a wait that gives up after a while, and to pass on a
// machine busy with other work.
constexpr qint64 kAtOnceMs = 5000;

// How long an action on the window's thread took.
qint64 Timed(const std::function<void()>& action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    return clock.elapsed();
}

std::vector<std::string> Rows(const CDlg& page)
{
    std::vector<std::string> rows;
    const auto* list = Item<MyListCtrl>(page, IDC_FILE_LIST);
    rows.reserve(static_cast<std::size_t>(list->GetItemCount()));
    for (int row = 0; row < list->GetItemCount(); ++row)
        rows.push_back(list->GetItemText(row, 0));
    return rows;
}

// Reachable to the end, never opened: the call stays blocked.
BlockingStore* g_pBlockedShare = nullptr;

// The child: the program on a store whose calls block for good; once its
// first search is blocked, Exit is pressed, and the process must then end
// by itself with the call still blocked.
int RunBlockedProgram(int argc, char** argv)
{
    QApplication application(argc, argv);
    const std::string root = std::getenv(kChildStore);
    g_pBlockedShare = new BlockingStore;
    BlockingStore* share = g_pBlockedShare;
    share->Close();
    TestApp app(root + "/clipscout");
    std::function<void()> exitWhenBlocked;
    exitWhenBlocked = [&] {
        auto* sheet = RunningSheet();
        if (sheet == nullptr || share->Blocked() == 0) {
            QTimer::singleShot(10, exitWhenBlocked);
            return;
        }
        std::printf("exit\n");
        std::fflush(stdout);
        qobject_cast<QPushButton*>(sheet->GetDlgItem(IDOK))->click();
    };
    QTimer::singleShot(0, exitWhenBlocked);
    app.InitInstance();
    return DetachedTask::LiveThreads() > 0 ? 0 : 3;
}

} // namespace

class PageLifeTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_messages = std::make_unique<MessageRecorder>(); }
    void cleanup() { m_messages.reset(); }

    void aSilentStoreHoldsNothingAndLateResultsAreDropped()
    {
        TestStore store;
        for (int i = 0; i < 4; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:0" + std::to_string(i));
        for (int i = 0; i < 3; ++i)
            store.AddClip("MotionDetection", "Md000" + std::to_string(i) + ".asf", "2006/03/15 10:00");
        BlockingStore share;
        TwoPageSheet pages(store.Device());
        std::unique_ptr<CDlg>& first = pages.first;
        std::unique_ptr<CDlg>& second = pages.second;
        std::unique_ptr<TreeSheet::CTreeSheet>& sheet = pages.sheet;
        const auto clickPage = [&pages](const std::string& title) { pages.ClickPage(title); };
        const std::vector<std::string> before = Rows(*first);
        QCOMPARE(before.size(), 4u);
        QSignalSpy finished(first.get(), &CDlg::SearchFinished);

        share.Close();
        auto* category = Item<QComboBox>(*first, IDC_CATEGORY);
        auto* search = Item<QPushButton>(*first, IDC_SEARCH);
        auto* cancel = Item<QPushButton>(*first, IDC_CANCEL_SEARCH);
        const auto startBlocked = [&](int categoryIndex) {
            const int blocked = share.Blocked();
            category->setCurrentIndex(categoryIndex);
            QVERIFY(Timed([&] { QTest::mouseClick(search, Qt::LeftButton); }) < kAtOnceMs);
            QTRY_VERIFY(share.Blocked() > blocked);
            QVERIFY(first->IsSearching());
        };

        // Escape, Cancel, a new Search and a page switch each return at once.
        startBlocked(3);
        QVERIFY(Timed([&] { QTest::keyClick(List(*first), Qt::Key_Escape); }) < kAtOnceMs);
        QVERIFY(!first->IsSearching());
        startBlocked(3);
        QTRY_VERIFY(cancel->isVisible());
        QVERIFY(Timed([&] { QTest::mouseClick(cancel, Qt::LeftButton); }) < kAtOnceMs);
        QVERIFY(!first->IsSearching());
        startBlocked(0);
        startBlocked(3);
        QVERIFY(Timed([&] { clickPage("Cam2"); }) < kAtOnceMs);
        QTRY_COMPARE(sheet->GetActiveIndex(), 1);
        QVERIFY(!first->IsSearching());
        QCOMPARE(Rows(*first), before);

        // Once the store answers, the stopped searches end, and none of them
        // shows its rows.
        share.Open();
        QTRY_COMPARE(DetachedTask::LiveThreads(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 0);
        QCOMPARE(Rows(*first), before);

        // Back on the page, the search that leaving it stopped runs again.
        clickPage(store.Device());
        QTRY_COMPARE(sheet->GetActiveIndex(), 0);
        WaitForSearch(*first);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(first->m_strCategory, std::string("Motion Detection"));
        QCOMPARE(Rows(*first).size(), 3u);

        // A search superseded by a newer one is dropped when it ends later.
        finished.clear();
        share.Close();
        startBlocked(3);
        startBlocked(0);
        share.Open();
        QTRY_COMPARE(finished.count(), 1);
        QTRY_COMPARE(DetachedTask::LiveThreads(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(first->m_strCategory, std::string("Scheduled Recording"));
        QCOMPARE(Rows(*first), before);

        // Exit and the end of the pages return at once with a call blocked.
        share.Close();
        startBlocked(3);
        QVERIFY(Timed([&] { QTest::mouseClick(qobject_cast<QPushButton*>(sheet->GetDlgItem(IDOK)), Qt::LeftButton); }) <
                kAtOnceMs);
        QVERIFY(!sheet->isVisible());
        QVERIFY(Timed([&] {
                    sheet.reset();
                    first.reset();
                    second.reset();
                }) < kAtOnceMs);
        QVERIFY(share.Blocked() > 0);
        QVERIFY(m_messages->Texts().empty());
    }

    void theProgramEndsWithACallBlocked()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kChildStore, QString::fromStdString(store.Root()));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(kWaitBoundMs));
        QCOMPARE(child.readLine().trimmed(), QByteArray("exit"));
        // A program that waited for the blocked call would never end; how
        // soon it ends depends on the machine's load, and is not checked.
        QVERIFY2(child.waitForFinished(kWaitBoundMs), "the program did not end while a call was blocked");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }

private:
    std::unique_ptr<MessageRecorder> m_messages;
};

int main(int argc, char** argv)
{
    if (std::getenv(kChildStore) != nullptr)
        return RunBlockedProgram(argc, argv);
    QApplication app(argc, argv);
    PageLifeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PageLifeTest.moc"
