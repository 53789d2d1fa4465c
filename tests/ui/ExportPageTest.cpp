#include "platform/DetachedTask.h"
#include "platform/FileCopier.h"
#include "platform/ui/FolderChooserSeam.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "support/PageTestKit.h"
#include "support/ReadFile.h"

#include <QApplication>
#include <QDir>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

namespace {

void Press(MyListCtrl& list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, OnRow(list, row));
    QCoreApplication::processEvents();
}

// Answers the folder chooser of the pages it is handed to with one folder,
// and remembers where it opened; it outlives them.
class ChooserStandIn {
public:
    explicit ChooserStandIn(std::string folder) : m_strFolder(std::move(folder)) { }
    ChooserStandIn(const ChooserStandIn&) = delete;
    ChooserStandIn& operator=(const ChooserStandIn&) = delete;

    FolderChooserSeam::Chooser Chooser()
    {
        return [this](QWidget*, const std::string& title, const std::string& start) {
            m_aStarts.push_back(start);
            m_strTitle = title;
            return std::optional<std::string>(m_strFolder);
        };
    }

    std::string m_strFolder;
    std::string m_strTitle;
    std::vector<std::string> m_aStarts;
};

// Holds the copy of one file after its first chunk until released (or until
// a few seconds have passed, which the test then reports), handed to a page
// before its export starts. The copy may go on after its page is gone: going
// away waits for it.
class HeldCopy {
public:
    explicit HeldCopy(std::string name) : m_strName(std::move(name)) { }
    ~HeldCopy()
    {
        Release();
        QTRY_VERIFY_WITH_TIMEOUT(DetachedTask::LiveThreads() == 0, kWaitBoundMs);
    }
    HeldCopy(const HeldCopy&) = delete;
    HeldCopy& operator=(const HeldCopy&) = delete;

    FileCopier::ChunkHook Hook()
    {
        return [this](const std::string& file, std::uint64_t copied) {
            if (file != m_strName || copied == 0)
                return;
            std::unique_lock lock(m_mutex);
            m_bReached = true;
            m_changed.notify_all();
            if (!m_changed.wait_for(lock, std::chrono::seconds(5), [this] { return m_bReleased; }))
                m_bTimedOut = true;
        };
    }

    bool Reached()
    {
        const std::lock_guard lock(m_mutex);
        return m_bReached;
    }
    void Release()
    {
        const std::lock_guard lock(m_mutex);
        m_bReleased = true;
        m_changed.notify_all();
    }
    bool TimedOut()
    {
        const std::lock_guard lock(m_mutex);
        return m_bTimedOut;
    }

private:
    const std::string m_strName;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bReached = false;
    bool m_bReleased = false;
    bool m_bTimedOut = false;
};

// Makes a clip span a few chunks of a copy: bytes between its header and its
// trailer (the last 50 bytes), which the search reads.
void Enlarge(const std::string& path)
{
    std::string bytes(FileCopier::kChunkBytes * 2 + 99, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 4096);
    const std::string clip = ReadFile(path);
    TestStore::Write(path, clip.substr(0, clip.size() - 50) + bytes + clip.substr(clip.size() - 50));
}

} // namespace

class ExportPageTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_config = std::make_unique<ConfigHome>();
        m_messages = std::make_unique<MessageRecorder>();
    }
    void cleanup()
    {
        m_messages.reset();
        m_config.reset();
    }

    void ctrlECopiesTheSelectedRowsWithTheirTimesAndReplacesNothing()
    {
        TestStore store;
        for (int i = 1; i <= 5; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf",
                          "2006/03/14 1" + std::to_string(i) + ":00");
        const std::string folder = store.Folder("Recording");
        Enlarge(folder + "/Sr0003.asf");
        for (int i = 1; i <= 5; ++i)
            fs::last_write_time(
                folder + "/Sr000" + std::to_string(i) + ".asf",
                fs::file_time_type(std::chrono::seconds(1'500'000'000 + i) + std::chrono::nanoseconds(i)));
        const std::string target = store.Root() + "/stick";
        fs::create_directory(target);
        TestStore::Write(target + "/Sr0005.asf", "someone else's");
        ChooserStandIn chooser(target);

        auto page = ShowPage(store.Device());
        page->UseFolderChooser(chooser.Chooser());
        MyListCtrl& list = *List(*page);
        Press(list, 0);
        Press(list, 2, Qt::ControlModifier);
        Press(list, 4, Qt::ControlModifier);
        QTest::keyClick(&list, Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE(m_messages->Texts().size(), std::size_t(1));
        QCOMPARE(list.GetItemCount(), 5);
        QCOMPARE(chooser.m_strTitle, std::string("Export to Folder"));
        QCOMPARE(m_messages->Texts().front(),
                 "2 files were copied to " + target +
                     ".\nThis file was not copied:\nSr0005.asf: a file of that name is already in the folder");
        QCOMPARE(m_messages->Buttons(), std::vector<std::string>{"Keep Both / Skip"});
        for (const char* name : {"Sr0001.asf", "Sr0003.asf"}) {
            QCOMPARE(ReadFile(target + "/" + name), ReadFile(folder + "/" + name));
            QCOMPARE(fs::last_write_time(target + "/" + name), fs::last_write_time(folder + "/" + name));
        }
        QCOMPARE(ReadFile(target + "/Sr0005.asf"), std::string("someone else's"));
        QCOMPARE(std::distance(fs::directory_iterator(target), fs::directory_iterator()), 3);

        // Again, from the folder chosen last: every name is taken now, by a
        // copy of the file or by another, and a file gone since the search
        // is reported as such.
        fs::remove(folder + "/Sr0001.asf");
        m_messages->Clear();
        page->OnExport();
        QTRY_COMPARE(m_messages->Texts().size(), std::size_t(1));
        QCOMPARE(chooser.m_aStarts.back(), target);
        QCOMPARE(m_messages->Texts().front(), "0 files were copied to " + target +
                                                  ". 1 file was there already.\nThese files were not copied:\n"
                                                  "Sr0001.asf: the file has changed since the search\n"
                                                  "Sr0005.asf: a file of that name is already in the folder");
        QVERIFY(m_messages->Notices().empty());
    }

    void namesOfAnotherCameraAreKeptBothAndSuccessOffersTheFolderChosenLast()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 11:00");
        store.AddClip("Recording", "Sr0002.asf", "2006/03/14 12:00");
        // Another camera of the store with a clip of the same name.
        const std::string other = store.Root() + "/store/Cam2/Recording";
        fs::create_directories(other);
        TestStore::Write(other + "/Sr0001.asf",
                         clipbytes::AsfClip(4'560'000'000u, 0, "NC2006/03/15 09:00,2006/03/15 09:10"));
        TestStore::Write(other + "/Sr0003.asf",
                         clipbytes::AsfClip(1'230'000'000u, 0, "NC2006/03/15 10:00,2006/03/15 10:05"));
        const std::string target = store.Root() + "/stick";
        fs::create_directory(target);
        ChooserStandIn chooser(target);
        RecordingLauncher launcher;
        m_messages->m_bAnswer = true;
        m_messages->m_bAct = true;

        {
            auto page = ShowPage(store.Device(), &launcher);
            page->UseFolderChooser(chooser.Chooser());
            MyListCtrl& list = *List(*page);
            QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(&list, Qt::Key_E, Qt::ControlModifier);
            QTRY_COMPARE(m_messages->Notices().size(), std::size_t(1));
            QCOMPARE(m_messages->Notices().front(), "2 files were copied to " + target + ". [Open Folder]");
            QCOMPARE(chooser.m_aStarts, std::vector<std::string>{QDir::homePath().toStdString()});
            QTRY_COMPARE(launcher.Explored(), std::vector<std::string>{target});
            QTRY_COMPARE(m_config->Value(QStringLiteral("Export/Folder")).toString().toStdString(), target);
        }

        // The other camera's page, as in the next run: the chooser opens
        // where the last export went, and both clips named Sr0001.asf stay.
        m_messages->Clear();
        auto page = ShowPage("Cam2", &launcher);
        page->UseFolderChooser(chooser.Chooser());
        MyListCtrl& list = *List(*page);
        QCOMPARE(list.GetItemCount(), 2);
        QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&list, Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE(m_messages->Notices().size(), std::size_t(1));
        QCOMPARE(chooser.m_aStarts.back(), target);
        QCOMPARE(m_messages->Questions(),
                 std::vector<std::string>{"Another file named Sr0001.asf is already in " + target +
                                          ".\nKeep both, naming the copy Sr0001 (Cam2).asf?"});
        QCOMPARE(m_messages->Buttons(), std::vector<std::string>{"Keep Both / Skip"});
        QCOMPARE(m_messages->Notices().front(), "2 files were copied to " + target + ". [Open Folder]");
        QCOMPARE(ReadFile(target + "/Sr0001 (Cam2).asf"), ReadFile(other + "/Sr0001.asf"));
        QCOMPARE(ReadFile(target + "/Sr0001.asf"), ReadFile(store.Folder("Recording") + "/Sr0001.asf"));
        QCOMPARE(ReadFile(target + "/Sr0003.asf"), ReadFile(other + "/Sr0003.asf"));
        QCOMPARE(std::distance(fs::directory_iterator(target), fs::directory_iterator()), 4);
        QTRY_COMPARE(launcher.Explored().size(), std::size_t(2));

        // Once more: nothing is copied twice, and that is no fault either.
        m_messages->Clear();
        m_messages->m_bAct = false;
        page->OnExport();
        QTRY_COMPARE(m_messages->Notices().size(), std::size_t(1));
        QCOMPARE(m_messages->Notices().front(),
                 "0 files were copied to " + target + ". 2 files were there already. [Open Folder]");
        QCOMPARE(std::distance(fs::directory_iterator(target), fs::directory_iterator()), 4);
        QVERIFY(m_messages->Texts().empty());
        QCOMPARE(launcher.Explored(), (std::vector<std::string>{target, target}));
    }

    void allCamerasNamesACopyBesideAnotherCamerasFileAfterItsOwnCamera()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 11:00");
        const std::string other = store.Root() + "/store/Cam2/Recording";
        fs::create_directories(other);
        TestStore::Write(other + "/Sr0001.asf",
                         clipbytes::AsfClip(4'560'000'000u, 0, "NC2006/03/15 09:00,2006/03/15 09:10"));
        const std::string target = store.Root() + "/stick";
        fs::create_directory(target);
        ChooserStandIn chooser(target);
        m_messages->m_bAnswer = true;

        WindowThreadCheck::TurnOn();
        WindowThreadCheck::DeclareWindowThread();
        CDlg page("All Cameras", TestUiSetting(), {"Cam1", "Cam2"});
        page.UseFolderChooser(chooser.Chooser());
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        WaitForSearch(page);
        MyListCtrl& list = *List(page);
        QCOMPARE(list.GetItemCount(), 2);
        QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&list, Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE(m_messages->Notices().size(), std::size_t(1));
        QCOMPARE(m_messages->Questions(),
                 std::vector<std::string>{"Another file named Sr0001.asf is already in " + target +
                                          ".\nKeep both, naming the copy Sr0001 (Cam2).asf?"});
        QCOMPARE(ReadFile(target + "/Sr0001.asf"), ReadFile(store.Folder("Recording") + "/Sr0001.asf"));
        QCOMPARE(ReadFile(target + "/Sr0001 (Cam2).asf"), ReadFile(other + "/Sr0001.asf"));
    }

    void cancelKeepsTheWholeCopiesAndRemovesThePartOneWithoutTheWindowWaiting()
    {
        TestStore store;
        for (int i = 1; i <= 3; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf",
                          "2006/03/14 1" + std::to_string(i) + ":00");
        const std::string folder = store.Folder("Recording");
        Enlarge(folder + "/Sr0002.asf");
        const std::string target = store.Root() + "/stick";
        fs::create_directory(target);
        ChooserStandIn chooser(target);
        auto page = ShowPage(store.Device());
        page->UseFolderChooser(chooser.Chooser());
        MyListCtrl& list = *List(*page);

        {
            HeldCopy held("Sr0002.asf");
            page->UseBeforeCopyChunk(held.Hook());
            QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(&list, Qt::Key_E, Qt::ControlModifier);
            QTRY_VERIFY(held.Reached());
            // The window goes on while the copy is held, and shows its progress.
            QTest::keyClick(&list, Qt::Key_Down);
            QCOMPARE(page->m_nCurrentRow, 1);
            QProgressDialog* progress = nullptr;
            QTRY_VERIFY((progress = page->findChild<QProgressDialog*>(QStringLiteral("exportProgress"))) != nullptr &&
                        progress->isVisible());
            // The copy in hand has a temporary name until it is whole, so
            // that an exit now could not leave a part under the file's name.
            QVERIFY(!fs::exists(target + "/Sr0002.asf"));
            QCOMPARE(std::distance(fs::directory_iterator(target), fs::directory_iterator()), 2);
            QPushButton* cancel = progress->findChild<QPushButton*>();
            QVERIFY(cancel != nullptr);
            QTest::mouseClick(cancel, Qt::LeftButton);
            held.Release();
            QTRY_COMPARE(m_messages->Texts().size(), std::size_t(1));
            QVERIFY(!held.TimedOut());
        }
        QCOMPARE(m_messages->Texts().front(), "The export was stopped. 1 file was copied to " + target + ".");
        QCOMPARE(ReadFile(target + "/Sr0001.asf"), ReadFile(folder + "/Sr0001.asf"));
        QVERIFY(!fs::exists(target + "/Sr0002.asf"));
        QVERIFY(!fs::exists(target + "/Sr0003.asf"));
        QCOMPARE(std::distance(fs::directory_iterator(target), fs::directory_iterator()), 1);
        QTRY_VERIFY(page->findChild<QProgressDialog*>(QStringLiteral("exportProgress")) == nullptr);

        // The page going stops the copy as Cancel does, without waiting for it.
        fs::remove(target + "/Sr0001.asf");
        m_messages->Clear();
        HeldCopy held("Sr0002.asf");
        page->UseBeforeCopyChunk(held.Hook());
        // As when the message closes (the test platform hands activation to
        // every window shown, the progress too).
        page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&list, Qt::Key_E, Qt::ControlModifier);
        QTRY_VERIFY(held.Reached());
        page.reset();
        held.Release();
        QTRY_COMPARE(std::distance(fs::directory_iterator(target), fs::directory_iterator()), 1);
        QVERIFY(!fs::exists(target + "/Sr0002.asf"));
        QVERIFY(!held.TimedOut());
        QCOMPARE(ReadFile(target + "/Sr0001.asf"), ReadFile(folder + "/Sr0001.asf"));
        QVERIFY(!fs::exists(target + "/Sr0003.asf"));
        QCoreApplication::processEvents();
        QVERIFY(m_messages->Texts().empty());
    }

private:
    std::unique_ptr<ConfigHome> m_config;
    std::unique_ptr<MessageRecorder> m_messages;
};

QTEST_MAIN(ExportPageTest)
#include "ExportPageTest.moc"
