// Mouse events take the window system's path, so that a right click opens
// the context menu as a real one does.
#define QTEST_QPA_MOUSE_HANDLING

#include "search_page/PreviewPane.h"
#include "platform/ui/CTreeCtrl.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "search_page/ResultRowPainter.h"
#include "support/PageTestKit.h"
#include "support/ReadFile.h"
#include "tree_sheet/CTreeSheet.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#ifdef _WIN32
#include <windows.h>
// After <windows.h>, which it needs.
#include <tlhelp32.h>
#else
#include <unistd.h>
#endif

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

// The decoding helpers of this process that are alive (not dead and
// waiting to be reaped).
int LiveHelpers()
{
    int count = 0;
#ifdef _WIN32
    // A process that has ended is left out of the snapshot, even while a
    // handle keeps it.
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        qFatal("no snapshot of the processes");
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        count += entry.th32ParentProcessID == ::GetCurrentProcessId() &&
                         _wcsicmp(entry.szExeFile, L"clipscout-preview-helper.exe") == 0
                     ? 1
                     : 0;
    ::CloseHandle(snapshot);
#else
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line) || line.find("(clipscout-previ") == std::string::npos)
            continue;
        // pid (name) state parent ...
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        count += parent == ::getpid() && state != 'Z' ? 1 : 0;
    }
#endif
    return count;
}

