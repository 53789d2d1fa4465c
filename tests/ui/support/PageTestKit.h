#pragma once

// Shared by the search-page tests: a recording store in a temporary folder
// with the two INI files beside a pretend executable, and stand-ins that
// record message boxes and launches instead of showing or starting anything.

#include "platform/DetachedTask.h"
#include "platform/TrashCan.h"
#include "platform/WindowThreadCheck.h"
#include "platform/ui/MessageBoxSeam.h"
#include "platform/ui/ShellLauncher.h"
#include "platform/ui/WindowPlacement.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "settings/CLoadUISetting.h"
#include "support/ClipBytes.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// What a test waits for takes milliseconds alone and seconds on a machine
// busy with other builds or under a sanitizer: every wait gets a bound that
// only ends a test that would otherwise hang. A passing test never waits it.
inline constexpr int kWaitBoundMs = 120000;
#undef QTRY_VERIFY
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT((expr), kWaitBoundMs)
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT((expr), (expected), kWaitBoundMs)

// Searches run off the window's thread: waits until the page's search, if one
// runs, has put its rows in the list.
inline void WaitForSearch(CDlg& page)
{
    if (page.IsSearching() && !QSignalSpy(&page, &CDlg::SearchFinished).wait(kWaitBoundMs))
        qFatal("the search did not finish");
}

// The page's control with this identifier; the test ends if it is missing or
// of another class.
template <class Control>
Control* Item(const CDlg& page, int id)
{
    auto* control = qobject_cast<Control*>(page.GetDlgItem(id));
    if (control == nullptr)
        qFatal("control %d missing", id);
    return control;
}

inline MyListCtrl* List(const QWidget& page)
{
    auto* list = page.findChild<MyListCtrl*>(QStringLiteral("1018"));
    if (list == nullptr)
        qFatal("result list missing");
    return list;
}

// The list's file names, top to bottom.
inline std::vector<std::string> Names(const MyListCtrl& list)
{
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(list.GetItemCount()));
    for (int row = 0; row < list.GetItemCount(); ++row)
        names.push_back(list.GetItemText(row, 0));
    return names;
}

// The settings reader the test pages read through: the last TestStore's.
inline CLoadUISetting& TestUiSetting()
{
    static CLoadUISetting setting;
    return setting;
}

// Runs work on a thread of its own and waits for it: the test's own direct
// calls into the file system, which the window's thread may not make.
template <class Work>
auto OffTheWindowThread(Work work)
{
    return std::async(std::launch::async, std::move(work)).get();
}

// A search page of the device folder, reading the test's settings files, with
// the test's launcher and trash where they are given. The test's thread is
// the window's: any file-system call on it ends the test.
inline std::unique_ptr<CDlg> NewPage(const std::string& device, ShellLauncher* launcher = nullptr,
                                     TrashCan* trash = nullptr)
{
    WindowThreadCheck::TurnOn();
    WindowThreadCheck::DeclareWindowThread();
    auto page = std::make_unique<CDlg>(device, TestUiSetting());
    if (launcher != nullptr)
        page->UseLauncher(*launcher);
    if (trash != nullptr)
        page->UseTrash(*trash);
    return page;
}

// A page of its own window, shown, active and done with its first search.
inline std::unique_ptr<CDlg> ShowPage(const std::string& device, ShellLauncher* launcher = nullptr,
                                      TrashCan* trash = nullptr)
{
    auto page = NewPage(device, launcher, trash);
    page->show();
    page->activateWindow();
    if (!QTest::qWaitForWindowActive(page.get()))
        qFatal("page not active");
    WaitForSearch(*page);
    return page;
}

// A point on a row of the list, in the viewport where the mouse goes.
inline QPoint OnRow(const MyListCtrl& list, int row)
{
    return list.GetItemRect(row, LVIR_BOUNDS).topLeft() + QPoint(10, MyListCtrl::kRowHeight / 2);
}

