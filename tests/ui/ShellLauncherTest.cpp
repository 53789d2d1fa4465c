// The desktop launcher with a real GIO set-up: a temporary XDG world with one
// fake player registered for ASF clips and nothing else, set up before GIO
// first looks at it.

#include "platform/ui/GioShellLauncher.h"
#include "search_page/CDlg.h"
#include "support/PageTestKit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#ifndef CLIPSCOUT_TEST_DATA
#error CLIPSCOUT_TEST_DATA must name the folder of the test clips
#endif

namespace {

// The temporary desktop: the shared MIME database of the system (content
// types), but applications and defaults only from here.
class XdgSandbox {
public:
    XdgSandbox()
    {
        m_dir.setAutoRemove(true);
        const std::string root = m_dir.path().toStdString();
        m_strReceived = root + "/received";
        m_strCwd = root + "/cwd";
        namespace fs = std::filesystem;
        fs::create_directories(root + "/data-home/applications");
        fs::create_directories(root + "/data-dirs");
        fs::create_directories(root + "/config");
        fs::create_directories(root + "/config-dirs");
        fs::create_directories(m_strCwd);
        fs::create_directory_symlink("/usr/share/mime", root + "/data-dirs/mime");

        // Records how many arguments it got, then each one NUL-terminated,
        // and renames the record into place so a reader never sees half.
        const std::string handler = root + "/player.sh";
        TestStore::Write(handler, "#!/bin/sh\n"
                                  "out='" +
                                      m_strReceived +
                                      "'\n"
                                      "{ printf '%s\\n' \"$#\"; for a in \"$@\"; do printf '%s\\0' \"$a\"; done; }"
                                      " > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n");
        fs::permissions(handler, fs::perms::owner_all);
        TestStore::Write(root + "/data-home/applications/clipscout-test-player.desktop",
                         "[Desktop Entry]\nType=Application\nName=Test Player\nExec=" + handler +
                             " %f\nMimeType=application/vnd.ms-asf;\nNoDisplay=true\n");
        TestStore::Write(root + "/config/mimeapps.list",
                         "[Default Applications]\napplication/vnd.ms-asf=clipscout-test-player.desktop\n");

        ::setenv("XDG_DATA_HOME", (root + "/data-home").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (root + "/data-dirs").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (root + "/config-dirs").c_str(), 1);
        ::unsetenv("XDG_CURRENT_DESKTOP");
        // Whatever a shell might make of a name would land here.
        QDir::setCurrent(QString::fromStdString(m_strCwd));
    }

    const std::string& Received() const { return m_strReceived; }
    const std::string& Cwd() const { return m_strCwd; }

private:
    QTemporaryDir m_dir;
    std::string m_strReceived;
    std::string m_strCwd;
};

XdgSandbox* g_pSandbox = nullptr;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The arguments the fake player was started with: count line, then each
// argument NUL-terminated.
std::vector<std::string> ReceivedArguments()
{
    const std::string record = ReadAll(g_pSandbox->Received());
    const std::size_t newline = record.find('\n');
    std::vector<std::string> arguments;
    std::size_t start = newline + 1;
    for (std::size_t end; (end = record.find('\0', start)) != std::string::npos; start = end + 1)
        arguments.push_back(record.substr(start, end - start));
    if (newline == std::string::npos || std::to_string(arguments.size()) != record.substr(0, newline))
        return {"<malformed record>"};
    return arguments;
}

bool WaitForLaunch()
{
    return QTest::qWaitFor([] { return std::filesystem::exists(g_pSandbox->Received()); }, 10000);
}

void Click(CDlg& page, int id)
{
    QTest::mouseClick(qobject_cast<QPushButton*>(page.GetDlgItem(id)), Qt::LeftButton);
    WaitForSearch(page);
}

} // namespace

class ShellLauncherTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        std::filesystem::remove(g_pSandbox->Received());
        m_messages = std::make_unique<MessageRecorder>();
    }
    void cleanup() { m_messages.reset(); }

    void theRegisteredPlayerReceivesExactlyTheClipsPath()
    {
        TestStore store;
        const std::string name = "Sr clip 'single' \"double\" $(touch injected) `touch ticks`; x.asf";
        const std::string path = store.AddClip("Recording", name, "2006/03/14 10:00");
        auto page = ShowPage(store.Device());

        Click(*page, 1015);
        QVERIFY(WaitForLaunch());
        QCOMPARE(ReceivedArguments(), std::vector<std::string>{path});
        QVERIFY(m_messages->Texts().empty());
        for (const std::string& folder : {g_pSandbox->Cwd(), store.Folder("Recording")}) {
            QVERIFY(!std::filesystem::exists(folder + "/injected"));
            QVERIFY(!std::filesystem::exists(folder + "/ticks"));
        }
    }

    void aNameThatIsNotUtf8ReachesThePlayerByteForByte()
    {
        TestStore store;
        const std::string path = store.AddClip("Recording", "Sr\xff\xfe odd.asf", "2006/03/14 10:00");
        GioShellLauncher launcher;
        QCOMPARE(OffTheWindowThread([&] { return launcher.Open(path); }), ShellLauncher::Result::Launched);
        QVERIFY(WaitForLaunch());
        QCOMPARE(ReceivedArguments(), std::vector<std::string>{path});
    }

    void aMissingFileFailsWithoutBlamingTheAssociation()
    {
        TestStore store;
        GioShellLauncher launcher;
        QCOMPARE(OffTheWindowThread([&] { return launcher.Open(store.Folder("Recording") + "/Sr-gone.asf"); }),
                 ShellLauncher::Result::Failed);
        QCOMPARE(OffTheWindowThread([&] { return launcher.Explore(store.Folder("Missing")); }),
                 ShellLauncher::Result::Failed);
    }

    void withoutAnyHandlerPlaybackAndExploreSaySo()
    {
        TestStore store;
        std::filesystem::copy_file(std::string(CLIPSCOUT_TEST_DATA) + "/mjpeg.avi",
                                   store.Folder("Recording") + "/Sr0001.avi");
        auto page = ShowPage(store.Device());
        QCOMPARE(page->m_nFiles, 1);

        Click(*page, 1015);
        QTRY_COMPARE(m_messages->Texts(), std::vector<std::string>{"Unable to play ASF file"});
        Click(*page, 1017);
        QTRY_COMPARE(m_messages->Texts(),
                     (std::vector<std::string>{"Unable to play ASF file", "Unable to open the document"}));
        QTest::qWait(200);
        QVERIFY(!std::filesystem::exists(g_pSandbox->Received()));
    }

private:
    std::unique_ptr<MessageRecorder> m_messages;
};

int main(int argc, char** argv)
try {
    // GIO reads the XDG folders once, on first use: set them before anything
    // can touch it.
    XdgSandbox sandbox;
    g_pSandbox = &sandbox;
    QApplication app(argc, argv);
    ShellLauncherTest test;
    return QTest::qExec(&test, argc, argv);
} catch (const std::exception& e) {
    std::fprintf(stderr, "ShellLauncherTest: %s\n", e.what());
    return 1;
}

#include "ShellLauncherTest.moc"
