// Runs on a session bus of its own (dbus-run-session), where the test itself
// is the desktop's file manager, or where none answers.

#include "platform/ui/GioShellLauncher.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

#include <optional>

namespace {

// The freedesktop file-manager interface, answering on a connection of its
// own as another program would.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QList<QStringList> m_calls;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { m_calls << uris; }
};

// The real launcher, with the folder it would explore recorded instead.
class ExploreRecorder : public GioShellLauncher {
public:
    Result Explore(const std::string& folder) override
    {
        m_aExplored.push_back(folder);
        return Result::NoAssociation;
    }
    std::vector<std::string> m_aExplored;
};

std::optional<ShellLauncher::Result> ShowAndWait(ShellLauncher& launcher, const std::vector<std::string>& paths)
{
    std::optional<ShellLauncher::Result> outcome;
    launcher.ShowItems(paths, [&outcome](ShellLauncher::Result result) { outcome = result; });
    if (!QTest::qWaitFor([&outcome] { return outcome.has_value(); }, 15000))
        qWarning("no outcome within 15 s");
    return outcome;
}

} // namespace

class ShowInFolderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QFAIL("no session bus: run under dbus-run-session");
    }

    void theFileManagerIsAskedToShowTheFilesAndWithoutOneTheFolderOpens()
    {
        QDBusConnection service =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("file-manager"));
        FakeFileManager manager;
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));

        ExploreRecorder launcher;
        const std::string folder = "/store/Cam 1/Recording";
        const std::vector<std::string> paths = {folder + "/Sr0001.asf", folder + "/Sr\xff #2.asf"};
        QCOMPARE(ShowAndWait(launcher, paths), std::optional(ShellLauncher::Result::Launched));
        QCOMPARE(manager.m_calls.size(), 1);
        QCOMPARE(manager.m_calls.front(), (QStringList{"file:///store/Cam%201/Recording/Sr0001.asf",
                                                       "file:///store/Cam%201/Recording/Sr%FF%20%232.asf"}));
        QVERIFY(launcher.m_aExplored.empty());

        // Nobody on the bus answers for the file manager: the folder is
        // explored, and its outcome passed on.
        QVERIFY(service.unregisterService(QStringLiteral("org.freedesktop.FileManager1")));
        QCOMPARE(ShowAndWait(launcher, paths), std::optional(ShellLauncher::Result::NoAssociation));
        QCOMPARE(launcher.m_aExplored, std::vector<std::string>{folder});
        QCOMPARE(manager.m_calls.size(), 1);
        QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
    }
};

QTEST_GUILESS_MAIN(ShowInFolderTest)
#include "ShowInFolderTest.moc"