class TestStore {
public:
    explicit TestStore(std::string device = "Cam1") : m_strDevice(std::move(device))
    {
        if (!m_dir.isValid())
            throw std::runtime_error("no temporary folder");
        m_strRoot = m_dir.path().toStdString();
        m_strRecording = m_strRoot + "/store";
        for (const char* folder : {"Recording", "SnapShot", "MotionDetection"})
            std::filesystem::create_directories(Folder(folder));
        Write(m_strRoot + "/Viewdeck.ini",
              "[Directory]\nRecording=" + m_strRecording + "\n[Device1]\nLocalID=" + m_strDevice + "\n");
        TestUiSetting() = CLoadUISetting(m_strRoot + "/Clipscout.ini", m_strRoot + "/Viewdeck.ini");
        OffTheWindowThread([] { TestUiSetting().Read(); });
    }

    // QTemporaryDir cannot remove names that are not UTF-8; this can.
    ~TestStore()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_strRoot, ignored);
    }
    TestStore(const TestStore&) = delete;
    TestStore& operator=(const TestStore&) = delete;

    const std::string& Root() const { return m_strRoot; }
    const std::string& Device() const { return m_strDevice; }
    std::string Folder(const std::string& categoryFolder) const
    {
        return m_strRecording + "/" + m_strDevice + "/" + categoryFolder;
    }

    // Pages read the settings files as they were last read, as the program's do.
    void WriteAppIni(const std::string& text) const
    {
        Write(m_strRoot + "/Clipscout.ini", text);
        OffTheWindowThread([] { TestUiSetting().Read(); });
    }

    // An ASF clip whose trailer says when it ran; returns its path.
    std::string AddClip(const std::string& categoryFolder, const std::string& name, const std::string& start,
                        const std::string& end = "2006/03/14 10:05", std::uint64_t seconds = 123) const
    {
        std::string path = Folder(categoryFolder) + "/" + name;
        Write(path, clipbytes::AsfClip(seconds * 10'000'000u, 0, "NC" + start + "," + end));
        return path;
    }

    static void Write(const std::string& path, const std::string& content)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out)
            throw std::runtime_error("cannot write " + path);
    }

private:
    QTemporaryDir m_dir;
    std::string m_strDevice;
    std::string m_strRoot;
    std::string m_strRecording;
};

// A settings folder of the test's own while it lives, where the program keeps
// its state from one run to the next: the variable that names the user's
// settings folder points into it.
class ConfigHome {
public:
    ConfigHome() : m_suiteHome(qgetenv(kVariable))
    {
        if (!m_dir.isValid())
            throw std::runtime_error("no temporary folder");
        qputenv(kVariable, QFile::encodeName(m_dir.path()));
    }
    ~ConfigHome() { qputenv(kVariable, m_suiteHome); }
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

    // A key of the state file as it is now.
    QVariant Value(const QString& key) const
    {
        return QSettings(WindowPlacement::DefaultFile(), QSettings::IniFormat).value(key);
    }

private:
#ifdef _WIN32
    static constexpr const char* kVariable = "APPDATA";
#else
    static constexpr const char* kVariable = "XDG_CONFIG_HOME";
#endif
    QTemporaryDir m_dir;
    QByteArray m_suiteHome;
};

// Collects the texts of the message boxes shown while it lives.
class MessageRecorder {
public:
    MessageRecorder()
    {
        MessageBoxSeam::SetShower([this](QWidget*, const std::string& text) { m_aTexts.push_back(text); });
        MessageBoxSeam::SetAsker([this](QWidget*, const MessageBoxSeam::Question& question) {
            m_aQuestions.push_back(question.strText);
            m_aButtons.push_back(question.strYes + " / " + question.strNo);
            return m_bAnswer;
        });
        MessageBoxSeam::SetNotifier([this](QWidget*, const MessageBoxSeam::Notice& notice) {
            m_aNotices.push_back(notice.strText + " [" + notice.strAction + "]");
            return m_bAct;
        });
    }
    ~MessageRecorder()
    {
        MessageBoxSeam::SetShower({});
        MessageBoxSeam::SetAsker({});
        MessageBoxSeam::SetNotifier({});
    }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<std::string>& Texts() const { return m_aTexts; }
    const std::vector<std::string>& Questions() const { return m_aQuestions; }
    // The buttons of each question, "yes text / no text".
    const std::vector<std::string>& Buttons() const { return m_aButtons; }
    // The news that all went well, "text [action button]".
    const std::vector<std::string>& Notices() const { return m_aNotices; }
    void Clear()
    {
        m_aTexts.clear();
        m_aQuestions.clear();
        m_aButtons.clear();
        m_aNotices.clear();
    }

