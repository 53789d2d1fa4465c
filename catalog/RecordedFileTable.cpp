#include "catalog/RecordedFileTable.h"

#include "catalog/DeviceSearches.h"
#include "catalog/RecordingNames.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace {

constexpr std::size_t kRowsPerBlock = 4096;
constexpr std::size_t kTextBlockSize = 64 * 1024;
// Row offsets into the text are 32-bit.
constexpr std::size_t kMaxTextBlocks = (std::size_t{1} << 32) / kTextBlockSize;

// The flags of a row's form.
constexpr unsigned kWithSeconds = 1;  // its time is shown with its seconds
constexpr unsigned kTimeKept = 2;     // its time text follows its name
constexpr unsigned kDurationKept = 4; // its duration text follows that
constexpr unsigned kOwnDevice = 8;    // the file is on another device than its folder, given last

// A duration that shows as "15:00", and the empty duration of a snapshot.
constexpr std::uint16_t kLongDuration = MAX_DURATION_SECONDS + 1;
constexpr std::uint16_t kNoDuration = 0xFFFF;

// A kept text with its length byte; the fields they come from are far shorter.
static_assert(sizeof(RecordedFile::szStartTime) + 4 < 256 && sizeof(RecordedFile::szDuration) < 256);
constexpr std::size_t kMaxRowText = sizeof(RecordedFile::szFileName) + 1 + sizeof(RecordedFile::szStartTime) + 4 + 1 +
                                    sizeof(RecordedFile::szDuration) + sizeof(std::uint64_t);
static_assert(kMaxRowText <= kTextBlockSize);

// What ToDisplayTime gives for the record time text of time, as the scan
// writes it ("%Y/%m/%d   %H:%M") or with its seconds; empty when the local
// fields cannot be computed.
std::string DisplayTimeOf(const struct tm& local, bool withSeconds)
{
    char text[64];
    const int length =
        withSeconds
            ? std::snprintf(text, sizeof text, "%02d/%02d/%02d  %02d:%02d:%02d", local.tm_mon + 1, local.tm_mday,
                            (local.tm_year + 1900) % 100, local.tm_hour, local.tm_min, local.tm_sec)
            : std::snprintf(text, sizeof text, "%02d/%02d/%02d  %02d:%02d", local.tm_mon + 1, local.tm_mday,
                            (local.tm_year + 1900) % 100, local.tm_hour, local.tm_min);
    return std::string(text, static_cast<std::size_t>(std::clamp(length, 0, static_cast<int>(sizeof text) - 1)));
}

std::string_view FieldText(const char* field, std::size_t size)
{
    return std::string_view(field, ::strnlen(field, size));
}

} // namespace

struct RecordedFileTable::Row {
    std::uint64_t nInode;
    std::int64_t tRecorded;
    std::uint32_t nText; // where the name begins: text block * kTextBlockSize + offset
    std::uint8_t nNameLength;
    std::uint8_t nForm;
    std::uint16_t nDuration; // seconds up to kLongDuration, or kNoDuration
};

RecordedFileTable::RecordedFileTable() = default;
RecordedFileTable::~RecordedFileTable() = default;
// A table moved from is empty, as a new one, so that it can be filled again.
RecordedFileTable::RecordedFileTable(RecordedFileTable&& other) noexcept
    : m_rowBlocks(std::move(other.m_rowBlocks)),
      m_textBlocks(std::move(other.m_textBlocks)),
      m_nCount(std::exchange(other.m_nCount, 0)),
      m_nTextUsed(std::exchange(other.m_nTextUsed, 0)),
      m_nTotalSize(std::exchange(other.m_nTotalSize, 0)),
      m_idFolder(std::exchange(other.m_idFolder, {})),
      m_aSource(std::move(other.m_aSource)),
      m_aSourceNames(std::move(other.m_aSourceNames)),
      m_aSourceFolders(std::move(other.m_aSourceFolders))
{
    other.m_rowBlocks.clear();
    other.m_textBlocks.clear();
    other.m_aSource.clear();
    other.m_aSourceNames.clear();
    other.m_aSourceFolders.clear();
}

