#include "catalog/CategoryScan.h"

#include "catalog/ClipProbes.h"
#include "catalog/LocalTimeCache.h"
#include "catalog/RecordingNames.h"
#include "platform/CFile.h"
#include "platform/CFileFind.h"

namespace {

std::string ResolvePiece(const std::string& parent, const std::string& name)
{
    if (!name.empty()) {
        std::string resolved = CFileFind::ResolveNoCase(parent, name);
        if (!resolved.empty())
            return resolved;
    }
    return parent + "/" + name;
}

// One scan: the folder, the range and the buffers that every file reuses, so
// that a file costs no allocation beyond the row it may append.
class Scanner {
public:
    Scanner(std::string folder, std::string_view category, const CTime& searchStart,
            const CTime& searchEnd, std::vector<RecordedFile>& rows)
        : m_folder(std::move(folder)), m_category(category), m_searchStart(searchStart),
          m_searchEnd(searchEnd), m_rows(rows), m_row{}
    {
        m_path.reserve(m_folder.size() + 1 + 256);
    }

    void SnapshotPass(std::string_view mask)
    {
        bool more = m_find.FindFile(m_folder, mask);
        while (more) {
            more = m_find.FindNextFile();
            const std::string_view name = m_find.GetFileName();
            CFileStatus status;
            if (!CFile::GetStatus(PathOf(name), status))
                continue;
            const CTime taken = status.m_ctime;
            if (!IsInSearchRange(taken, m_searchStart, m_searchEnd))
                continue;
            CopyField(m_row.szFileName, name);
            m_row.szType[0] = '\0';
            FormatRecordTimeField(m_row.szStartTime, taken);
            CopyField(m_row.szEndTime, m_row.szStartTime);
            m_row.tStart = taken;
            m_row.tEnd = taken;
            m_row.szDuration[0] = '\0';
            m_rows.push_back(m_row);
        }
    }

    void AsfPass(std::string_view mask)
    {
        bool more = m_find.FindFile(m_folder, mask);
        while (more) {
            more = m_find.FindNextFile();
            const std::string_view name = m_find.GetFileName();
            std::string_view startText, endText;
            std::int64_t seconds = 0;
            // Trailer first, then the header, whether or not the clip matches.
            if (m_prober.ProbeAsf(PathOf(name), startText, endText, seconds) != ClipProber::AsfResult::Ok)
                continue;
            CopyField(m_row.szFileName, name);
            CopyField(m_row.szType, name.substr(0, 2));
            CopyField(m_row.szStartTime, startText);
            CopyField(m_row.szEndTime, endText);
            FormatDurationField(m_row.szDuration, seconds);
            // The whole texts are read: the fields only keep what is shown.
            AppendIfMatching(name, startText, endText);
        }
    }

    void AviPass(std::string_view mask)
    {
        bool more = m_find.FindFile(m_folder, mask);
        while (more) {
            more = m_find.FindNextFile();
            const std::string_view name = m_find.GetFileName();
            if (!m_prober.ProbeAvi(PathOf(name), m_row) || m_row.szStartTime[0] == '\0')
                continue;
            CopyField(m_row.szFileName, name);
            CopyField(m_row.szType, name.substr(0, 2));
            AppendIfMatching(name, m_row.szStartTime, m_row.szEndTime);
        }
    }

    void Close() { m_find.Close(); }

private:
    const std::string& PathOf(std::string_view name)
    {
        m_path.assign(m_folder);
        m_path += '/';
        m_path += name;
        return m_path;
    }

    // ParseRecordTimes, then the range and the category, tested in the
    // cheapest order: a row is appended when its start parses and lies in
    // range and its category matches. A missing or unreadable end does not
    // drop the clip; tEnd then equals tStart.
    void AppendIfMatching(std::string_view name, std::string_view startText, std::string_view endText)
    {
        if (CategoryFromTypeCode(name) != m_category)
            return;
        const std::optional<CTime> start = m_times.ParseRecordTime(startText);
        if (!start || !IsInSearchRange(*start, m_searchStart, m_searchEnd))
            return;
        m_row.tStart = *start;
        m_row.tEnd = m_times.ParseRecordTime(endText).value_or(*start);
        m_rows.push_back(m_row);
    }

    const std::string m_folder;
    const std::string_view m_category;
    const CTime m_searchStart;
    const CTime m_searchEnd;
    std::vector<RecordedFile>& m_rows;
    CFileFind m_find;
    ClipProber m_prober;
    LocalTimeCache m_times;
    std::string m_path;
    RecordedFile m_row;
};

} // namespace

std::string CategoryFolderPath(const std::string& recordingDir, const std::string& deviceFolder,
                               const std::string& categoryFolder)
{
    const std::string device = ResolvePiece(recordingDir, deviceFolder);
    if (categoryFolder.empty())
        return device;
    return ResolvePiece(device, categoryFolder);
}

bool CategoryScan::Run(const std::string& recordingDir, const std::string& deviceFolder,
                       const std::string& category, std::string& categoryFolder,
                       const CTime& searchStart, const CTime& searchEnd, std::vector<RecordedFile>& rows)
{
    const std::string_view mapped = CategoryFolder(category);
    if (!mapped.empty())
        categoryFolder.assign(mapped);
    if ((searchEnd - searchStart).GetTotalSeconds() < 0)
        return false;

    Scanner scanner(CategoryFolderPath(recordingDir, deviceFolder, categoryFolder), category,
                    searchStart, searchEnd, rows);
    if (category == kCategorySnapShot) {
        scanner.SnapshotPass("*.jpg");
        scanner.SnapshotPass("*.bmp");
    } else {
        scanner.AsfPass("*.asf");
        scanner.AviPass("*.avi");
    }
    scanner.Close();
    return true;
}
