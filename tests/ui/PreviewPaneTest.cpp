// Mouse events take the window system's path, so that a right click opens
// the context menu as a real one does.
#define QTEST_QPA_MOUSE_HANDLING

#include "search_page/PreviewPane.h"
#include "platform/ui/CTreeCtrl.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "support/PageTestKit.h"
#include "support/ReadFile.h"
#include "tree_sheet/CTreeSheet.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <map>
#include <memory>

namespace {

const std::string kData = CLIPSCOUT_TEST_DATA;

// Two real clips around one that holds no picture, all listed by a first search.
void FillStore(const TestStore& store)
{
    const std::string clip = ReadFile(kData + "/clip-trailer.asf");
    TestStore::Write(store.Folder("Recording") + "/Sr0001.asf", clip);
    store.AddClip("Recording", "Sr0002.asf", "2006/03/14 11:00");
    TestStore::Write(store.Folder("Recording") + "/Sr0003.asf", clip);
}

PreviewPane* Pane(const QWidget& page)
{
    return page.findChild<PreviewPane*>(QStringLiteral("preview"));
}

int RowOf(const MyListCtrl& list, const std::string& name)
{
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, 0) == name)
            return row;
    qFatal("no row %s", name.c_str());
}

void ClickRow(MyListCtrl& list, int row)
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.GetItemRect(row, LVIR_BOUNDS).topLeft() + QPoint(10, MyListCtrl::kRowHeight / 2));
    // The list hands the click to the page as a queued call.
    QCoreApplication::processEvents();
}

// The geometry of every control of the page, by identifier.
std::map<QString, QRect> Controls(const QWidget& page)
{
    std::map<QString, QRect> controls;
    for (const QWidget* child : page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->objectName().toInt() != 0)
            controls[child->objectName()] = child->geometry();
    return controls;
}

QString Path(const TestStore& store, const char* name)
{
    return QString::fromStdString(store.Folder("Recording") + "/" + name);
}

void WaitPastTheDelay()
{
    QTest::qWait(PreviewPane::kDelayMs + 300);
}

} // namespace

class PreviewPaneTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The user's settings go to a test folder, turned on to start with.
        QStandardPaths::setTestModeEnabled(true);
        QFile::remove(PreviewPane::SettingsFile());
    }

    void previewFollowsTheCurrentRowAfterTheDelay()
    {
        TestStore store;
        FillStore(store);
        auto page = ShowPage(store.Device());
        MyListCtrl& list = *List(*page);
        PreviewPane& pane = *Pane(*page);
        QSignalSpy shown(&pane, &PreviewPane::Shown);
        const std::map<QString, QRect> before = Controls(*page);
        QCOMPARE(list.GetItemCount(), 3);

        // Opening the page and its search show nothing.
        WaitPastTheDelay();
        QVERIFY(!pane.isVisible());

        // A click: nothing at once, the clip's first frame after the delay,
        // filling the box, clear of the current row, over the list's right part.
        const int first = RowOf(list, "Sr0001.asf");
        ClickRow(list, first);
        QVERIFY(!pane.isVisible());
        QTRY_VERIFY(pane.isVisible());
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.last().at(0).toString(), Path(store, "Sr0001.asf"));
        QCOMPARE(pane.pixmap().size().width() * 3, pane.pixmap().size().height() * 4);
        const QRect rowOnPage =
            list.GetItemRect(first, LVIR_BOUNDS).translated(list.viewport()->mapTo(page.get(), QPoint()));
        QVERIFY(!pane.geometry().intersects(rowOnPage));
        QVERIFY(list.geometry().contains(pane.geometry()));
        QVERIFY(pane.geometry().right() > list.geometry().center().x());

        // Rows passed on the way within the delay are never shown; the one
        // the keys stop on is.
        ClickRow(list, 0);
        QVERIFY(!pane.isVisible() || first == 0);
        QTest::keyClick(&list, Qt::Key_Down);
        QVERIFY(!pane.isVisible());
        QTest::keyClick(&list, Qt::Key_Down);
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(shown.last().at(0).toString(), Path(store, list.GetItemText(2, 0).c_str()));
        WaitPastTheDelay();
        QCOMPARE(shown.size(), 2);

        // The clip without a picture says so, with no message box.
        ClickRow(list, RowOf(list, "Sr0002.asf"));
        QTRY_COMPARE(shown.size(), 3);
        QVERIFY(pane.isVisible());
        QCOMPARE(pane.text(), QString("No preview"));
        QVERIFY(pane.pixmap().isNull());

        // Escape takes it away and leaves the page open.
        QTest::keyClick(&list, Qt::Key_Escape);
        QVERIFY(!pane.isVisible());
        QVERIFY(page->isVisible());
        WaitPastTheDelay();
        QVERIFY(!pane.isVisible());

        // So does a search, and it does not come back by itself.
        ClickRow(list, RowOf(list, "Sr0003.asf"));
        QTRY_VERIFY(pane.isVisible());
        QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("1013")), Qt::LeftButton);
        QVERIFY(!pane.isVisible());
        WaitForSearch(*page);
        WaitPastTheDelay();
        QVERIFY(!pane.isVisible());

        QVERIFY(Controls(*page) == before);
    }

    void previewGoesOnAPageSwitch()
    {
        TestStore store;
        FillStore(store);
        TreeSheet::CTreeSheet sheet(std::string("File Manager"), nullptr, 0);
        sheet.m_psh.dwFlags &= ~PSH_HASHELP;
        CDlg first(store.Device(), TestUiSetting());
        CDlg second("Other", TestUiSetting());
        sheet.AddPage(&first);
        sheet.AddPage(&second);
        sheet.Create();
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        WaitForSearch(first);

        MyListCtrl& list = *List(first);
        PreviewPane& pane = *Pane(first);
        ClickRow(list, RowOf(list, "Sr0001.asf"));
        QTRY_VERIFY(pane.isVisible());

        CTreeCtrl& tree = *sheet.GetPageTree();
        const auto pageItem = [&tree](const char* title) {
            return tree.findItems(title, Qt::MatchExactly | Qt::MatchRecursive).first();
        };
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(pageItem("Other")).center());
        QTRY_VERIFY(second.isVisible());
        QVERIFY(!pane.isVisible());
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                          tree.visualItemRect(pageItem(store.Device().c_str())).center());
        QTRY_VERIFY(first.isVisible());
        WaitPastTheDelay();
        QVERIFY(!pane.isVisible());
    }

    void previewsTurnOffFromTheListsMenuAndStayOff()
    {
        TestStore store;
        FillStore(store);
        auto page = ShowPage(store.Device());
        MyListCtrl& list = *List(*page);
        QSignalSpy shown(Pane(*page), &PreviewPane::Shown);

        const auto toggleFromMenu = [&list]() {
            QTest::mouseClick(list.viewport(), Qt::RightButton, {}, QPoint(20, 20));
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            QCOMPARE(menu->objectName(), QString("previewMenu"));
            QAction* show = menu->actions().first();
            QCOMPARE(show->text(), QString("Show Preview"));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(show).center());
            QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        };
        toggleFromMenu();
        QVERIFY(!Pane(*page)->PreviewsOn());
        ClickRow(list, RowOf(list, "Sr0001.asf"));
        WaitPastTheDelay();
        QVERIFY(!Pane(*page)->isVisible());
        QCOMPARE(shown.size(), 0);

        // A page made later, as in the next run, starts with them off.
        page.reset();
        page = ShowPage(store.Device());
        QVERIFY(!Pane(*page)->PreviewsOn());
        QVERIFY(QFile::exists(PreviewPane::SettingsFile()));

        MyListCtrl& again = *List(*page);
        QTest::mouseClick(again.viewport(), Qt::RightButton, {}, QPoint(20, 20));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr && !menu->actions().first()->isChecked());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().first()).center());
        QVERIFY(Pane(*page)->PreviewsOn());
        ClickRow(again, RowOf(again, "Sr0001.asf"));
        QTRY_VERIFY(Pane(*page)->isVisible());
    }

private:
    MessageRecorder m_messages;
};

QTEST_MAIN(PreviewPaneTest)
#include "PreviewPaneTest.moc"
