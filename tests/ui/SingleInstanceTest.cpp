#include "app/CSingleInstanceGuard.h"
#include "platform/ui/InstanceChannel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kStartTimeoutMs = 30000;

// Changes an environment variable of this process for the life of the object.
class EnvironmentChange {
public:
    EnvironmentChange(const char* name, const QByteArray& value) : m_name(name), m_old(qgetenv(name))
    {
        m_bHad = qEnvironmentVariableIsSet(name);
        qputenv(name, value);
    }
    ~EnvironmentChange()
    {
        if (m_bHad)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_bHad = false;
};

// A private runtime folder for guards made in this process.
class PrivateRuntime {
public:
    PrivateRuntime() { ::chmod(Path().constData(), 0700); }
    QByteArray Path() const { return QFile::encodeName(m_dir.path()); }

private:
    QTemporaryDir m_dir{QDir::tempPath() + "/cs-XXXXXX"};
    EnvironmentChange m_runtime{"XDG_RUNTIME_DIR", Path()};
};

// Asks from another thread, as a new copy would, while this thread's loop
// lets the running side answer.
bool AskFrom(const CSingleInstanceGuard& guard)
{
    auto answer = std::async(std::launch::async, [&guard] { return guard.BringRunningInstanceForward(); });
    while (answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return answer.get();
}

// A started copy and the lines it has printed; killed if it still runs at
// the end of the test.
class Copy {
public:
    explicit Copy(std::unique_ptr<QProcess> process) : m_pProcess(std::move(process)) { }
    Copy(Copy&&) = default;
    ~Copy()
    {
        if (m_pProcess && m_pProcess->state() != QProcess::NotRunning) {
            m_pProcess->kill();
            m_pProcess->waitForFinished(kStartTimeoutMs);
        }
    }

    QProcess& Process() const { return *m_pProcess; }
    bool WaitForLine(const QString& line)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            while (m_pProcess->canReadLine())
                m_lines << QString::fromUtf8(m_pProcess->readLine()).trimmed();
            if (m_lines.contains(line))
                return true;
            if (timer.elapsed() > kStartTimeoutMs || m_pProcess->state() == QProcess::NotRunning)
                return false;
            m_pProcess->waitForReadyRead(100);
        }
    }

private:
    std::unique_ptr<QProcess> m_pProcess;
    QStringList m_lines;
};

// Copies of the program started as from different shells: no runtime folder,
// and each with a temporary folder of its own, so the marker and the channel
// lie in the cache folder they share.
class Copies {
public:
    Copies()
    {
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert("QT_QPA_PLATFORM", "offscreen");
        m_environment.remove("XDG_RUNTIME_DIR");
        m_environment.insert("XDG_CACHE_HOME", m_home.filePath("cache"));
        m_environment.remove("XDG_ACTIVATION_TOKEN");
        m_environment.remove("DESKTOP_STARTUP_ID");
    }

    // The program itself.
    Copy Start(const QString& token = {}) const { return Copy(Launch(CLIPSCOUT_EXECUTABLE, token)); }
    // The program with the watch on its window.
    Copy StartWatched() const { return Copy(Launch(CLIPSCOUT_INSTANCE_HOST, {})); }

    // Asks as a new copy would; true once a running copy answers.
    bool RunningCopyAnswers() const
    {
        return InstanceChannel::QueryAndRaise(Channel().toStdString(), 0x529, 200, "", "");
    }

    bool WaitForRunningCopy() const
    {
        QElapsedTimer timer;
        timer.start();
        while (!RunningCopyAnswers()) {
            if (timer.elapsed() > kStartTimeoutMs)
                return false;
            QTest::qWait(50);
        }
        return true;
    }

