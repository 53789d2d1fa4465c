#include "catalog/RecordedFileTable.h"
#include "catalog/RecordingNames.h"
#include "support/LocalTimeZone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// A row as the scan fills it. Its start text takes one of the forms a store
// gives: the scan's own (snapshots, AVI clips: to the minute, while the time
// kept has the file's seconds), a trailer's with or without seconds, and
// trailers a recorder wrote oddly, which only their text can show again.
RecordedFile Row(int i)
{
    RecordedFile row{};
    // Long names and short, with bytes that are not UTF-8, so that names end
    // at every point of a block of text.
    std::string name = "Md" + std::to_string(i) + std::string(static_cast<std::size_t>(i * 37 % 254), 'x');
    if (i % 5 == 0)
        name += "\xE9t\xC3\xA9 \xFF.asf";
    CopyField(row.szFileName, name.substr(0, 255));
    CopyField(row.szType, "Md");

    const CTime minute(2006 + i % 30, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0);
    char text[64];
    row.tRecorded = minute;
    switch (i % 9) {
    case 0: // a snapshot, or an AVI clip whose file time has seconds
        CopyField(row.szStartTime, FormatRecordTime(minute));
        row.tRecorded = minute + CTimeSpan(i % 60);
        break;
    case 1: // a trailer with seconds
        std::snprintf(text, sizeof text, "%s:%02d", minute.Format("%Y/%m/%d %H:%M").c_str(), i % 60);
        CopyField(row.szStartTime, text);
        row.tRecorded = minute + CTimeSpan(i % 60);
        break;
    case 2: // a trailer without seconds
        CopyField(row.szStartTime, minute.Format("%Y/%m/%d %H:%M"));
        break;
    case 3: // figures without their zeros
        std::snprintf(text, sizeof text, "%d/%d/%d %d:%d", minute.GetYear(), minute.GetMonth(), minute.GetDay(),
                      minute.GetHour(), minute.GetMinute());
        CopyField(row.szStartTime, text);
        break;
    case 4: // seconds that are no seconds, and more after the time
        CopyField(row.szStartTime, minute.Format("%Y/%m/%d  %H:%M:75 x"));
        break;
    case 5: // an hour the clocks skip: the time read is an hour on
        CopyField(row.szStartTime, "2006/03/26 02:30");
        row.tRecorded = CTime(2006, 3, 26, 2, 30, 0);
        break;
    case 6: // longer than the field, cut to it
        CopyField(row.szStartTime, minute.Format("%Y/%m/%d %H:%M:%S and then some"));
        break;
    case 7: // a year of five figures
        CopyField(row.szStartTime, "12006/01/02 03:04");
        break;
    default: // a time that has no local fields
        CopyField(row.szStartTime, FormatRecordTime(minute));
        row.tRecorded = CTime(INT64_MAX / 2);
        break;
    }

    static const std::int64_t seconds[] = {-1, 0, 59, 900, 901, 86400 * 400, -7};
    row.nDurationSeconds = seconds[i % 7];
    if (row.nDurationSeconds == -1)
        row.szDuration[0] = '\0';
    else if (i % 11 == 0)
        CopyField(row.szDuration, "1:2"); // a length the integer does not give
    else
        FormatDurationField(row.szDuration, row.nDurationSeconds);

    row.idFolder = {7, 100};
    // A file mounted over its name lies on another device than its folder.
    row.idFile = {i % 13 == 0 ? 9u : 7u, 0xFFFF'FFFF'0000ull + static_cast<unsigned>(i)};
    row.nSize = 1'000'000'000ull + static_cast<unsigned>(i);
    return row;
}

} // namespace

