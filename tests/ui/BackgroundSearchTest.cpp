// Searches run off the window's thread: against a store made slow through the
// scan's seam, the page shows its progress, keeps answering, shows rows as
// they come, and a search stopped by Escape, Cancel, a page switch or closing
// before any came leaves it as it was.

#include "catalog/RecordingNames.h"
#include "catalog/ScanControl.h"
#include "catalog/ScanSeam.h"
#include "catalog/SearchRequest.h"
#include "platform/DetachedTask.h"
#include "search_page/CDlg.h"
#include "search_page/ListSortChoice.h"
#include "search_page/MyListCtrl.h"
#include "support/PageTestKit.h"
#include "support/SheetTestKit.h"
#include "support/SlowStore.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <QAbstractItemModel>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#ifdef _WIN32
#include <windows.h>
// After <windows.h>, which it needs.
#include <tlhelp32.h>
#endif

namespace {

// What a stopped search must leave as it found it.
struct PageState {
    std::vector<std::string> names;
    int currentRow;
    bool playback, erase, explore;
    std::string category, categoryFolder;
    int files;

    bool operator==(const PageState&) const = default;
};

PageState StateOf(const CDlg& page)
{
    PageState state{{},
                    page.m_nCurrentRow,
                    Item<QPushButton>(page, 1015)->isEnabled(),
                    Item<QPushButton>(page, 1016)->isEnabled(),
                    Item<QPushButton>(page, 1017)->isEnabled(),
                    page.m_strCategory,
                    page.m_strCategoryFolder,
                    page.m_nFiles};
    const auto* list = Item<MyListCtrl>(page, 1018);
    for (int row = 0; row < list->GetItemCount(); ++row)
        state.names.push_back(list->GetItemText(row, 0) + "|" + list->GetItemText(row, 1) + "|" +
                              list->GetItemText(row, 2));
    return state;
}

// Not searching, and nothing of a search left showing but, after the user
// stopped one, the word that the list is the previous search's, or the rows
// found before it stopped.
bool Idle(const CDlg& page, bool bStopped = false, const char* shows = "previous results")
{
    const auto* progress = Item<QLabel>(page, 1026);
    const bool strip = bStopped ? progress->isVisible() && progress->text().contains(shows) : progress->isHidden();
    return !page.IsSearching() && strip && Item<QPushButton>(page, 1027)->isHidden() &&
           page.cursor().shape() == Qt::ArrowCursor;
}

std::size_t FilesIn(const std::string& folder)
{
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

// The search's threads and the scan's workers, by the names they give themselves.
// A page shown also marks its calendar's days on a thread of its own, which
// is not the search's: the pages here without recordings start no workers.
bool IsSearchThread(std::wstring_view name)
{
    return name == L"clipscout-find" || name == L"clipscout-scan";
}
#ifdef _WIN32
int SearchThreads()
{
    // Windows 10's, looked up as the program's own naming does.
    using GetDescription = HRESULT(WINAPI*)(HANDLE, PWSTR*);
    const auto getDescription = reinterpret_cast<GetDescription>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (getDescription == nullptr || snapshot == INVALID_HANDLE_VALUE)
        qFatal("the threads cannot be listed");
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        const HANDLE thread = entry.th32OwnerProcessID == ::GetCurrentProcessId()
                                  ? ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID)
                                  : nullptr;
        PWSTR name = nullptr;
        if (thread != nullptr && SUCCEEDED(getDescription(thread, &name)) && name != nullptr) {
            count += IsSearchThread(name);
            ::LocalFree(name);
        }
        if (thread != nullptr)
            ::CloseHandle(thread);
    }
    ::CloseHandle(snapshot);
    return count;
}
#else
int SearchThreads()
{
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        count += IsSearchThread(std::wstring(name.begin(), name.end()));
    }
    return count;
}
#endif

