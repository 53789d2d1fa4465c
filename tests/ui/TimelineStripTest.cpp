#include "search_page/TimelineStrip.h"
#include "platform/ui/DialogUnits.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "support/PageTestKit.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

namespace {

int RowOf(const MyListCtrl& list, const std::string& name, const std::string& camera)
{
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, 0) == name && list.GetItemText(row, 3) == camera)
            return row;
    qFatal("no row %s of %s", name.c_str(), camera.c_str());
}

bool Shown(const MyListCtrl& list, int row)
{
    return list.viewport()->rect().contains(list.visualRect(list.model()->index(row, 0)));
}

// A click where the window system puts one: into the page's window, which
// hands it to whatever lies at that point.
void ClickAt(CDlg& page, const QWidget& strip, QPoint point)
{
    QTest::mouseClick(page.windowHandle(), Qt::LeftButton, {}, strip.mapTo(&page, point));
    QCoreApplication::processEvents();
}

} // namespace

class TimelineStripTest : public QObject {
    Q_OBJECT

private slots:
    void showsInATallerWindowWithALanePerCameraAndLeadsToTheRows();
};

void TimelineStripTest::showsInATallerWindowWithALanePerCameraAndLeadsToTheRows()
{
    TestStore store;
    const std::string cam2 = store.Root() + "/store/Cam2/Recording";
    const std::string cam3 = store.Root() + "/store/Cam3/Recording";
    OffTheWindowThread([&] {
        std::filesystem::create_directories(cam2);
        std::filesystem::create_directories(cam3);
        // Ten-minute clips every twenty minutes of a day: more than the list
        // shows at once.
        for (int clip = 0; clip < 72; ++clip) {
            char name[16];
            char start[32];
            std::snprintf(name, sizeof name, "Sr%04d.asf", clip);
            std::snprintf(start, sizeof start, "2006/03/14 %02d:%02d", clip / 3, clip % 3 * 20);
            store.AddClip("Recording", name, start, "2006/03/14 23:59", 600);
        }
        // At the time of one of Cam1's, and later.
        TestStore::Write(cam2 + "/Sr0001.asf",
                         clipbytes::AsfClip(6'000'000'000, 0, "NC2006/03/14 10:00,2006/03/14 10:10"));
        TestStore::Write(cam3 + "/Sr0001.asf",
                         clipbytes::AsfClip(6'000'000'000, 0, "NC2006/03/14 18:10,2006/03/14 18:20"));
    });

    WindowThreadCheck::TurnOn();
    WindowThreadCheck::DeclareWindowThread();
    CDlg page("All Cameras", TestUiSetting(), {"Cam1", "Cam2", "Cam3"});
    page.show();
    page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    WaitForSearch(page);
    MyListCtrl& list = *List(page);
    QCOMPARE(list.GetItemCount(), 74);
    auto* strip = page.findChild<TimelineStrip*>(QStringLiteral("1029"));
    QVERIFY(strip != nullptr);

    // At the template's size it stays hidden and nothing moves.
    const DialogUnits units(page.font());
    const QRect listAtTemplate = units.MapDialogRect(7, 93, 343, 217);
    QVERIFY(!strip->isVisible());
    QCOMPARE(list.geometry(), listAtTemplate);
    QCOMPARE(Item<QPushButton>(page, 1017)->geometry(), units.MapDialogRect(300, 321, 50, 14));
    // The controls above the list.
    const int above[] = {1000, 1005, 1006, 1010, 1011, 1013, 1019, 1020, 1021, 1022, 1023};
    std::map<int, QRect> atTemplate;
    for (int id : above)
        atTemplate[id] = Item<QWidget>(page, id)->geometry();
    const QSize templateSize = page.size();

    // A little taller, too little for it: the list takes the room alone.
    page.resize(templateSize + QSize(0, 10));
    QTRY_COMPARE(list.height(), listAtTemplate.height() + 10);
    QVERIFY(!strip->isVisible());

    // Taller by more: it takes the list's top, the list keeps at least its
    // template's height below it, and the controls above stay.
    page.resize(templateSize + QSize(200, 300));
    QTRY_VERIFY(strip->isVisible());
    QCOMPARE(strip->geometry().top(), listAtTemplate.top());
    QCOMPARE(strip->geometry().left(), listAtTemplate.left());
    QCOMPARE(strip->width(), list.width());
    QVERIFY(strip->geometry().bottom() < list.geometry().top());
    QCOMPARE(list.geometry().bottom(), listAtTemplate.bottom() + 300);
    QVERIFY(list.height() >= listAtTemplate.height());
    for (int id : above)
        QCOMPARE(Item<QWidget>(page, id)->geometry(), atTemplate.at(id));

    // A lane per camera in page order: clips at one time lie in one column.
    const int cam1Ten = RowOf(list, "Sr0030.asf", "Cam1");
    const int cam2Ten = RowOf(list, "Sr0001.asf", "Cam2");
    const int cam3Late = RowOf(list, "Sr0001.asf", "Cam3");
    const QRect bar1 = strip->BarRect(cam1Ten);
    const QRect bar2 = strip->BarRect(cam2Ten);
    const QRect bar3 = strip->BarRect(cam3Late);
    QVERIFY(!bar1.isEmpty() && !bar2.isEmpty() && !bar3.isEmpty());
    QCOMPARE(bar2.left(), bar1.left());
    QCOMPARE(bar2.width(), bar1.width());
    QVERIFY(bar1.bottom() < bar2.top());
    QVERIFY(bar2.bottom() < bar3.top());
    QVERIFY(bar3.left() > bar2.right());
    QVERIFY(strip->rect().contains(bar3));
    // One day is shown, not the searched years: a ten-minute clip is wider
    // than a pixel, and the day's last clip still within the strip.
    QVERIFY(bar1.width() > 2);
    const int last = RowOf(list, "Sr0071.asf", "Cam1");
    const QRect lastBar = strip->BarRect(last);
    QVERIFY(strip->rect().contains(lastBar));
    QVERIFY(lastBar.left() > bar3.right());

    // A click on a bar makes its row current, the only one selected, and
    // scrolls the list to it.
    page.MakeRowCurrent(0);
    list.scrollToTop();
    QVERIFY(!Shown(list, last));
    ClickAt(page, *strip, lastBar.center());
    QCOMPARE(page.m_nCurrentRow, last);
    QVERIFY(Shown(list, last));
    QCOMPARE(page.GetSelectedPaths(), std::vector<std::string>{store.Folder("Recording") + "/Sr0071.asf"});
    // The same time in another lane is another camera's row.
    ClickAt(page, *strip, bar2.center());
    QCOMPARE(page.m_nCurrentRow, cam2Ten);
    QCOMPARE(page.GetSelectedPaths(), std::vector<std::string>{cam2 + "/Sr0001.asf"});
    ClickAt(page, *strip, bar1.center());
    QCOMPARE(page.m_nCurrentRow, cam1Ten);
    // Between bars nothing changes.
    ClickAt(page, *strip, QPoint((bar2.right() + bar3.left()) / 2, bar2.center().y()));
    QCOMPARE(page.m_nCurrentRow, cam1Ten);

    // Resting the pointer on a bar names its recording, its time and camera.
    QTest::mouseMove(page.windowHandle(), strip->mapTo(&page, bar3.center()));
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("Sr0001.asf\n03/14/06  18:10  (10:00)\nCam3"));
}

QTEST_MAIN(TimelineStripTest)
#include "TimelineStripTest.moc"