TEST(RecordedFileTableTest, ManyRowsGiveBackTheTextsAndIdentitiesTheScanRead)
{
    const LocalTimeZone zone;
    RecordedFileTable table;
    // Enough rows for several blocks of rows and of text.
    constexpr int kRows = 20000;
    std::uint64_t total = 0;
    for (int i = 0; i < kRows; ++i) {
        const RecordedFile row = Row(i);
        ASSERT_TRUE(table.Append(row));
        total += row.nSize;
    }
    ASSERT_EQ(table.GetCount(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(table.GetTotalSize(), total);
    EXPECT_EQ(table.GetFolderIdentity(), (FileIdentity{7, 100}));

    std::vector<std::string> kinds;
    for (int i = 0; i < kRows; ++i) {
        const RecordedFile row = Row(i);
        ASSERT_EQ(table.GetFileName(static_cast<std::size_t>(i)), std::string(row.szFileName)) << i;
        ASSERT_EQ(table.GetDisplayTime(static_cast<std::size_t>(i)), ToDisplayTime(row.szStartTime)) << i;
        ASSERT_EQ(table.GetDuration(static_cast<std::size_t>(i)), std::string(row.szDuration)) << i;
        ASSERT_EQ(table.GetFileIdentity(static_cast<std::size_t>(i)), row.idFile) << i;
        if (i < 9)
            kinds.push_back(table.GetDisplayTime(static_cast<std::size_t>(i)));
    }
    // The forms above, as the list shows them.
    EXPECT_EQ(kinds, (std::vector<std::string>{"01/01/06  00:00", "02/02/07  01:01:01", "03/03/08  02:02",
                                               "4/4/09  3:3", "05/05/10  04:04:75", "03/26/06  02:30",
                                               "07/07/12  06:06:00", "01/02/06  03:04", "09/09/14  08:08"}));
}

TEST(RecordedFileTableTest, MergedTablesKeepEachRowsTextsSourceAndFolderInRecordedTimeOrder)
{
    const LocalTimeZone zone;
    // Three devices' tables, each in its own folder on its own file system,
    // with rows spread over text blocks and some on yet another device.
    std::vector<RecordedFileTable> tables(3);
    std::vector<std::pair<std::int64_t, RecordedFile>> expected;
    for (int i = 0; i < 6000; ++i) {
        RecordedFile row = Row(i);
        const auto source = static_cast<std::uint64_t>(i % 3);
        row.idFolder = {20 + source, 200 + source};
        if (row.idFile.nDevice == 7)
            row.idFile.nDevice = row.idFolder.nDevice;
        ASSERT_TRUE(tables[source].Append(row));
        expected.emplace_back(row.tRecorded.GetTime(), row);
    }
    std::ranges::stable_sort(expected, [](const auto& a, const auto& b) { return a.first < b.first; });

    // Moved, as the page takes it over.
    const auto shared =
        std::make_shared<const RecordedFileTable>(RecordedFileTable::Merged(tables, {"Cam0", "Cam1", "Cam2"}));
    // Handed to the page in a block, as rows that arrive are.
    RecordedFileTable merged;
    ASSERT_TRUE(merged.Append(*shared));
    ASSERT_EQ(merged.GetCount(), expected.size());
    EXPECT_EQ(merged.GetTotalSize(), tables[0].GetTotalSize() + tables[1].GetTotalSize() + tables[2].GetTotalSize());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const RecordedFile& row = expected[i].second;
        const std::size_t source = row.idFolder.nDevice - 20;
        ASSERT_EQ(merged.GetRecordedTime(i), expected[i].first) << i;
        ASSERT_EQ(merged.GetFileName(i), std::string(row.szFileName)) << i;
        ASSERT_EQ(merged.GetDisplayTime(i), ToDisplayTime(row.szStartTime)) << i;
        ASSERT_EQ(merged.GetDuration(i), std::string(row.szDuration)) << i;
        ASSERT_EQ(merged.GetSource(i), source) << i;
        ASSERT_EQ(merged.GetSourceName(i), "Cam" + std::to_string(source)) << i;
        ASSERT_EQ(merged.GetFolderIdentity(i), row.idFolder) << i;
        ASSERT_EQ(merged.GetFileIdentity(i), row.idFile) << i;
    }
    // A table of one search names no source.
    EXPECT_EQ(tables[1].GetSourceName(0), "");
    EXPECT_EQ(tables[1].GetFolderIdentity(0), (FileIdentity{21, 201}));
}