RecordedFileTable& RecordedFileTable::operator=(RecordedFileTable&& other) noexcept
{
    if (this != &other) {
        RecordedFileTable taken(std::move(other));
        std::swap(m_rowBlocks, taken.m_rowBlocks);
        std::swap(m_textBlocks, taken.m_textBlocks);
        std::swap(m_nCount, taken.m_nCount);
        std::swap(m_nTextUsed, taken.m_nTextUsed);
        std::swap(m_nTotalSize, taken.m_nTotalSize);
        std::swap(m_idFolder, taken.m_idFolder);
        std::swap(m_aSource, taken.m_aSource);
        std::swap(m_aSourceNames, taken.m_aSourceNames);
        std::swap(m_aSourceFolders, taken.m_aSourceFolders);
    }
    return *this;
}

char* RecordedFileTable::TextRoom(std::size_t length, std::uint32_t& offset)
{
    if (m_textBlocks.empty() || m_nTextUsed + length > kTextBlockSize) {
        if (m_textBlocks.size() == kMaxTextBlocks)
            return nullptr;
        m_textBlocks.push_back(std::make_unique_for_overwrite<char[]>(kTextBlockSize));
        m_nTextUsed = 0;
    }
    offset = static_cast<std::uint32_t>((m_textBlocks.size() - 1) * kTextBlockSize + m_nTextUsed);
    char* const room = m_textBlocks.back().get() + m_nTextUsed;
    m_nTextUsed += length;
    return room;
}

bool RecordedFileTable::Append(const RecordedFile& file)
{
    if (m_nCount == static_cast<std::size_t>(INT_MAX))
        return false;
    if (m_nCount == 0)
        m_idFolder = file.idFolder;

    Row row{};
    row.nInode = file.idFile.nInode;
    row.tRecorded = file.tRecorded.GetTime();
    const std::string_view name = FieldText(file.szFileName, sizeof file.szFileName).substr(0, UINT8_MAX);
    row.nNameLength = static_cast<std::uint8_t>(name.size());

    const std::string shown = ToDisplayTime(FieldText(file.szStartTime, sizeof file.szStartTime));
    struct tm local;
    const bool known = file.tRecorded.GetLocalTm(&local);
    if (known && shown == DisplayTimeOf(local, false))
        row.nForm = 0;
    else if (known && shown == DisplayTimeOf(local, true))
        row.nForm = kWithSeconds;
    else
        row.nForm = kTimeKept;

    const std::string_view duration = FieldText(file.szDuration, sizeof file.szDuration);
    if (duration.empty()) {
        row.nDuration = kNoDuration;
    } else {
        row.nDuration = static_cast<std::uint16_t>(std::clamp<std::int64_t>(file.nDurationSeconds, 0, kLongDuration));
        if (FormatDuration(row.nDuration) != duration)
            row.nForm |= kDurationKept;
    }
    if (file.idFile.nDevice != m_idFolder.nDevice)
        row.nForm |= kOwnDevice;

    std::size_t length = name.size();
    if ((row.nForm & kTimeKept) != 0)
        length += 1 + shown.size();
    if ((row.nForm & kDurationKept) != 0)
        length += 1 + duration.size();
    if ((row.nForm & kOwnDevice) != 0)
        length += sizeof file.idFile.nDevice;
    char* text = TextRoom(length, row.nText);
    if (text == nullptr)
        return false;
    text = std::copy(name.begin(), name.end(), text);
    const auto keep = [&text](std::string_view kept) {
        *text++ = static_cast<char>(kept.size());
        text = std::copy(kept.begin(), kept.end(), text);
    };
    if ((row.nForm & kTimeKept) != 0)
        keep(shown);
    if ((row.nForm & kDurationKept) != 0)
        keep(duration);
    if ((row.nForm & kOwnDevice) != 0)
        std::memcpy(text, &file.idFile.nDevice, sizeof file.idFile.nDevice);

    Keep(row, file.nSize);
    return true;
}

