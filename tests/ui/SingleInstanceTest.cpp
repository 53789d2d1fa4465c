#include "platform/ui/InstanceChannel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int kStartTimeoutMs = 30000;

// Copies of the real program sharing one private runtime folder, and the note
// in which a running copy records each request to come forward.
class Copies {
public:
    Copies()
    {
        QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert("QT_QPA_PLATFORM", "offscreen");
        m_environment.insert("XDG_RUNTIME_DIR", m_runtime.path());
        m_environment.insert("CLIPSCOUT_FOREGROUND_NOTE", Note());
        m_environment.remove("XDG_ACTIVATION_TOKEN");
        m_environment.remove("DESKTOP_STARTUP_ID");
    }

    std::unique_ptr<QProcess> Start(const QString& token = {}) const
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = m_environment;
        if (!token.isEmpty())
            environment.insert("XDG_ACTIVATION_TOKEN", token);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(CLIPSCOUT_EXECUTABLE), {});
        return process;
    }

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

    QStringList NoteLines() const
    {
        QFile note(Note());
        if (!note.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(note.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QString Channel() const { return m_runtime.filePath("{Veltrane-QX7100-Clipscout}.socket"); }
    QString Note() const { return m_notes.filePath("note"); }

private:
    QTemporaryDir m_runtime{QDir::tempPath() + "/cs-XXXXXX"};
    QTemporaryDir m_notes;
    QProcessEnvironment m_environment;
};

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void secondStartBringsTheFirstForwardAndEnds();
    void markerGoesWithAKilledCopy();
};

void SingleInstanceTest::secondStartBringsTheFirstForwardAndEnds()
{
    const Copies copies;
    const auto first = copies.Start();
    QVERIFY(first->waitForStarted());
    QVERIFY(copies.WaitForRunningCopy());

    QElapsedTimer timer;
    timer.start();
    const auto second = copies.Start(QStringLiteral("token-42"));
    QVERIFY(second->waitForFinished(kStartTimeoutMs));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    // It ended without building a sheet of its own: the first copy still runs
    // and still answers, and it got the request with the second copy's token.
    QCOMPARE(first->state(), QProcess::Running);
    QTRY_COMPARE(copies.NoteLines().count(QStringLiteral("foreground token-42")), 1);
    QVERIFY(copies.RunningCopyAnswers());

    // Once the first copy has ended, a new start runs normally.
    first->terminate();
    QVERIFY(first->waitForFinished(kStartTimeoutMs));
    QVERIFY(!copies.RunningCopyAnswers());
    const auto third = copies.Start();
    QVERIFY(copies.WaitForRunningCopy());
    QCOMPARE(third->state(), QProcess::Running);
    third->kill();
    QVERIFY(third->waitForFinished(kStartTimeoutMs));
}

void SingleInstanceTest::markerGoesWithAKilledCopy()
{
    const Copies copies;
    const auto first = copies.Start();
    QVERIFY(copies.WaitForRunningCopy());
    first->kill();
    QVERIFY(first->waitForFinished(kStartTimeoutMs));

    // The killed copy left its socket behind but not its marker: the next
    // copy is not taken for a second one and answers in its place.
    QVERIFY(QFile::exists(copies.Channel()));
    const auto next = copies.Start();
    QVERIFY(copies.WaitForRunningCopy());
    QCOMPARE(next->state(), QProcess::Running);
    next->kill();
    QVERIFY(next->waitForFinished(kStartTimeoutMs));
}

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