    // The answer to every question: true for Yes.
    bool m_bAnswer = false;
    // The answer to every notice: true for its action's button.
    bool m_bAct = false;

private:
    std::vector<std::string> m_aNotices;
    std::vector<std::string> m_aTexts;
    std::vector<std::string> m_aQuestions;
    std::vector<std::string> m_aButtons;
};

// Records what would have been opened or explored and answers with a chosen
// result; handed to the pages and sheets of a test. Launches run off the
// window's thread: going away waits for them.
class RecordingLauncher : public ShellLauncher {
public:
    RecordingLauncher() = default;
    ~RecordingLauncher() override { QTRY_VERIFY_WITH_TIMEOUT(DetachedTask::LiveThreads() == 0, kWaitBoundMs); }
    RecordingLauncher(const RecordingLauncher&) = delete;
    RecordingLauncher& operator=(const RecordingLauncher&) = delete;

    Result Open(const std::string& path) override
    {
        WindowThreadCheck::OffTheWindowThread("ShellLauncher::Open");
        const std::lock_guard lock(m_mutex);
        m_aOpened.push_back(path);
        return m_result;
    }
    Result Explore(const std::string& folder) override
    {
        WindowThreadCheck::OffTheWindowThread("ShellLauncher::Explore");
        const std::lock_guard lock(m_mutex);
        m_aExplored.push_back(folder);
        return m_result;
    }
    void ShowItems(const std::vector<std::string>& paths, std::function<void(bool shown)> done) override
    {
        bool shown = false;
        {
            const std::lock_guard lock(m_mutex);
            m_aShown.push_back(paths);
            shown = m_result == Result::Launched;
        }
        done(shown);
    }

    void SetResult(Result result)
    {
        const std::lock_guard lock(m_mutex);
        m_result = result;
    }
    std::vector<std::string> Opened()
    {
        const std::lock_guard lock(m_mutex);
        return m_aOpened;
    }
    std::vector<std::string> Explored()
    {
        const std::lock_guard lock(m_mutex);
        return m_aExplored;
    }
    std::vector<std::vector<std::string>> Shown()
    {
        const std::lock_guard lock(m_mutex);
        return m_aShown;
    }

private:
    std::mutex m_mutex;
    Result m_result = Result::Launched;
    std::vector<std::string> m_aOpened;
    std::vector<std::string> m_aExplored;
    std::vector<std::vector<std::string>> m_aShown;
};

// A double click as the window system delivers one: two presses and releases
// into the window, a moment apart, with queued work done after each, so that
// Qt itself turns the second press into a double click.
inline void RealDoubleClick(QWidget* target, QPoint pos)
{
    QWidget* top = target->window();
    QWindow* window = top->windowHandle();
    const QPoint local = target->mapTo(top, pos);
    const QPointF global = window->mapToGlobal(QPointF(local));
    int& time = QTest::lastMouseTimestamp;
    time += 1000;
    for (int click = 0; click < 2; ++click) {
        qt_handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress, {},
                            time += 40);
        QCoreApplication::processEvents();
        qt_handleMouseEvent(window, local, global, {}, Qt::LeftButton, QEvent::MouseButtonRelease, {}, time += 40);
        QCoreApplication::processEvents();
    }
    time += 1000;
}