void RecordedFileTable::Keep(const Row& row, std::uint64_t size)
{
    if (m_nCount % kRowsPerBlock == 0)
        m_rowBlocks.push_back(std::make_unique_for_overwrite<Row[]>(kRowsPerBlock));
    m_rowBlocks.back()[m_nCount % kRowsPerBlock] = row;
    ++m_nCount;
    m_nTotalSize += size;
}

bool RecordedFileTable::Append(const RecordedFileTable& rows)
{
    if (m_nCount == 0) {
        m_idFolder = rows.m_idFolder;
        // The rows of a merged table keep their devices and folders.
        m_aSourceNames = rows.m_aSourceNames;
        m_aSourceFolders = rows.m_aSourceFolders;
    }
    // Each row's size is not kept, only their sum.
    m_nTotalSize += rows.m_nTotalSize;
    for (std::size_t i = 0; i < rows.m_nCount; ++i) {
        if (m_nCount == static_cast<std::size_t>(INT_MAX))
            return false;
        Row row = rows.At(i);
        const std::uint64_t device = rows.GetFileIdentity(i).nDevice;
        const bool sourced = !rows.m_aSource.empty() && rows.m_aSource[i] < m_aSourceFolders.size();
        const FileIdentity folder = sourced ? m_aSourceFolders[rows.m_aSource[i]] : m_idFolder;
        row.nForm = static_cast<std::uint8_t>(row.nForm & ~kOwnDevice);
        if (device != folder.nDevice)
            row.nForm |= kOwnDevice;
        // The name and the texts kept after it, without the device.
        const char* const from = rows.TextOf(row);
        const auto shared = static_cast<std::size_t>(rows.Kept(row, kOwnDevice) - from);
        const std::size_t length = shared + ((row.nForm & kOwnDevice) != 0 ? sizeof device : 0);
        char* text = TextRoom(length, row.nText);
        if (text == nullptr)
            return false;
        text = std::copy(from, from + shared, text);
        if ((row.nForm & kOwnDevice) != 0)
            std::memcpy(text, &device, sizeof device);
        Keep(row, 0);
        if (sourced)
            m_aSource.push_back(rows.m_aSource[i]);
    }
    return true;
}

const RecordedFileTable::Row& RecordedFileTable::At(std::size_t i) const
{
    return m_rowBlocks[i / kRowsPerBlock][i % kRowsPerBlock];
}

const char* RecordedFileTable::TextOf(const Row& row) const
{
    return m_textBlocks[row.nText / kTextBlockSize].get() + row.nText % kTextBlockSize;
}

const char* RecordedFileTable::Kept(const Row& row, unsigned flag) const
{
    const char* text = TextOf(row) + row.nNameLength;
    for (const unsigned earlier : {kTimeKept, kDurationKept})
        if (earlier < flag && (row.nForm & earlier) != 0)
            text += 1 + static_cast<unsigned char>(*text);
    return text;
}

std::string_view RecordedFileTable::KeptText(const Row& row, unsigned flag) const
{
    const char* text = Kept(row, flag);
    return std::string_view(text + 1, static_cast<unsigned char>(*text));
}

std::string_view RecordedFileTable::GetFileName(std::size_t i) const
{
    const Row& row = At(i);
    return std::string_view(TextOf(row), row.nNameLength);
}

std::string RecordedFileTable::GetDisplayTime(std::size_t i) const
{
    const Row& row = At(i);
    if ((row.nForm & kTimeKept) != 0)
        return std::string(KeptText(row, kTimeKept));
    struct tm local;
    if (!CTime(row.tRecorded).GetLocalTm(&local))
        return {};
    return DisplayTimeOf(local, (row.nForm & kWithSeconds) != 0);
}

