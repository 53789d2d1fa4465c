#include "platform/WindowThreadCheck.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "support/ClipBytes.h"
#include "support/PageTestKit.h"

#include <QTest>

#include <atomic>
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
    void OnAShareTheListingExaminesOnlyNewAndChangedFiles();
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

void LiveListTest::OnAShareTheListingExaminesOnlyNewAndChangedFiles()
{
    TestStore store;
    const std::string folder = store.Folder("Recording");
    store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
    const std::string third = store.AddClip("Recording", "Sr0003.asf", "2006/03/14 12:00");
    store.AddClip("Recording", "Sr0004.asf", "2006/03/14 13:00");
    // The folder counts as a share: no change events, a listing every 200 ms.
    std::atomic<int> asked{0};
    auto page = NewPage(store.Device());
    page->UseShareCheck(
        [&asked, folder](const std::string& checked) {
            WindowThreadCheck::OffTheWindowThread("share check");
            if (checked.starts_with(folder))
                ++asked;
            return true;
        },
        200);
    page->show();
    page->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(page.get()));
    WaitForSearch(*page);
    MyListCtrl* list = List(*page);
    QCOMPARE(list->GetItemCount(), 3);
    QTRY_VERIFY(asked.load() > 0);
    page->MakeRowCurrent(RowOf(*list, "Sr0004.asf"));
    const auto currentName = [&] { return list->GetItemText(page->m_nCurrentRow, 0); };

    // A clip still being written (no trailer yet) before one in the range and
    // one before it: the look that lists the one in the range has seen it.
    const std::string whole = clipbytes::AsfClip(123 * 10'000'000u, 0, "NC2006/03/14 14:00,2006/03/14 14:05");
    OffTheWindowThread([&] {
        TestStore::Write(folder + "/Sr0005.asf", whole.substr(0, whole.size() / 2));
        store.AddClip("Recording", "Sr0000.asf", "2004/12/31 08:00");
        store.AddClip("Recording", "Sr0002.asf", "2006/03/14 11:00");
    });
    QTRY_VERIFY(RowOf(*list, "Sr0002.asf") >= 0);
    QCOMPARE(RowOf(*list, "Sr0000.asf"), -1);
    QCOMPARE(RowOf(*list, "Sr0005.asf"), -1);
    QCOMPARE(list->GetItemCount(), 4);
    QCOMPARE(currentName(), std::string("Sr0004.asf"));

    // While the page is hidden (no look runs), a listed clip's bytes spoilt,
    // its size and time as they were: a file that did not change is not read
    // again, so its row stays. The clip that was being written is read again
    // once it has grown.
    page->hide();
    OffTheWindowThread([&] {
        const auto written = std::filesystem::last_write_time(third);
        const auto size = std::filesystem::file_size(third);
        TestStore::Write(third, std::string(size, 'x'));
        std::filesystem::last_write_time(third, written);
        TestStore::Write(folder + "/Sr0005.asf", whole);
    });
    page->show();
    QTRY_VERIFY(RowOf(*list, "Sr0005.asf") >= 0);
    QVERIFY(RowOf(*list, "Sr0003.asf") >= 0);
    QCOMPARE(list->GetItemCount(), 5);

    OffTheWindowThread([&] { std::filesystem::remove(folder + "/Sr0001.asf"); });
    QTRY_COMPARE(RowOf(*list, "Sr0001.asf"), -1);
    QCOMPARE(list->GetItemCount(), 4);
    QCOMPARE(page->m_nFiles, 4);
    QCOMPARE(currentName(), std::string("Sr0004.asf"));
}

QTEST_MAIN(LiveListTest)
#include "LiveListTest.moc"
