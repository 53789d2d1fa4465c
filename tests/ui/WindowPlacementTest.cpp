#include "platform/ui/WindowPlacement.h"
#include "platform/ui/CPropertySheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

void WriteState(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Whether the window lies within the screen's free area, no larger than it.
bool FitsTheScreen(const QWidget& window)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    return area.contains(window.geometry());
}

} // namespace

class WindowPlacementTest : public QObject {
    Q_OBJECT

private slots:
    void aKeptSizeIsFittedToTheScreenAndNeverSavedLarger()
    {
        const QTemporaryDir dir;
        const QString state = dir.filePath(QStringLiteral("state.conf"));
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const WindowPlacement placement(state);

        // Kept on a 4K monitor, and one no screen has; the other keys stay.
        for (const QByteArray& size : {QByteArrayLiteral("3840 2160"), QByteArrayLiteral("32767 32767")}) {
            WriteState(state, "[General]\nViewerIni=/srv/Viewdeck.ini\n\n[Window]\nSize=@Size(" + size +
                                  ")\nMaximized=false\n");
            CPropertySheet window("File Manager");
            QVERIFY(window.Create());
            const QSize least = window.minimumSize();
            WindowPlacement::Restore(window, placement.Read());
            QVERIFY2(FitsTheScreen(window), qPrintable(size));
            QCOMPARE(window.size(), area.size());
            // As tall as the free area: maximised, so that its frame fits too.
            QVERIFY(window.windowState().testFlag(Qt::WindowMaximized));
            QCOMPARE(window.minimumSize(), least.boundedTo(area.size()));
            placement.Write(WindowPlacement::Of(window));
            const QSettings saved(state, QSettings::IniFormat);
            QCOMPARE(saved.value(QStringLiteral("Window/Size")).toSize(), area.size());
            QCOMPARE(saved.value(QStringLiteral("ViewerIni")).toString(), QStringLiteral("/srv/Viewdeck.ini"));
        }

        // A window whose least size is larger than the screen comes down to
        // the screen, kept size or none.
        for (const QByteArray& kept : {QByteArrayLiteral("[Window]\nSize=@Size(10 10)\n"), QByteArray()}) {
            WriteState(state, kept);
            CPropertySheet window("File Manager");
            QVERIFY(window.Create());
            window.setMinimumSize(area.size() + QSize(300, 200));
            window.resize(window.minimumSize());
            WindowPlacement::Restore(window, placement.Read());
            QVERIFY(FitsTheScreen(window));
            QCOMPARE(window.size(), area.size());
            QVERIFY(window.windowState().testFlag(Qt::WindowMaximized));
        }

        // A size that fits is the size the window gets, centred on the screen,
        // maximised only when it was.
        for (const bool maximized : {true, false}) {
            CPropertySheet window("File Manager");
            QVERIFY(window.Create());
            const QSize fits = (window.minimumSize().boundedTo(area.size()) + area.size()) / 2;
            WriteState(state, "[Window]\nSize=@Size(" + QByteArray::number(fits.width()) + ' ' +
                                  QByteArray::number(fits.height()) + ")\nMaximized=" + (maximized ? "true" : "false") +
                                  "\n");
            WindowPlacement::Restore(window, placement.Read());
            QCOMPARE(window.size(), fits);
            QVERIFY(FitsTheScreen(window));
            QCOMPARE(window.windowState().testFlag(Qt::WindowMaximized), maximized);
        }
    }

    void aStateFileThatIsNoRegularFileIsIgnoredWithoutWaiting()
    {
        const QTemporaryDir dir;
        // The window keeps the size it was made with, and a size written
        // over it goes nowhere.
        const auto ignored = [](const QString& state) {
            const WindowPlacement placement(state);
            CPropertySheet window("File Manager");
            QVERIFY(window.Create());
            const QSize made = window.size();
            WindowPlacement::Restore(window, placement.Read());
            QCOMPARE(window.size(), made.boundedTo(QGuiApplication::primaryScreen()->availableGeometry().size()));
            window.resize(window.size() + QSize(1, 1));
            placement.Write(WindowPlacement::Of(window));
        };
        const QString folder = dir.filePath(QStringLiteral("folder.conf"));
        QVERIFY(QDir().mkpath(folder));
        ignored(folder);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(QFileInfo(folder).isDir());

#ifndef _WIN32
        const QString fifo = dir.filePath(QStringLiteral("fifo.conf"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Should a read wait on the FIFO after all, a writer that comes after
        // a while lets each such read go, and the test fails instead of
        // hanging.
        std::atomic<bool> done{false};
        std::atomic<bool> released{false};
        std::thread watchdog([&] {
            for (int i = 0; i < 100 && !done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            while (!done) {
                const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    released = true;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        ignored(fifo);
        done = true;
        watchdog.join();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!released);
        struct stat st { };
        QCOMPARE(::lstat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
#endif
    }
};

QTEST_MAIN(WindowPlacementTest)
#include "WindowPlacementTest.moc"