std::string RecordedFileTable::GetDuration(std::size_t i) const
{
    const Row& row = At(i);
    if ((row.nForm & kDurationKept) != 0)
        return std::string(KeptText(row, kDurationKept));
    if (row.nDuration == kNoDuration)
        return {};
    return FormatDuration(row.nDuration);
}

std::int64_t RecordedFileTable::GetRecordedTime(std::size_t i) const
{
    return At(i).tRecorded;
}

int RecordedFileTable::GetDurationSeconds(std::size_t i) const
{
    const Row& row = At(i);
    return row.nDuration == kNoDuration ? -1 : row.nDuration;
}

FileIdentity RecordedFileTable::GetFileIdentity(std::size_t i) const
{
    const Row& row = At(i);
    FileIdentity identity{GetFolderIdentity(i).nDevice, row.nInode};
    if ((row.nForm & kOwnDevice) != 0)
        std::memcpy(&identity.nDevice, Kept(row, kOwnDevice), sizeof identity.nDevice);
    return identity;
}

bool RecordedFileTable::AppendRowOf(const RecordedFileTable& from, std::size_t i, std::uint64_t size)
{
    if (m_nCount == 0)
        m_idFolder = from.GetFolderIdentity(i);
    if (!AppendRow(from, i))
        return false;
    m_nTotalSize += size;
    return true;
}

bool RecordedFileTable::AppendRow(const RecordedFileTable& from, std::size_t i)
{
    if (m_nCount == static_cast<std::size_t>(INT_MAX))
        return false;
    Row row = from.At(i);
    const char* const source = from.TextOf(row);
    const std::size_t length = static_cast<std::size_t>(from.Kept(row, kOwnDevice) - source) +
                               ((row.nForm & kOwnDevice) != 0 ? sizeof(FileIdentity::nDevice) : 0);
    char* const text = TextRoom(length, row.nText);
    if (text == nullptr)
        return false;
    std::copy(source, source + length, text);
    Keep(row, 0);
    return true;
}

RecordedFileTable RecordedFileTable::Merged(std::span<const RecordedFileTable> tables, std::vector<std::string> names)
{
    RecordedFileTable merged;
    // A source is kept in 16 bits; a store has far fewer devices.
    tables = tables.first(std::min<std::size_t>(tables.size(), UINT16_MAX + 1));
    std::vector<std::size_t> counts;
    for (const RecordedFileTable& table : tables) {
        counts.push_back(table.GetCount());
        merged.m_aSourceFolders.push_back(table.m_idFolder);
        merged.m_nTotalSize += table.m_nTotalSize;
    }
    names.resize(tables.size());
    merged.m_aSourceNames = std::move(names);
    const auto order = DeviceSearches::MergedOrder(
        counts, [&tables](DeviceSearches::Place place) { return tables[place.nDevice].GetRecordedTime(place.nRow); });
    merged.m_aSource.reserve(order.size());
    for (const DeviceSearches::Place& place : order) {
        if (!merged.AppendRow(tables[place.nDevice], place.nRow))
            break;
        merged.m_aSource.push_back(static_cast<std::uint16_t>(place.nDevice));
    }
    if (!tables.empty())
        merged.m_idFolder = merged.m_aSourceFolders.front();
    return merged;
}

std::size_t RecordedFileTable::GetSource(std::size_t i) const
{
    return m_aSource.empty() ? 0 : m_aSource[i];
}

std::string_view RecordedFileTable::GetSourceName(std::size_t i) const
{
    return m_aSource.empty() ? std::string_view() : std::string_view(m_aSourceNames[m_aSource[i]]);
}

FileIdentity RecordedFileTable::GetFolderIdentity(std::size_t i) const
{
    return m_aSource.empty() ? m_idFolder : m_aSourceFolders[m_aSource[i]];
}
