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

std::optional<bool> ShowAndWait(ShellLauncher& launcher, const std::vector<std::string>& paths)
{
    std::optional<bool> outcome;
    launcher.ShowItems(paths, [&outcome](bool shown) { outcome = shown; });
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

    void theFileManagerIsAskedToShowTheFilesAndItsSilenceIsReported()
    {
        QDBusConnection service =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("file-manager"));
        FakeFileManager manager;
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));

        GioShellLauncher launcher;
        const std::string folder = "/store/Cam 1/Recording";
        const std::vector<std::string> paths = {folder + "/Sr0001.asf", folder + "/Sr\xff #2.asf"};
        QCOMPARE(ShowAndWait(launcher, paths), std::optional(true));
        QCOMPARE(manager.m_calls.size(), 1);
        QCOMPARE(manager.m_calls.front(), (QStringList{"file:///store/Cam%201/Recording/Sr0001.asf",
                                                       "file:///store/Cam%201/Recording/Sr%FF%20%232.asf"}));

        // Nobody on the bus answers for the file manager: the caller is told,
        // so that it explores the folder off the window's thread.
        QVERIFY(service.unregisterService(QStringLiteral("org.freedesktop.FileManager1")));
        QCOMPARE(ShowAndWait(launcher, paths), std::optional(false));
        QCOMPARE(manager.m_calls.size(), 1);
        QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
    }
};

QTEST_GUILESS_MAIN(ShowInFolderTest)
#include "ShowInFolderTest.moc"