    QString Channel() const { return m_home.filePath("cache/clipscout/{Veltrane-QX7100-Clipscout}.socket"); }

private:
    std::unique_ptr<QProcess> Launch(const char* program, const QString& token) const
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = m_environment;
        environment.insert("TMPDIR", m_home.filePath(QString("tmp%1").arg(++m_nStarted)));
        QDir(m_home.path()).mkpath(environment.value("TMPDIR"));
        if (!token.isEmpty())
            environment.insert("XDG_ACTIVATION_TOKEN", token);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setReadChannel(QProcess::StandardOutput);
        process->start(QString::fromUtf8(program), {});
        return process;
    }

    QTemporaryDir m_home{QDir::tempPath() + "/cs-XXXXXX"};
    QProcessEnvironment m_environment;
    mutable int m_nStarted = 0;
};

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void onlyAMarkerHeldByAnotherCopyMeansOneRuns();
    void guardAnswersOnlyWhileItHoldsTheMarker();
    void secondStartBringsTheFirstForwardAndEnds();
    void markerGoesWithAKilledCopy();
    void floodLeavesTheChannelAnswering();
};

void SingleInstanceTest::onlyAMarkerHeldByAnotherCopyMeansOneRuns()
{
    const PrivateRuntime runtime;
    QTemporaryDir cacheHome;
    const EnvironmentChange cache("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));
    {
        const CSingleInstanceGuard first("{Guard-Test}");
        QCOMPARE(first.m_dwCreateError, 0u);
        QVERIFY(!first.AnotherInstanceExists());
        const CSingleInstanceGuard second("{Guard-Test}");
        QCOMPARE(second.m_dwCreateError, 183u);
        QVERIFY(second.AnotherInstanceExists());
    }
    // A marker that cannot be made, for whatever reason, lets the program
    // start as if it were alone.
    QVERIFY(QDir(runtime.Path()).mkdir("{Guard-Broken}.lock"));
    const CSingleInstanceGuard broken("{Guard-Broken}");
    QCOMPARE(broken.m_dwCreateError, 110u);
    QVERIFY(!broken.AnotherInstanceExists());

    ::chmod(runtime.Path().constData(), 0755);
    QFile squatter(cacheHome.filePath("clipscout"));
    QVERIFY(squatter.open(QIODevice::WriteOnly));
    const CSingleInstanceGuard homeless("{Guard-Test}");
    QCOMPARE(homeless.m_dwCreateError, 3u);
    QVERIFY(!homeless.AnotherInstanceExists());
}

void SingleInstanceTest::guardAnswersOnlyWhileItHoldsTheMarker()
{
    const PrivateRuntime runtime;
    CSingleInstanceGuard running("{Guard-Test}");
    CSingleInstanceGuard second("{Guard-Test}");
    bool isCopy = false;
    std::vector<unsigned> queries;
    int forward = 0;
    const auto answer = [&](unsigned message) {
        queries.push_back(message);
        return isCopy ? static_cast<long>(message) : 0L;
    };
    QVERIFY(!second.AnswerInstanceQueries(answer, [&] { ++forward; }));
    QVERIFY(!second.IsAnswering());
    QVERIFY(running.AnswerInstanceQueries(answer, [&] { ++forward; }));
    QVERIFY(running.IsAnswering());

    // A window that does not answer as a running copy is not brought forward.
    QVERIFY(!AskFrom(second));
    isCopy = true;
    QVERIFY(AskFrom(second));
    QCOMPARE(queries, (std::vector<unsigned>{0x529, 0x529}));
    QTRY_COMPARE(forward, 1);

    running.StopAnswering();
    QVERIFY(!AskFrom(second));
    QCOMPARE(forward, 1);

    // Released while this process goes on (as one held by a stuck call
    // does): a new copy is alone and answers in its place.
    QVERIFY(running.AnswerInstanceQueries(answer, [&] { ++forward; }));
    running.Release();
    QVERIFY(!running.IsAnswering());
    CSingleInstanceGuard next("{Guard-Test}");
    QVERIFY(!next.AnotherInstanceExists());
    QVERIFY(next.AnswerInstanceQueries(answer, [&] { ++forward; }));
    QVERIFY(AskFrom(second));
    QTRY_COMPARE(forward, 2);
}

void SingleInstanceTest::secondStartBringsTheFirstForwardAndEnds()
{
    const Copies copies;
    Copy first = copies.StartWatched();
    QVERIFY(first.WaitForLine("minimised"));

    const Copy second = copies.Start(QStringLiteral("token-42"));
    QVERIFY(second.Process().waitForFinished(kStartTimeoutMs));
    QCOMPARE(second.Process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.Process().exitCode(), 0);
    // It ended without a sheet of its own and brought the first forward,
    // handing on its activation token.
    QVERIFY(first.WaitForLine("raised token-42"));
    QCOMPARE(first.Process().state(), QProcess::Running);

    // Once the first copy has ended, a new start runs normally.
    first.Process().terminate();
    QVERIFY(first.Process().waitForFinished(kStartTimeoutMs));
    QVERIFY(!copies.RunningCopyAnswers());
    const Copy third = copies.Start();
    QVERIFY(copies.WaitForRunningCopy());
    QCOMPARE(third.Process().state(), QProcess::Running);
}

void SingleInstanceTest::markerGoesWithAKilledCopy()
{
    const Copies copies;
    const Copy first = copies.Start();
    QVERIFY(copies.WaitForRunningCopy());
    first.Process().kill();
    QVERIFY(first.Process().waitForFinished(kStartTimeoutMs));

    // The killed copy left its socket behind but not its marker: the next
    // copy is not taken for a second one and answers in its place.
    QVERIFY(QFile::exists(copies.Channel()));
    const Copy next = copies.Start();
    QVERIFY(copies.WaitForRunningCopy());
    QCOMPARE(next.Process().state(), QProcess::Running);
}

void SingleInstanceTest::floodLeavesTheChannelAnswering()
{
    const Copies copies;
    Copy first = copies.StartWatched();
    QVERIFY(first.WaitForLine("minimised"));
    // One new start before the flood. (It also lets a sanitizer, which needs
    // descriptors of its own to check a type the first time, see the types
    // involved while there are descriptors to spare.)
    QVERIFY(copies.Start(QStringLiteral("before-flood")).Process().waitForFinished(kStartTimeoutMs));
    QVERIFY(first.WaitForLine("raised before-flood"));

    // Leave the running copy three descriptors beyond those it holds, fewer
    // than it would serve at once.
    const pid_t pid = static_cast<pid_t>(first.Process().processId());
    const auto held = std::distance(std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd"),
                                    std::filesystem::directory_iterator());
    rlimit limit{};
    QCOMPARE(::prlimit(pid, RLIMIT_NOFILE, nullptr, &limit), 0);
    limit.rlim_cur = static_cast<rlim_t>(held + 3);
    QCOMPARE(::prlimit(pid, RLIMIT_NOFILE, &limit, nullptr), 0);

    // Many more connections than that, all kept open and silent.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(copies.Channel());
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()) + 1);
    std::vector<pollfd> flood;
    QElapsedTimer timer;
    timer.start();
    while (flood.size() < 200 && timer.elapsed() < kStartTimeoutMs) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        QVERIFY(fd >= 0);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            flood.push_back({fd, POLLIN, 0});
        } else {
            // The queue is full for a moment; the running copy empties it.
            ::close(fd);
            QTest::qSleep(1);
        }
    }
    QCOMPARE(flood.size(), std::size_t(200));
    QVERIFY(flood.size() > limit.rlim_cur);

    // The running copy sheds them all: each is closed from its side.
    std::size_t closed = 0;
    while (closed < flood.size() && timer.elapsed() < kStartTimeoutMs) {
        ::poll(flood.data(), flood.size(), 100);
        for (pollfd& entry : flood) {
            if (entry.fd >= 0 && entry.revents != 0) {
                char byte = 0;
                QCOMPARE(::read(entry.fd, &byte, 1), ssize_t(0));
                ::close(entry.fd);
                entry.fd = -1;
                ++closed;
            }
        }
    }
    for (const pollfd& entry : flood)
        if (entry.fd >= 0)
            ::close(entry.fd);
    QCOMPARE(closed, flood.size());

    // And a new start still brings it forward.
    const Copy second = copies.Start(QStringLiteral("after-flood"));
    QVERIFY(second.Process().waitForFinished(kStartTimeoutMs));
    QVERIFY(first.WaitForLine("raised after-flood"));
}

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