// A 4:3 picture fitted to a box: the side the fit works out from the other
// is rounded down, so a side may be up to a pixel off 4:3 (105 x 79 is
// 105.33 x 79), never more.
bool FourByThree(QSize size)
{
    if (std::abs(size.width() * 3 - size.height() * 4) < 4)
        return true;
    qWarning("%d x %d is not 4:3", size.width(), size.height());
    return false;
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

        // The search that opens the page makes row 0 current, and row 0 gets
        // its preview after the delay.
        QTRY_COMPARE(shown.size(), 1);
        QCOMPARE(shown.last().at(0).toString(), Path(store, list.GetItemText(0, 0).c_str()));

        // A click on another row: nothing at once, the clip's first frame
        // after the delay, filling the box, clear of the current row, over the
        // list's right part.
        const char* const pictured = RowOf(list, "Sr0001.asf") != 0 ? "Sr0001.asf" : "Sr0003.asf";
        const int first = RowOf(list, pictured);
        ClickRow(list, first);
        QVERIFY(!pane.isVisible());
        QTRY_VERIFY(pane.isVisible());
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.last().at(0).toString(), Path(store, pictured));
        QVERIFY(FourByThree(pane.pixmap().size()));
        const QRect rowOnPage =
            list.GetItemRect(first, LVIR_BOUNDS).translated(list.viewport()->mapTo(page.get(), QPoint()));
        QVERIFY(!pane.geometry().intersects(rowOnPage));
        QVERIFY(list.geometry().contains(pane.geometry()));
        QVERIFY(pane.geometry().right() > list.geometry().center().x());

        // Rows passed on the way within the delay are never shown; the one
        // the keys stop on is.
        ClickRow(list, 0);
        QVERIFY(!pane.isVisible());
        QTest::keyClick(&list, Qt::Key_Down);
        QVERIFY(!pane.isVisible());
        QTest::keyClick(&list, Qt::Key_Down);
        QTRY_COMPARE(shown.size(), 3);
        QCOMPARE(shown.last().at(0).toString(), Path(store, list.GetItemText(2, 0).c_str()));
        WaitPastTheDelay();
        QCOMPARE(shown.size(), 3);

        // The clip without a picture says so, with no message box.
        if (list.GetItemText(2, 0) != "Sr0002.asf") {
            ClickRow(list, RowOf(list, "Sr0002.asf"));
            QTRY_COMPARE(shown.size(), 4);
        }
        QCOMPARE(shown.last().at(0).toString(), Path(store, "Sr0002.asf"));
        QVERIFY(pane.isVisible());
        QCOMPARE(pane.text(), QString("No preview"));
        QVERIFY(pane.pixmap().isNull());

        // Escape takes it away and leaves the page open.
        QTest::keyClick(&list, Qt::Key_Escape);
        QVERIFY(!pane.isVisible());
        QVERIFY(page->isVisible());
        WaitPastTheDelay();
        QVERIFY(!pane.isVisible());

        // So does a search, and then row 0 gets its preview again.
        ClickRow(list, RowOf(list, "Sr0003.asf"));
        QTRY_VERIFY(pane.isVisible());
        const qsizetype previews = shown.size();
        QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("1013")), Qt::LeftButton);
        QVERIFY(!pane.isVisible());
        WaitForSearch(*page);
        QTRY_COMPARE(shown.size(), previews + 1);
        QCOMPARE(shown.last().at(0).toString(), Path(store, list.GetItemText(0, 0).c_str()));

        QVERIFY(Controls(*page) == before);

        // Another page decodes through the same helpers: one waits for the
        // next preview, however many pages have shown one.
        auto other = ShowPage(store.Device());
        QSignalSpy otherShown(Pane(*other), &PreviewPane::Shown);
        QTRY_COMPARE(otherShown.size(), 1);
        WaitPastTheDelay();
        QTRY_COMPARE(LiveHelpers(), 1);
        WaitPastTheDelay();
        QCOMPARE(LiveHelpers(), 1);
    }

    void previewIsSizedFromTheLaidOutListAndKeepsToItsRow()
    {
        TestStore store;
        // Snapshots of three sizes, 4:3, among enough others to scroll.
        const auto snapshot = [&store](const std::string& name, int width) {
            QImage image(width, width * 3 / 4, QImage::Format_RGB32);
            image.fill(Qt::darkCyan);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "JPEG");
            TestStore::Write(store.Folder("SnapShot") + "/" + name, bytes.toStdString());
        };
        for (int width : {64, 320, 640})
            snapshot("size" + std::to_string(width) + ".jpg", width);
        for (int i = 0; i < 60; ++i)
            snapshot("more" + std::to_string(i) + ".jpg", 64);

        // The program's window at its first size.
        TreeSheet::CTreeSheet sheet(std::string("File Manager"), nullptr, 0);
        sheet.m_psh.dwFlags &= ~PSH_HASHELP;
        CDlg page(store.Device(), TestUiSetting());
        sheet.AddPage(&page);
        sheet.Create();
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        WaitForSearch(page);
        MyListCtrl& list = *List(page);
        PreviewPane& pane = *Pane(page);
        QSignalSpy shown(&pane, &PreviewPane::Shown);
        // Snapshots are as old as their files, newer than the page's end time.
        page.findChild<QComboBox*>(QStringLiteral("1020"))->setCurrentIndex(1);
        page.findChild<QDateTimeEdit*>(QStringLiteral("1010"))->setDate(QDate::currentDate().addDays(1));
        QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("1013")), Qt::LeftButton);
        WaitForSearch(page);
        QCOMPARE(list.GetItemCount(), 63);

        // Row 0 first, then each size: all shown at one size, the box's or
        // the room's right of the rows' text, whichever is smaller.
        QTRY_COMPARE(shown.size(), 1);
        QCOMPARE(shown.last().at(0).toString(),
                 QString::fromStdString(store.Folder("SnapShot") + "/" + list.GetItemText(0, 0)));
        const QSize fitted = pane.pixmap().size();
        QVERIFY(fitted.width() <= 192 && fitted.height() <= 144 && fitted.width() >= 48);
        for (const char* name : {"size64.jpg", "size320.jpg", "size640.jpg"}) {
            const int row = RowOf(list, name);
            if (row == 0)
                continue;
            list.EnsureVisible(row);
            ClickRow(list, row);
            QTRY_VERIFY(pane.isVisible());
            QCOMPARE(shown.last().at(0).toString(), QString::fromStdString(store.Folder("SnapShot") + "/" + name));
            QCOMPARE(pane.pixmap().size(), fitted);
        }

        // Escape, pressed in the sheet, takes it away; the sheet stays.
        QTest::keyClick(sheet.windowHandle(), Qt::Key_Escape);
        QVERIFY(!pane.isVisible());
        QVERIFY(sheet.isVisible());

        // Row 0's preview, in the lower half: out of sight with the row, back
        // in the same place with it.
        QWidget* viewport = list.viewport();
        const int middle = viewport->mapTo(&page, viewport->rect().center()).y();
        QTest::keyClick(sheet.windowHandle(), Qt::Key_Home);
        ClickRow(list, 0);
        QTRY_VERIFY(pane.isVisible());
        const QRect placed = pane.geometry();
        QVERIFY(placed.top() > middle);
        QTest::keyClick(sheet.windowHandle(), Qt::Key_PageDown);
        QVERIFY(!pane.isVisible());
        QTest::keyClick(sheet.windowHandle(), Qt::Key_Home);
        QVERIFY(pane.isVisible());
        QCOMPARE(pane.geometry(), placed);

        // A row near the bottom has it in the upper half; scrolled up into
        // the upper half itself, the row has it move to the lower one.
        const int low = list.rowAt(viewport->height() - MyListCtrl::kRowHeight - 1);
        ClickRow(list, low);
        QTRY_VERIFY(pane.isVisible());
        QVERIFY(pane.geometry().bottom() < middle);
        list.scrollTo(list.model()->index(low - 2, 0), QAbstractItemView::PositionAtTop);
        QVERIFY(pane.isVisible());
        QVERIFY(pane.geometry().top() > middle);

        // Enlarged, the window keeps it over the right end of the rows.
        const int narrow = viewport->width();
        sheet.resize(sheet.size() + QSize(300, 200));
        QTRY_VERIFY(viewport->width() > narrow + 200);
        const QRect rows(viewport->mapTo(&page, QPoint(0, 0)), viewport->size());
        QVERIFY(pane.isVisible());
        QVERIFY(rows.contains(pane.geometry()));
        QVERIFY(rows.right() - pane.geometry().right() < 16);
    }

    void previewHidesNoTextOfALongList()
    {
        // More rows than the list shows, each with a picture.
        TestStore store;
        const std::string clip = ReadFile(kData + "/clip-trailer.asf");
        for (int i = 1; i <= 40; ++i)
            TestStore::Write(store.Folder("Recording") + QString::asprintf("/Sr%04d.asf", i).toStdString(), clip);
        auto page = ShowPage(store.Device());
        MyListCtrl& list = *List(*page);
        PreviewPane& pane = *Pane(*page);
        QSignalSpy shown(&pane, &PreviewPane::Shown);
        QVERIFY(list.GetItemCount() == 40 && list.rowAt(list.viewport()->height() - 1) >= 0);

        // A row in either half of the rows: the picture goes in the other,
        // right of every row's text.
        const QWidget& viewport = *list.viewport();
        for (const int row : {0, list.rowAt(viewport.height() - 3 * MyListCtrl::kRowHeight / 2)}) {
            ClickRow(list, row);
            QTRY_VERIFY(pane.isVisible() && !pane.pixmap().isNull());
            const QRect onViewport(viewport.mapFrom(page.get(), pane.geometry().topLeft()), pane.size());
            QVERIFY(viewport.rect().contains(onViewport));
            for (int item = list.rowAt(0); item >= 0 && item < list.GetItemCount(); ++item) {
                const QRect bounds = list.GetItemRect(item, LVIR_BOUNDS);
                if (bounds.top() >= viewport.height())
                    break;
                if (bounds.intersects(onViewport)) {
                    QVERIFY2(ResultRowTextRight(list.fontMetrics(), list, item) <= onViewport.left(),
                             qPrintable(QString::asprintf("row %d", item)));
                    QVERIFY(item != row);
                }
            }
        }
        QVERIFY(FourByThree(pane.pixmap().size()));
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

        const auto toggleFromMenu = [&list]() {
            QTest::mouseClick(list.viewport(), Qt::RightButton, {}, QPoint(20, 20));
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            QCOMPARE(menu->objectName(), QString("rowMenu"));
            QAction* show = menu->actions().last();
            QCOMPARE(show->text(), QString("Show Preview"));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(show).center());
            QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        };
        toggleFromMenu();
        QVERIFY(!Pane(*page)->PreviewsOn());
        QVERIFY(!Pane(*page)->isVisible());
        QSignalSpy shown(Pane(*page), &PreviewPane::Shown);
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
        QVERIFY(menu != nullptr && !menu->actions().last()->isChecked());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().last()).center());
        QVERIFY(Pane(*page)->PreviewsOn());
        ClickRow(again, RowOf(again, "Sr0001.asf"));
        QTRY_VERIFY(Pane(*page)->isVisible());
    }

private:
    MessageRecorder m_messages;
};

QTEST_MAIN(PreviewPaneTest)
#include "PreviewPaneTest.moc"
