// Mouse events take the window system's path, so that a right click opens
// the context menu as a real one does.
#define QTEST_QPA_MOUSE_HANDLING

#include "catalog/ScanSeam.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "search_page/SearchSummary.h"
#include "support/PageTestKit.h"
#include "support/ReadFile.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <chrono>
#include <thread>

namespace {

void Press(MyListCtrl& list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, OnRow(list, row));
    QCoreApplication::processEvents();
}

// Right-clicks the viewport at point, picks the menu entry called text and
// returns the menu's entries as they were offered, each with its key after a
// tab.
QStringList ChooseFromMenu(MyListCtrl& list, QPoint point, const QString& text)
{
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, point);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr || menu->objectName() != QStringLiteral("rowMenu"))
        qFatal("no row menu");
    QStringList offered;
    QAction* chosen = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const QString keys = action->shortcut().toString();
        offered << action->text() + (keys.isEmpty() ? QString() : QLatin1Char('\t') + keys) +
                       (action->isEnabled() ? QString() : QStringLiteral(" (off)"));
        if (action->text() == text)
            chosen = action;
    }
    if (chosen == nullptr || !chosen->isEnabled())
        QTest::keyClick(menu, Qt::Key_Escape);
    else
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
    QCoreApplication::processEvents();
    return offered;
}

} // namespace

class RowActionsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_messages = std::make_unique<MessageRecorder>();
        m_launcher = std::make_unique<RecordingLauncher>();
    }
    void cleanup()
    {
        m_launcher.reset();
        m_messages.reset();
    }

    void theMenuActsOnTheSelectionOrMakesTheRowUnderThePointerCurrent()
    {
        TestStore store;
        for (int i = 1; i <= 4; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf",
                          "2006/03/14 1" + std::to_string(i) + ":00");
        const std::string folder = store.Folder("Recording");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl& list = *List(*page);
        Press(list, 0);
        Press(list, 2, Qt::ControlModifier);

        // On a selected row: the whole selection.
        const QStringList offered = ChooseFromMenu(list, OnRow(list, 0), QStringLiteral("Show in Folder"));
        QCOMPARE(offered,
                 (QStringList{"Play\tEnter", "Show in Folder", "Copy Path\tCtrl+C", "Export to Folder...\tCtrl+E",
                              "Move to Trash\tDel", "Delete Permanently...\tShift+Del", "Show Preview"}));
        QCOMPARE(page->m_nCurrentRow, 0);
        const std::vector<std::vector<std::string>> shown = {{folder + "/Sr0001.asf", folder + "/Sr0003.asf"}};
        QCOMPARE(m_launcher->Shown(), shown);

        // On a row outside it: that row alone, made current first.
        ChooseFromMenu(list, OnRow(list, 3), QStringLiteral("Play"));
        QCOMPARE(page->m_nCurrentRow, 3);
        QTRY_COMPARE(m_launcher->Opened(), std::vector<std::string>{folder + "/Sr0004.asf"});
        ChooseFromMenu(list, OnRow(list, 3), QStringLiteral("Copy Path"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(folder + "/Sr0004.asf"));
        ChooseFromMenu(list, OnRow(list, 3), QStringLiteral("Delete Permanently..."));
        QCOMPARE(m_messages->Questions(), std::vector<std::string>{"Delete Sr0004.asf permanently?"});
        std::vector<std::string> choosers;
        page->UseFolderChooser([&choosers](QWidget*, const std::string& title, const std::string&) {
            choosers.push_back(title);
            return std::optional<std::string>();
        });
        ChooseFromMenu(list, OnRow(list, 1), QStringLiteral("Export to Folder..."));
        // The chooser opens once the last export's folder is read.
        QTRY_COMPARE(choosers, std::vector<std::string>{"Export to Folder"});
        QCOMPARE(page->m_nCurrentRow, 1);

        // Without a file manager the folder is explored, as Explore does it:
        // off the window's thread, saying so where nothing can show it.
        m_launcher->SetResult(ShellLauncher::Result::NoAssociation);
        ChooseFromMenu(list, OnRow(list, 1), QStringLiteral("Show in Folder"));
        QCOMPARE(m_launcher->Shown().back(), std::vector<std::string>{folder + "/Sr0002.asf"});
        QTRY_COMPARE(m_messages->Texts(), std::vector<std::string>{"Unable to open the document"});
        QCOMPARE(m_launcher->Explored(), std::vector<std::string>{folder});

        // The Menu key opens it for the current row; "Show Preview" toggles.
        // As the window system hands the Menu key on: to the window, which
        // passes it to the focus widget.
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5), page->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(page->windowHandle(), &menuKey);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        QVERIFY(list.viewport()->rect().contains(list.viewport()->mapFromGlobal(menu->pos())));
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);

        // Without rows nothing but the preview choice is offered.
        for (const char* name : {"Sr0001.asf", "Sr0002.asf", "Sr0003.asf", "Sr0004.asf"})
            std::filesystem::remove(folder + "/" + std::string(name));
        QTest::mouseClick(Item<QPushButton>(*page, 1013), Qt::LeftButton);
        WaitForSearch(*page);
        QCOMPARE(ChooseFromMenu(list, QPoint(20, 20), QStringLiteral("Play")),
                 (QStringList{"Play\tEnter (off)", "Show in Folder (off)", "Copy Path\tCtrl+C (off)",
                              "Export to Folder...\tCtrl+E (off)", "Move to Trash\tDel (off)",
                              "Delete Permanently...\tShift+Del (off)", "Show Preview"}));
        QCOMPARE(m_launcher->Opened().size(), std::size_t(1));
    }

    void copiedUrisLeadToTheFilesAsTheSystemReadsThem()
    {
        // A space and a '#' must be escaped, and on Windows the drive or the
        // share must come out as a file manager reads it, not as a host.
        TestStore store;
        store.AddClip("Recording", "Sr 0001 #1.asf", "2006/03/14 10:00");
        store.AddClip("Recording", "Sr0002.asf", "2006/03/14 11:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl& list = *List(*page);
        Press(list, 0);
        Press(list, 1, Qt::ShiftModifier);
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data != nullptr);
        const QList<QByteArray> uris = data->data(QStringLiteral("text/uri-list")).split('\n');
        QCOMPARE(uris.size(), 3); // the last line's end, then nothing
        for (int i = 0; i < 2; ++i) {
            const QUrl url = QUrl::fromEncoded(uris[i].trimmed(), QUrl::StrictMode);
            QVERIFY2(url.isValid() && url.isLocalFile(), uris[i].constData());
            const QFileInfo file(url.toLocalFile());
            QVERIFY2(file.isFile(), qPrintable(url.toLocalFile()));
            QCOMPARE(file.fileName(), QString::fromStdString(list.GetItemText(i, 0)));
        }
    }

    void ctrlCPutsTheFullPathsOnTheClipboardAsTextAndAsUris()
    {
#ifdef _WIN32
        QSKIP("its names hold control characters and bytes that are not UTF-8, which a Windows name cannot");
#endif
        TestStore store;
        const std::string odd = "Sr\xff odd #1.asf";
        store.AddClip("Recording", odd, "2006/03/14 10:00");
        store.AddClip("Recording", "Sr0002.asf", "2006/03/14 11:00");
        store.AddClip("Recording", "Sr0003.asf", "2006/03/14 12:00");
        const std::string controls = "Sr\xffz\x1b[2J\n\r\xc2\x9b'\\\xc3\xa9.asf";
        store.AddClip("Recording", controls, "2006/03/14 13:00");
        const std::string folder = store.Folder("Recording");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl& list = *List(*page);
        QCOMPARE(list.GetItemText(2, 0), odd);
        QCOMPARE(list.GetItemText(3, 0), controls);
        Press(list, 1);
        Press(list, 2, Qt::ShiftModifier);

        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data != nullptr);
        // A name the text could not carry as it is comes in the shell's
        // quoting, which still names the file; the others stay as they are.
        QCOMPARE(data->text(), QString::fromUtf8(folder + "/Sr0003.asf\n$'" + folder + "/Sr\\xff odd #1.asf'"));
        const QByteArray encodedFolder = QByteArray::fromStdString(folder).toPercentEncoding("/");
        QCOMPARE(data->data(QStringLiteral("text/uri-list")),
                 "file://" + encodedFolder + "/Sr0003.asf\r\nfile://" + encodedFolder + "/Sr%FF%20odd%20%231.asf\r\n");

        // A press on one of the selected rows keeps them all, for a drag to
        // take; let go without a drag, it leaves that row alone selected.
        QTest::mousePress(list.viewport(), Qt::LeftButton, {}, OnRow(list, 2));
        QCoreApplication::processEvents();
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text().count(QLatin1Char('\n')), 1);
        QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, OnRow(list, 2));
        QCoreApplication::processEvents();
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8("$'" + folder + "/Sr\\xff odd #1.asf'"));

        // Control characters, C1 ones too, never reach the text as they are.
        Press(list, 3);
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString::fromUtf8("$'" + folder + "/Sr\\xffz\\x1b[2J\\x0a\\x0d\\xc2\\x9b\\'\\\\\xc3\xa9.asf'"));
    }

    void theStripLeftOfSearchTellsHowManyWereFoundAndTheirSize()
    {
        TestStore store;
        // Three clips of 400,000 bytes: padding between header and trailer.
        for (int i = 1; i <= 3; ++i) {
            const std::string path =
                store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:00");
            std::string clip = ReadFile(path);
            clip.insert(clip.size() - 50, 400'000 - clip.size(), '\0');
            TestStore::Write(path, clip);
            // Examined by a search of motion detections, never listed by one.
            store.AddClip("MotionDetection", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:00");
        }
        auto page = ShowPage(store.Device(), m_launcher.get());
        auto* summary = Item<QLabel>(*page, 1028);
        auto* progress = Item<QLabel>(*page, 1026);
        QCOMPARE(summary->text(), QString("3 recordings, 1.2 MB"));
        QVERIFY(summary->isVisible());
        QCOMPARE(summary->geometry(), progress->geometry());
        QVERIFY(summary->geometry().right() < Item<QPushButton>(*page, 1013)->geometry().left());

        // A slow search (each file, on whichever thread, takes long) shows its
        // progress in the same place, then what it found.
        ScanSeam::SetBeforeFile(
            [](const ScanControl*, std::size_t) { std::this_thread::sleep_for(std::chrono::milliseconds(600)); });
        Item<QComboBox>(*page, 1020)->setCurrentIndex(3);
        QTest::mouseClick(Item<QPushButton>(*page, 1013), Qt::LeftButton);
        QTRY_VERIFY(progress->isVisible());
        QVERIFY(!summary->isVisible());
        WaitForSearch(*page);
        ScanSeam::SetBeforeFile({});
        QVERIFY(!progress->isVisible());
        QVERIFY(summary->isVisible());
        QCOMPARE(summary->text(), QString("No recordings"));

        QCOMPARE(SearchSummary::Text(1, 512), std::string("1 recording, 512 bytes"));
    }

private:
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<RecordingLauncher> m_launcher;
};

QTEST_MAIN(RowActionsTest)
#include "RowActionsTest.moc"