// A store whose files from some place in the scan's order on wait until the
// test lets them go, through the scan's seam; a stopped scan's go at once.
// Going away, it lets all go and waits for the scans' threads to end.
class HeldFiles {
public:
    HeldFiles()
    {
        ScanSeam::SetBeforeFile([this](const ScanControl* control, std::size_t file) { Wait(control, file); });
    }
    ~HeldFiles()
    {
        HoldFrom(SIZE_MAX);
        QTRY_VERIFY_WITH_TIMEOUT(DetachedTask::LiveThreads() == 0, kWaitBoundMs);
        ScanSeam::SetBeforeFile({});
    }
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;

    void HoldFrom(std::size_t file)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_nHeldFrom = file;
        }
        m_wake.notify_all();
    }

private:
    void Wait(const ScanControl* control, std::size_t file)
    {
        std::unique_lock lock(m_mutex);
        // A stop request comes without a notification: look at it often.
        while (file >= m_nHeldFrom && !(control != nullptr && control->IsCancelled()))
            m_wake.wait_for(lock, std::chrono::milliseconds(1));
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::size_t m_nHeldFrom = SIZE_MAX;
};

// Four scheduled recordings, and ten motion-detection clips a day apart.
void AddClips(TestStore& store)
{
    for (int i = 0; i < 4; ++i)
        store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:0" + std::to_string(i));
    for (int i = 0; i < 10; ++i)
        store.AddClip("MotionDetection", "Md00" + std::to_string(i) + ".asf",
                      "2006/03/1" + std::to_string(i) + " 09:00");
}

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int m_nPaints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        m_nPaints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class BackgroundSearchTest : public QObject {
    Q_OBJECT

private slots:
    void searchShowsProgressKeepsPaintingAndStopsLeavingThePageAsItWas()
    {
        TestStore store;
        AddClips(store);
        SlowStore slow;
        MessageRecorder messages;
        auto page = NewPage(store.Device());
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        WaitForSearch(*page);
        auto* list = Item<MyListCtrl>(*page, 1018);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->GetItemRect(2, LVIR_BOUNDS).topLeft() + QPoint(10, MyListCtrl::kRowHeight / 2));
        QTRY_COMPARE(page->m_nCurrentRow, 2);
        const PageState before = StateOf(*page);
        QCOMPARE(before.names.size(), 4u);

        slow.Close();
        Item<QComboBox>(*page, 1020)->setCurrentIndex(3); // Motion Detection
        auto* search = Item<QPushButton>(*page, 1013);
        QTest::mouseClick(search, Qt::LeftButton);
        QVERIFY(page->IsSearching());
        QVERIFY(!Item<QPushButton>(*page, 1015)->isEnabled());
        QVERIFY(!Item<QPushButton>(*page, 1016)->isEnabled());
        QVERIFY(!Item<QPushButton>(*page, 1017)->isEnabled());
        // The progress, Cancel and the busy cursor after a moment, in the
        // strip left of Search.
        auto* progress = Item<QLabel>(*page, 1026);
        auto* cancel = Item<QPushButton>(*page, 1027);
        QTRY_VERIFY(progress->isVisible() && cancel->isVisible());
        QCOMPARE(page->cursor().shape(), Qt::BusyCursor);
        QCOMPARE(progress->text(), QString("0 of 10 files examined"));
        for (QWidget* control : {static_cast<QWidget*>(progress), static_cast<QWidget*>(cancel)}) {
            QVERIFY(control->geometry().right() < search->geometry().left());
            QVERIFY(control->geometry().bottom() < list->geometry().top());
        }
        // The window goes on painting meanwhile.
        PaintCounter paints(list->viewport());
        list->viewport()->update();
        QTRY_VERIFY(paints.m_nPaints > 0);
        QVERIFY(page->IsSearching());
        QCOMPARE(StateOf(*page).names, before.names);
        // The rows on show are about to go: Delete leaves them alone.
        QTest::keyClick(list, Qt::Key_Delete);

        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(Idle(*page, true));
        QVERIFY(StateOf(*page) == before);

        QTest::mouseClick(search, Qt::LeftButton);
        QVERIFY(progress->isHidden());
        QTRY_VERIFY(cancel->isVisible());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(Idle(*page, true));
        QVERIFY(StateOf(*page) == before);

        // Another search stops the running one; the last one's rows are
        // those of the scan, as a search without the thread lists them.
        QTest::mouseClick(search, Qt::LeftButton);
        QTest::mouseClick(search, Qt::LeftButton);
        slow.Open();
        WaitForSearch(*page);
        QVERIFY(Idle(*page));
        SearchRequest request;
        request.strDevice = store.Device();
        request.strCategory = "Motion Detection";
        request.tSearchStart = page->m_tSearchStart;
        request.tSearchEnd = page->m_tSearchEnd;
        const std::vector<RecordedFile> rows =
            OffTheWindowThread([&] { return RunSearchIn(store.Root() + "/store", request).aRows; });
        const PageState after = StateOf(*page);
        QCOMPARE(after.names.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            QCOMPARE(after.names[i], std::string(rows[i].szFileName) + "|" + ToDisplayTime(rows[i].szStartTime) + "|" +
                                         rows[i].szDuration);
        QCOMPARE(after.currentRow, 0);
        QVERIFY(after.playback && after.erase && after.explore);
        QCOMPARE(after.categoryFolder, std::string("MotionDetection"));
        QVERIFY(messages.Texts().empty());
        QTRY_COMPARE(DetachedTask::LiveThreads(), 0);
        QCOMPARE(FilesIn(store.Folder("Recording")), 4u);
        page.reset();
    }

    void rowsShowAsTheyComeAndTheCurrentRowStaysPutButASupersededSearchsNever()
    {
        TestStore store;
        AddClips(store);
        ConfigHome config; // for the sort chosen below
        HeldFiles held;
        auto page = NewPage(store.Device());
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        WaitForSearch(*page);
        auto* list = Item<MyListCtrl>(*page, 1018);
        auto* category = Item<QComboBox>(*page, 1020);
        auto* search = Item<QPushButton>(*page, 1013);

        // The first rows replace the list while the scan waits for the
        // others, the first of them current.
        held.HoldFrom(3);
        category->setCurrentIndex(3); // Motion Detection
        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_COMPARE(list->GetItemCount(), 3);
        QVERIFY(page->IsSearching());
        QCOMPARE(page->m_nCurrentRow, 0);
        auto* progress = Item<QLabel>(*page, 1026);
        QTRY_COMPARE(progress->text(), QString("3 of 10 files examined"));
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(page->m_nCurrentRow, 1);
        const std::string current = list->GetItemText(1, 0);
        const std::vector<std::string> first = Names(*list);

        // More come after them; the current and selected row stays.
        held.HoldFrom(7);
        QTRY_COMPARE(list->GetItemCount(), 7);
        QVERIFY(page->IsSearching());
        QVERIFY(std::equal(first.begin(), first.end(), Names(*list).begin()));
        QCOMPARE(page->m_nCurrentRow, 1);
        QVERIFY(list->GetItemState(1, LVIS_SELECTED) != 0);
        QVERIFY(list->GetItemState(0, LVIS_SELECTED) == 0 && list->GetItemState(2, LVIS_SELECTED) == 0);

        // Sorted by name from Z to A, those that come go to their places
        // among the others, and the current row stays on its recording.
        ListSortChoice& sort = ListSortChoice::Of(*page->window());
        sort.OnColumnClick(0);
        sort.OnColumnClick(0);
        QCOMPARE(list->GetItemText(page->m_nCurrentRow, 0), current);
        held.HoldFrom(SIZE_MAX);
        WaitForSearch(*page);
        std::vector<std::string> all = Names(*list);
        QCOMPARE(all.size(), 10u);
        QVERIFY(std::is_sorted(all.rbegin(), all.rend()));
        QCOMPARE(list->GetItemText(page->m_nCurrentRow, 0), current);
        QVERIFY(list->GetItemState(page->m_nCurrentRow, LVIS_SELECTED) != 0);

        // A search whose rows are on their way when another starts: they
        // never show, and the list keeps its rows until the other's come.
        QTRY_COMPARE(DetachedTask::LiveThreads(), 0);
        category->setCurrentIndex(0); // Scheduled Recording
        QTest::mouseClick(search, Qt::LeftButton);
        // Without the event loop: its rows wait in the window's queue.
        for (int waited = 0; DetachedTask::LiveThreads() > 0 && waited < kWaitBoundMs; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        held.HoldFrom(0);
        category->setCurrentIndex(3);
        QSignalSpy inserted(list->model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(list->model(), &QAbstractItemModel::modelReset);
        QTest::mouseClick(search, Qt::LeftButton);
        QCoreApplication::processEvents();
        QTest::qWait(2 * BackgroundSearch::kHandOverMs);
        QVERIFY(page->IsSearching());
        QVERIFY(inserted.isEmpty() && reset.isEmpty());
        QCOMPARE(Names(*list), all);
        held.HoldFrom(SIZE_MAX);
        WaitForSearch(*page);
        QCOMPARE(list->GetItemCount(), 10);

        // Stopped once rows came, the list keeps them, and the buttons act
        // on them.
        held.HoldFrom(4);
        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_COMPARE(list->GetItemCount(), 4);
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(Idle(*page, true, "found so far"));
        QCOMPARE(list->GetItemCount(), 4);
        QCOMPARE(page->m_nFiles, 4);
        QVERIFY(Item<QPushButton>(*page, 1015)->isEnabled() && Item<QPushButton>(*page, 1016)->isEnabled());
        page.reset();
    }

    void pageSwitchAndClosingStopTheSearchAndItsThreads()
    {
        TestStore store;
        for (int i = 0; i < 5; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:00");
        SlowStore slow;
        TwoPageSheet pages(store.Device());
        std::unique_ptr<CDlg>& first = pages.first;
        std::unique_ptr<CDlg>& second = pages.second;
        std::unique_ptr<TreeSheet::CTreeSheet>& sheet = pages.sheet;
        const auto clickPage = [&pages](const std::string& title) { pages.ClickPage(title); };
        const PageState before = StateOf(*first);
        QTRY_COMPARE(SearchThreads(), 0); // the last search's threads end just after it reports

        slow.Close();
        QTest::mouseClick(Item<QPushButton>(*first, 1013), Qt::LeftButton);
        QVERIFY(first->IsSearching());
        QTRY_VERIFY(SearchThreads() > 1); // the search and its workers
        clickPage("Cam2");
        QTRY_COMPARE(sheet->GetActiveIndex(), 1);
        QVERIFY(Idle(*first));
        QTRY_COMPARE(SearchThreads(), 0);
        QVERIFY(!second->IsSearching());
        QVERIFY(StateOf(*first) == before);

        // Back on the page, the stopped search runs again.
        clickPage(store.Device());
        QTRY_COMPARE(sheet->GetActiveIndex(), 0);
        QVERIFY(first->IsSearching());
        slow.Open();
        WaitForSearch(*first);
        QVERIFY(StateOf(*first) == before);
        slow.Close();
        QTest::mouseClick(Item<QPushButton>(*first, 1013), Qt::LeftButton);
        QVERIFY(first->IsSearching());
        QTest::mouseClick(qobject_cast<QPushButton*>(sheet->GetDlgItem(IDOK)), Qt::LeftButton);
        QVERIFY(!sheet->isVisible());
        QVERIFY(Idle(*first));
        QTRY_COMPARE(SearchThreads(), 0);
        QVERIFY(StateOf(*first) == before);
        sheet.reset();
    }
};

QTEST_MAIN(BackgroundSearchTest)
#include "BackgroundSearchTest.moc"
