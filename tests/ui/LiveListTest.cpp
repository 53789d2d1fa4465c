#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "support/PageTestKit.h"

#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

int RowOf(const MyListCtrl& list, const std::string& name)
{
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, 0) == name)
            return row;
    return -1;
}

} // namespace

class LiveListTest : public QObject {
    Q_OBJECT

private slots:
    void ClipsComeAndGoInTheirPlaceWhileThePageIsShown();
};

void LiveListTest::ClipsComeAndGoInTheirPlaceWhileThePageIsShown()
{
    TestStore store;
    store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
    store.AddClip("Recording", "Sr0003.asf", "2006/03/14 12:00");
    store.AddClip("Recording", "Sr0004.asf", "2006/03/14 13:00");
    auto page = ShowPage(store.Device());
    MyListCtrl* list = List(*page);
    QCOMPARE(list->GetItemCount(), 3);
    page->MakeRowCurrent(RowOf(*list, "Sr0004.asf"));
    const auto currentName = [&] { return list->GetItemText(page->m_nCurrentRow, 0); };
    const auto selectedOnlyCurrent = [&] {
        const std::vector<std::string> paths = page->GetSelectedPaths();
        return paths.size() == 1 && paths[0].ends_with("/Sr0004.asf");
    };

    // One before the range, which stays out of the list, and one in it.
    OffTheWindowThread([&] {
        store.AddClip("Recording", "Sr0000.asf", "2004/12/31 08:00");
        store.AddClip("Recording", "Sr0002.asf", "2006/03/14 11:00");
    });
    QTRY_VERIFY_WITH_TIMEOUT(RowOf(*list, "Sr0002.asf") >= 0, kWaitBoundMs);
    QCOMPARE(list->GetItemCount(), 4);
    QCOMPARE(RowOf(*list, "Sr0000.asf"), -1);
    QCOMPARE(std::abs(RowOf(*list, "Sr0002.asf") - RowOf(*list, "Sr0001.asf")), 1);
    QCOMPARE(std::abs(RowOf(*list, "Sr0002.asf") - RowOf(*list, "Sr0003.asf")), 1);
    QCOMPARE(currentName(), std::string("Sr0004.asf"));
    QVERIFY(selectedOnlyCurrent());
    QCOMPARE(page->m_nFiles, 4);

    OffTheWindowThread([&] { std::filesystem::remove(store.Folder("Recording") + "/Sr0001.asf"); });
    QTRY_COMPARE_WITH_TIMEOUT(RowOf(*list, "Sr0001.asf"), -1, kWaitBoundMs);
    QCOMPARE(list->GetItemCount(), 3);
    QCOMPARE(currentName(), std::string("Sr0004.asf"));
    QVERIFY(selectedOnlyCurrent());
}

QTEST_MAIN(LiveListTest)
#include "LiveListTest.moc"
