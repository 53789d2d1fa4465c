#include "platform/DetachedTask.h"
#include "platform/TrashCan.h"
#include "platform/ui/CDateTimeCtrl.h"
#include "platform/ui/DialogUnits.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "support/PageTestKit.h"
#include "support/ReadFile.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

QPushButton* Undo(const CDlg& page)
{
    return Item<QPushButton>(page, 1024);
}

// A press as the mouse makes it, on the list's viewport; the page handles it
// once the list's own event is over.
void Press(MyListCtrl& list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, OnRow(list, row));
    QCoreApplication::processEvents();
}

// The rows the list marks selected.
std::vector<int> Selected(const MyListCtrl& list)
{
    std::vector<int> rows;
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemState(row, LVIS_SELECTED) != 0)
            rows.push_back(row);
    return rows;
}

// Every file below a folder with its bytes, by its path written with "/".
std::map<std::string, std::string> Contents(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().generic_string()] = ReadFile(entry.path().string());
    return files;
}

// The path a trash record names: the desktop's trash names the Linux path;
// under Wine, whose Recycle Bin it is, the Linux path Wine gives the file.
std::string RecordedPath(const std::string& path)
{
#ifdef _WIN32
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName != nullptr ? unixName(fs::path(path).wstring().c_str()) : nullptr;
    if (name == nullptr)
        qFatal("no Linux path for %s", path.c_str());
    std::string recorded(name);
    ::HeapFree(::GetProcessHeap(), 0, name);
    return recorded;
#else
    return path;
#endif
}

// The bytes the trash holds of the file that was at path, found by the record
// that names that path (the Windows program recycles a file under a private
// name and then has the record name the file's own); empty when no record
// does. Clips are never empty.
std::string InTrash(const std::string& trash, const std::string& path)
{
    const QByteArray wanted = QByteArray::fromStdString(RecordedPath(path));
    std::error_code none;
    for (const auto& entry : fs::directory_iterator(trash + "/info", none)) {
        const QByteArray record = QByteArray::fromStdString(ReadFile(entry.path().string()));
        const qsizetype key = record.indexOf("\nPath=");
        const qsizetype end = record.indexOf('\n', key + 1);
        if (key < 0 || QByteArray::fromPercentEncoding(record.mid(key + 6, end < 0 ? -1 : end - key - 6)) != wanted)
            continue;
        return ReadFile(trash + "/files/" + entry.path().stem().string());
    }
    return {};
}

// Leaves the trash as no test has used it. Wine's shell makes the folders of
// its trash only on its first use in the process: they stay, emptied.
void EmptyTrash(const std::string& trash)
{
#ifdef _WIN32
    for (const char* folder : {"/files", "/info"}) {
        std::error_code none;
        for (const auto& entry : fs::directory_iterator(trash + folder, none))
            fs::remove_all(entry.path());
    }
#else
    fs::remove_all(trash);
#endif
}

// The files the trash holds a record of.
std::size_t TrashRecords(const std::string& trash)
{
    std::error_code none;
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(trash + "/info", none), fs::directory_iterator()));
}

#ifndef _WIN32
// A trash that cannot be used, or one that holds each file until released;
// handed to the page of a test. A test that fails while a file is held
// releases it on its way out, and ends at once rather than by a hung delete.
// The page's deletes may still run once it is gone: going away waits for them.
class StandInTrash : public TrashCan {
public:
    explicit StandInTrash(Result result, bool bHold = false, std::string strReason = {})
        : m_result(result), m_strReason(std::move(strReason)), m_bHold(bHold)
    { }
    ~StandInTrash() override
    {
        Release();
        QTRY_VERIFY_WITH_TIMEOUT(DetachedTask::LiveThreads() == 0, kWaitBoundMs);
    }
    StandInTrash(const StandInTrash&) = delete;
    StandInTrash& operator=(const StandInTrash&) = delete;

    Result MoveToTrash(int, const std::string&, const std::string&, const FileIdentity&, TrashedFile&,
                       std::string& strReason) override
    {
        std::unique_lock lock(m_mutex);
        ++m_nCalls;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_bHold; });
        strReason = m_strReason;
        return m_result;
    }
    void Release()
    {
        const std::lock_guard lock(m_mutex);
        m_bHold = false;
        m_changed.notify_all();
    }
    // Whether a delete reached the trash within the tests' bound.
    bool WaitForCall()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(kWaitBoundMs), [this] { return m_nCalls > 0; });
    }
    int Calls()
    {
        const std::lock_guard lock(m_mutex);
        return m_nCalls;
    }

private:
    const Result m_result;
    const std::string m_strReason;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bHold;
    int m_nCalls = 0;
};
#endif

} // namespace

class DeletePageTest : public QObject {
    Q_OBJECT

public:
    explicit DeletePageTest(std::string trash) : m_strTrash(std::move(trash)) { }

private slots:
    void init()
    {
        if (m_strTrash.empty())
            QSKIP("the Recycle Bin is looked into only where it is the desktop's trash, under Wine");
        EmptyTrash(m_strTrash);
        m_messages = std::make_unique<MessageRecorder>();
        m_launcher = std::make_unique<RecordingLauncher>();
    }
    void cleanup()
    {
        m_launcher.reset();
        m_messages.reset();
    }

    void allCamerasListsEveryCameraByRecordedTimeAndActsInEachRowsOwnFolder()
    {
        TestStore store;
        const std::string cam2 = store.Root() + "/store/Cam2/Recording";
        const std::string cam3 = store.Root() + "/store/Cam3/Recording";
        fs::create_directories(cam2);
        fs::create_directories(cam3);
        const auto clip = [](const std::string& start) {
            return clipbytes::AsfClip(1230000000, 0, "NC" + start + ",2006/03/14 23:59");
        };
        // Two cameras' clips of one name, each camera's out of time order.
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        TestStore::Write(cam2 + "/Sr0001.asf", clip("2006/03/14 09:00"));
        TestStore::Write(cam2 + "/Sr0000.asf", clip("2006/03/14 12:00"));
        TestStore::Write(cam3 + "/Sr0003.asf", clip("2006/03/14 11:00"));
        const std::map<std::string, std::string> before = Contents(store.Root());

        WindowThreadCheck::TurnOn();
        WindowThreadCheck::DeclareWindowThread();
        CDlg page("All Cameras", TestUiSetting(), {"Cam1", "Cam2", "Cam3"});
        page.UseLauncher(*m_launcher);
        page.show();
        page.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        WaitForSearch(page);
        MyListCtrl& list = *List(page);
        const auto rows = [&list] {
            std::vector<std::string> shown;
            shown.reserve(static_cast<std::size_t>(list.GetItemCount()));
            for (int row = 0; row < list.GetItemCount(); ++row)
                shown.push_back(list.GetItemText(row, 0) + " " + list.GetItemText(row, 3));
            return shown;
        };
        QCOMPARE(rows(), (std::vector<std::string>{"Sr0001.asf Cam2", "Sr0001.asf Cam1", "Sr0003.asf Cam3",
                                                   "Sr0000.asf Cam2"}));
        QCOMPARE(list.model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Camera"));

        // Each action finds its row's file in its own camera's folder.
        Press(list, 1);
        page.OnPlayback();
        QTRY_COMPARE(m_launcher->Opened(), std::vector<std::string>{store.Folder("Recording") + "/Sr0001.asf"});
        Press(list, 2);
        page.OnExplore();
        QTRY_COMPARE(m_launcher->Explored(), std::vector<std::string>{cam3});
        Press(list, 0);
        QCOMPARE(page.GetSelectedPaths(), std::vector<std::string>{cam2 + "/Sr0001.asf"});

        // Cam2's clip goes to the trash, Cam1's of the same name stays; Undo
        // puts it back.
        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_COMPARE(list.GetItemCount(), 3);
        WaitForSearch(page);
        QVERIFY(m_messages->Texts().empty());
        QVERIFY(!fs::exists(cam2 + "/Sr0001.asf"));
        QCOMPARE(InTrash(m_strTrash, cam2 + "/Sr0001.asf"), before.at(cam2 + "/Sr0001.asf"));
        QCOMPARE(rows(), (std::vector<std::string>{"Sr0001.asf Cam1", "Sr0003.asf Cam3", "Sr0000.asf Cam2"}));
        QTest::keyClick(&list, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(list.GetItemCount(), 4);
        WaitForSearch(page);
        QCOMPARE(Contents(store.Root()), before);
        QVERIFY(m_messages->Texts().empty());
    }

    void clicksAndKeysSelectRowsAsInAFileListAndPlainOnesAsBefore()
    {
        TestStore store;
        for (int i = 0; i < 5; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl& list = *List(*page);
        QCOMPARE(Selected(list), std::vector<int>{0});

        // Plain clicks and Up/Down: one row, the current one.
        Press(list, 2);
        QCOMPARE(page->m_nCurrentRow, 2);
        QCOMPARE(Selected(list), std::vector<int>{2});
        QTest::keyClick(&list, Qt::Key_Up);
        QCOMPARE(page->m_nCurrentRow, 1);
        QCOMPARE(Selected(list), std::vector<int>{1});
        QTest::keyClick(&list, Qt::Key_Down);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(page->m_nCurrentRow, 3);
        QCOMPARE(Selected(list), std::vector<int>{3});

        // Ctrl+click adds and removes a row, and makes it current.
        Press(list, 0, Qt::ControlModifier);
        QCOMPARE(Selected(list), (std::vector<int>{0, 3}));
        QCOMPARE(page->m_nCurrentRow, 0);
        Press(list, 3, Qt::ControlModifier);
        QCOMPARE(Selected(list), std::vector<int>{0});

        // Shift extends from the row of the last plain or Ctrl action.
        Press(list, 1);
        Press(list, 3, Qt::ShiftModifier);
        QCOMPARE(Selected(list), (std::vector<int>{1, 2, 3}));
        QCOMPARE(page->m_nCurrentRow, 3);
        QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(Selected(list), (std::vector<int>{1, 2, 3, 4}));
        QCOMPARE(page->m_nCurrentRow, 4);
        QTest::keyClick(&list, Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(Selected(list), (std::vector<int>{0, 1}));
        QCOMPARE(page->m_nCurrentRow, 0);
        QTest::keyClick(&list, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(Selected(list), (std::vector<int>{1, 2, 3, 4}));

        // Ctrl+A selects every row and leaves the current one.
        Press(list, 2);
        QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Selected(list), (std::vector<int>{0, 1, 2, 3, 4}));
        QCOMPARE(page->m_nCurrentRow, 2);

        // Selected rows are drawn as the current row always was; a row taken
        // out of the selection has the plain background even when current.
        Press(list, 2, Qt::ControlModifier);
        QCOMPARE(page->m_nCurrentRow, 2);
        const QImage image = list.viewport()->grab().toImage();
        const int blank = list.GetItemRect(0, LVIR_LABEL).right() + list.columnWidth(1) - 3;
        const QColor highlight = list.palette().color(QPalette::Highlight);
        for (int row = 0; row < 5; ++row)
            QCOMPARE(image.pixelColor(blank, list.GetItemRect(row, LVIR_BOUNDS).top() + 2),
                     row == 2 ? QColor(250, 250, 255) : highlight);
        QCOMPARE(list.GetItemState(2, LVIS_FOCUSED), LVIS_FOCUSED);

        // A plain Down makes a single selection again.
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(Selected(list), std::vector<int>{3});
    }

    void deleteTrashesExactlyTheSelectedFilesAndUndoPutsThemBack()
    {
        TestStore store;
#ifdef _WIN32
        // Windows names are text; one that has a short name of another
        // spelling must still name its own file.
        const std::string odd = "Sr~ odd.asf";
#else
        // A name that is not UTF-8 must still name its own file.
        const std::string odd = "Sr\xff\xfe odd.asf";
#endif
        store.AddClip("Recording", odd, "2006/03/14 09:00");
        for (int i = 1; i <= 5; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf",
                          "2006/03/14 1" + std::to_string(i) + ":00");
        store.AddClip("MotionDetection", "Md0001.asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl& list = *List(*page);
        QCOMPARE(list.GetItemCount(), 6);
        const std::map<std::string, std::string> before = Contents(store.Root());

        Press(list, 1);
        Press(list, 3, Qt::ControlModifier);
        Press(list, 5, Qt::ControlModifier);
        std::vector<std::string> chosen;
        for (int row : {1, 3, 5})
            chosen.push_back(list.GetItemText(row, 0));
        QCOMPARE(chosen.back(), odd);
        const QRect playback = Item<QPushButton>(*page, 1015)->geometry();
        QVERIFY(!Undo(*page)->isVisible());

        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_COMPARE(list.GetItemCount(), 3);
        QVERIFY(m_messages->Texts().empty());
        QVERIFY(m_messages->Questions().empty());
        std::map<std::string, std::string> expected = before;
        for (const std::string& name : chosen) {
            const std::string path = store.Folder("Recording") + "/" + name;
            QVERIFY(!fs::exists(path));
            QCOMPARE(InTrash(m_strTrash, path), before.at(path));
#ifndef _WIN32
            const std::string info = ReadFile(m_strTrash + "/info/" + name + ".trashinfo");
            // The entry names the path as a URI path, bytes outside ASCII escaped.
            const std::string escaped = QByteArray::fromStdString(path).toPercentEncoding("/").toStdString();
            QVERIFY2(info.find("\nPath=" + escaped + "\n") != std::string::npos, info.c_str());
#endif
            expected.erase(path);
        }
        QCOMPARE(Contents(store.Root()), expected);

        // Undo appears where the layout left room, and nothing moves.
        QVERIFY(Undo(*page)->isVisible());
        QCOMPARE(Undo(*page)->geometry(), DialogUnits(page->font()).MapDialogRect(129, 321, 50, 14));
        QCOMPARE(Item<QPushButton>(*page, 1015)->geometry(), playback);

        QTest::keyClick(&list, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(list.GetItemCount(), 6);
        // The rows come before the search that brings them ends, and a page
        // that searches refuses a delete.
        WaitForSearch(*page);
        QCOMPARE(Contents(store.Root()), before);
        QCOMPARE(TrashRecords(m_strTrash), std::size_t(0));
        QVERIFY(!Undo(*page)->isVisible());

        // Undo never puts a file over one that appeared in its place.
        Press(list, 0);
        const std::string firstName = list.GetItemText(0, 0);
        const std::string first = store.Folder("Recording") + "/" + firstName;
        QTest::mouseClick(Item<QPushButton>(*page, 1016), Qt::LeftButton);
        QTRY_VERIFY(Undo(*page)->isVisible());
        WaitForSearch(*page);
        TestStore::Write(first, "recorded meanwhile");
        QTest::mouseClick(Undo(*page), Qt::LeftButton);
        QTRY_COMPARE(m_messages->Texts().size(), std::size_t(1));
        QCOMPARE(m_messages->Texts().front(),
                 "These files were not put back:\n" + firstName + ": another file of that name is there now");
        QCOMPARE(ReadFile(first), "recorded meanwhile");
        WaitForSearch(*page);

        // Undo is offered until the page is left (as the sheet hides it for
        // another), or until the next search.
        Press(list, 1);
        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_VERIFY(Undo(*page)->isVisible());
        WaitForSearch(*page);
        page->hide();
        page->show();
        QVERIFY(!Undo(*page)->isVisible());
        Press(list, 1);
        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_VERIFY(Undo(*page)->isVisible());
        WaitForSearch(*page);
        QTest::mouseClick(Item<QPushButton>(*page, 1013), Qt::LeftButton);
        QVERIFY(!Undo(*page)->isVisible());
        WaitForSearch(*page);
        const int rows = list.GetItemCount();
        QTest::keyClick(&list, Qt::Key_Z, Qt::ControlModifier);
        QCoreApplication::processEvents();
        QCOMPARE(list.GetItemCount(), rows);
    }

#ifndef _WIN32
    // A folder swapped for a link, and trashes that stand in for the
    // desktop's: Windows's Recycle Bin is the shell's, which no stand-in
    // reaches (the Windows half's identity checks have tests of their own).
    void filesChangedSinceTheSearchAreLeftAloneAndReported()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        store.AddClip("Recording", "Sr0002.asf", "2006/03/14 11:00");
        const std::string other = store.Root() + "/other";
        fs::create_directories(other);
        TestStore::Write(other + "/Sr0001.asf", "never listed");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl& list = *List(*page);
        QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);

        // The category folder swapped for a link to a folder with a file of
        // the same name.
        const std::string folder = store.Folder("Recording");
        fs::rename(folder, store.Root() + "/moved");
        fs::create_directory_symlink(other, folder);
        const std::map<std::string, std::string> before = Contents(store.Root());
        QTest::mouseClick(Item<QPushButton>(*page, 1016), Qt::LeftButton);
        QTRY_COMPARE(m_messages->Texts().size(), std::size_t(1));
        QCOMPARE(m_messages->Texts().front(),
                 std::string("These files were not deleted:\nSr0001.asf: the file has changed since the search\n"
                             "Sr0002.asf: the file has changed since the search"));
        QCOMPARE(Contents(store.Root()), before);
        QVERIFY(!fs::exists(m_strTrash + "/files"));
        QVERIFY(!Undo(*page)->isVisible());

        // Back in place, one file replaced by another of the same name: the
        // other row's file still goes.
        fs::remove(folder);
        fs::rename(store.Root() + "/moved", folder);
        Item<QPushButton>(*page, 1013)->click();
        WaitForSearch(*page);
        QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
        fs::rename(other + "/Sr0001.asf", folder + "/Sr0001.asf");
        m_messages->Clear();
        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_COMPARE(m_messages->Texts().size(), std::size_t(1));
        QCOMPARE(m_messages->Texts().front(),
                 std::string("These files were not deleted:\nSr0001.asf: the file has changed since the search"));
        QCOMPARE(ReadFile(folder + "/Sr0001.asf"), "never listed");
        QVERIFY(!fs::exists(folder + "/Sr0002.asf"));
        QVERIFY(fs::exists(m_strTrash + "/files/Sr0002.asf"));
        QTRY_VERIFY(Undo(*page)->isVisible());
        WaitForSearch(*page);

        // A folder listed as a snapshot is not a file to delete.
        fs::create_directory(store.Folder("SnapShot") + "/holiday.jpg");
        // Its time is its creation, seconds included: end the range tomorrow.
        Item<QComboBox>(*page, 1020)->setCurrentIndex(1);
        Item<CDateTimeCtrl>(*page, 1010)->setDate(QDate::currentDate().addDays(1));
        Item<QPushButton>(*page, 1013)->click();
        WaitForSearch(*page);
        QCOMPARE(list.GetItemCount(), 1);
        m_messages->Clear();
        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_COMPARE(m_messages->Texts().size(), std::size_t(1));
        QCOMPARE(m_messages->Texts().front(),
                 std::string("These files were not deleted:\nholiday.jpg: it is not a regular file"));
        QVERIFY(fs::is_directory(store.Folder("SnapShot") + "/holiday.jpg"));
        WaitForSearch(*page);

        // A file removed since the search is reported as gone.
        fs::remove(folder + "/Sr0001.asf");
        store.AddClip("Recording", "Sr0003.asf", "2006/03/14 12:00");
        Item<QComboBox>(*page, 1020)->setCurrentIndex(0);
        Item<QPushButton>(*page, 1013)->click();
        WaitForSearch(*page);
        QCOMPARE(list.GetItemCount(), 1);
        fs::remove(folder + "/Sr0003.asf");
        m_messages->Clear();
        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_COMPARE(m_messages->Texts().size(), std::size_t(1));
        QCOMPARE(m_messages->Texts().front(),
                 std::string("These files were not deleted:\nSr0003.asf: the file is gone"));
    }

    void aLongListOfFailuresNamesTwentyFilesWithTheSystemsReason()
    {
        TestStore store;
        for (int i = 10; i < 35; ++i)
            store.AddClip("Recording", "Sr00" + std::to_string(i) + ".asf", "2006/03/14 10:" + std::to_string(i));
        StandInTrash refusing(TrashCan::Result::Failed, false, "Read-only file system");
        auto page = ShowPage(store.Device(), m_launcher.get(), &refusing);
        MyListCtrl& list = *List(*page);
        QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_COMPARE(m_messages->Texts().size(), std::size_t(1));
        const QStringList lines = QString::fromStdString(m_messages->Texts().front()).split('\n');
        QCOMPARE(lines.size(), 22);
        QCOMPARE(lines.front(), QString("These files were not deleted:"));
        for (int i = 1; i <= 20; ++i)
            QVERIFY2(lines[i].startsWith("Sr00") &&
                         lines[i].endsWith(".asf: it could not be moved to the trash (Read-only file system)"),
                     qPrintable(lines[i]));
        QCOMPARE(lines.back(), QString("and 5 more"));
        QCOMPARE(list.GetItemCount(), 25);
    }

    void withoutATrashDeleteAsksOnceAndDeletesOnlyOnYes()
    {
        TestStore store;
        for (int i = 1; i <= 3; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:00");
        StandInTrash none(TrashCan::Result::NotSupported);
        auto page = ShowPage(store.Device(), m_launcher.get(), &none);
        MyListCtrl& list = *List(*page);
        Press(list, 0);
        Press(list, 1, Qt::ShiftModifier);

        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_COMPARE(m_messages->Questions().size(), std::size_t(1));
        QCOMPARE(m_messages->Questions().front(),
                 std::string("2 files cannot be moved to the trash. Delete them permanently?"));
        QTRY_VERIFY(Item<QPushButton>(*page, 1016)->isEnabled());
        QCOMPARE(list.GetItemCount(), 3);

        m_messages->Clear();
        m_messages->m_bAnswer = true;
        Press(list, 0);
        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_COMPARE(list.GetItemCount(), 2);
        QCOMPARE(m_messages->Questions(),
                 std::vector<std::string>{"Sr0001.asf cannot be moved to the trash. Delete it permanently?"});
        QVERIFY(!fs::exists(store.Folder("Recording") + "/Sr0001.asf"));
        QVERIFY(!fs::exists(m_strTrash + "/files"));
        QVERIFY(!Undo(*page)->isVisible());
        QVERIFY(m_messages->Texts().empty());
    }

#endif

    void shiftDeleteAsksFirstAndDeletesForGood()
    {
        TestStore store;
        for (int i = 1; i <= 3; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl& list = *List(*page);

        QTest::keyClick(&list, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(m_messages->Questions(), std::vector<std::string>{"Delete Sr0001.asf permanently?"});
        QCOMPARE(m_messages->Buttons(), std::vector<std::string>{"Delete Permanently / Cancel"});
        QCoreApplication::processEvents();
        QCOMPARE(list.GetItemCount(), 3);

        m_messages->Clear();
        m_messages->m_bAnswer = true;
        QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&list, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(m_messages->Questions(), std::vector<std::string>{"Delete these 3 files permanently?"});
        QTRY_COMPARE(list.GetItemCount(), 0);
        QVERIFY(!Item<QPushButton>(*page, 1016)->isEnabled());
        QVERIFY(fs::is_empty(store.Folder("Recording")));
        QCOMPARE(TrashRecords(m_strTrash), std::size_t(0));
        QVERIFY(!Undo(*page)->isVisible());
    }

    void afterASortDeleteTrashesTheRowsAsShown()
    {
        const ConfigHome config;
        TestStore store;
        // A search lists them by name; their times are in another order.
        const std::map<std::string, std::string> times = {{"Sr-a.asf", "12:00"}, {"Sr-b.asf", "10:00"},
                                                          {"Sr-c.asf", "13:00"}, {"Sr-d.asf", "11:00"},
                                                          {"Sr-e.asf", "09:00"}, {"Sr-f.asf", "14:00"}};
        for (const auto& [name, time] : times)
            store.AddClip("Recording", name, "2006/03/14 " + time);
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl& list = *List(*page);
        QCOMPARE(list.GetItemText(0, 0), std::string("Sr-a.asf"));
        // Newest first, then oldest first.
        QHeaderView* header = list.horizontalHeader();
        const QPoint timeHeader(header->sectionViewportPosition(1) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, timeHeader);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, timeHeader);
        QCOMPARE(list.GetItemText(0, 0), std::string("Sr-e.asf"));

        Press(list, 0);
        Press(list, 3, Qt::ControlModifier);
        QTest::keyClick(&list, Qt::Key_Delete);
        QTRY_COMPARE(list.GetItemCount(), 4);
        QVERIFY(m_messages->Texts().empty());
        for (const auto& [name, time] : times) {
            const bool chosen = name == "Sr-e.asf" || name == "Sr-a.asf";
            QCOMPARE(fs::exists(store.Folder("Recording") + "/" + name), !chosen);
            QCOMPARE(!InTrash(m_strTrash, store.Folder("Recording") + "/" + name).empty(), chosen);
        }
        // The search after it keeps the order.
        QCOMPARE(list.GetItemText(0, 0), std::string("Sr-b.asf"));
    }

    void undoKeyPutsTheFilesBackWhereverTheFocusIs()
    {
        TestStore store;
        for (int i = 1; i <= 3; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl& list = *List(*page);
        auto* category = Item<QComboBox>(*page, 1020);

        // Text fields that keep an undo of their own: the category box and
        // the pickers.
        for (int id : {1020, 1005, 1011}) {
            Press(list, 1);
            QTest::keyClick(&list, Qt::Key_Delete);
            QTRY_VERIFY(Undo(*page)->isVisible());
            WaitForSearch(*page);
            QCOMPARE(list.GetItemCount(), 2);
            page->GetDlgItem(id)->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
            QTRY_COMPARE(list.GetItemCount(), 3);
            WaitForSearch(*page);
            QVERIFY(!Undo(*page)->isVisible());
        }
        // With nothing to put back, the field's own undo has the key again.
        category->setFocus();
        const QString typed = category->currentText();
        QTest::keyClicks(QApplication::focusWidget(), "x");
        QVERIFY(category->currentText() != typed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(category->currentText(), typed);
    }

#ifndef _WIN32
    void aLongDeleteLeavesTheWindowFreeAndStopsWhenThePageGoes()
    {
        TestStore store;
        for (int i = 10; i < 40; ++i)
            store.AddClip("Recording", "Sr00" + std::to_string(i) + ".asf", "2006/03/14 10:00");
        StandInTrash held(TrashCan::Result::Failed, true);
        auto page = ShowPage(store.Device(), m_launcher.get(), &held);
        MyListCtrl& list = *List(*page);
        QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);

        // The trash holds the first file; the window goes on meanwhile, and
        // neither Delete nor a search that ends in the meantime lets another
        // delete start.
        QTest::keyClick(&list, Qt::Key_Delete);
        QVERIFY(held.WaitForCall());
        auto* erase = Item<QPushButton>(*page, 1016);
        QVERIFY(!erase->isEnabled());
        QTest::keyClick(&list, Qt::Key_Delete);
        QTest::mouseClick(Item<QPushButton>(*page, 1013), Qt::LeftButton);
        WaitForSearch(*page);
        QVERIFY(!erase->isEnabled());
        QTest::keyClick(&list, Qt::Key_Delete);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(page->m_nCurrentRow, 1);
        QCOMPARE(held.Calls(), 1);

        // Closing the page returns while the trash still holds the file, and
        // stops the delete after it.
        page.reset();
        QCOMPARE(held.Calls(), 1);
        held.Release();
        QTRY_COMPARE(DetachedTask::LiveThreads(), 0);
        QCOMPARE(held.Calls(), 1);
        QCOMPARE(std::distance(fs::directory_iterator(store.Folder("Recording")), fs::directory_iterator()), 30);
        QVERIFY(m_messages->Texts().empty());
    }
#endif

private:
    const std::string m_strTrash;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<RecordingLauncher> m_launcher;
};

// Puts the trash that deletes go to in folder, where the system lets a test
// choose it; returns that trash, or nothing where the test may not look into
// it.
std::string TrashUnder(const fs::path& folder)
{
#ifdef _WIN32
    // Under Wine the Recycle Bin is the desktop's trash, which $XDG_DATA_HOME
    // places; the shell reads it on its first use. On Windows the bin is the
    // user's own, which the test leaves alone.
    if (::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name") == nullptr)
        return {};
    fs::create_directories(folder / "data");
    const std::wstring data = QString::fromStdString(RecordedPath((folder / "data").string())).toStdWString();
    if (!::SetEnvironmentVariableW(L"XDG_DATA_HOME", data.c_str()) || ::_wputenv_s(L"XDG_DATA_HOME", data.c_str()) != 0)
        qFatal("cannot set XDG_DATA_HOME");
#else
    // A home of the test's own, so that no trash of the user's is used.
    ::setenv("HOME", folder.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
#endif
    return (folder / "data" / "Trash").string();
}

int main(int argc, char** argv)
{
    // Beside the test's stores (the shell's trash takes only files of its own
    // file system), set before anything reads the environment.
    const fs::path home =
        fs::temp_directory_path() / ("clipscout-trash-" + std::to_string(QCoreApplication::applicationPid()));
    fs::create_directories(home);
    int status = 0;
    {
        const std::string trash = TrashUnder(home);
        QApplication app(argc, argv);
        DeletePageTest test(trash);
        status = QTest::qExec(&test, argc, argv);
    }
    std::error_code ignored;
    fs::remove_all(home, ignored);
    return status;
}

#include "DeletePageTest.moc"
