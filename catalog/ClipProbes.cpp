#include "catalog/ClipProbes.h"

#include "catalog/AsfHeader.h"
#include "catalog/ClipTrailer.h"
#include "catalog/RecordingNames.h"
#include "platform/AsciiCase.h"
#include "platform/AviHeaderReader.h"
#include "platform/CFile.h"

#include <algorithm>
#include <span>

namespace {

// A first read that holds a normal AVI header list (ffmpeg's is 4.6 KiB).
constexpr std::size_t kAviHeaderFirstRead = 8192;

} // namespace

ClipProber::ClipProber() : m_trailer{}, m_buffer(std::max(kAsfHeaderFirstRead, kAviHeaderFirstRead))
{ }

std::span<const std::uint8_t> ClipProber::ReadHead(const FileHandle& file, std::size_t count)
{
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, file.Size()));
    if (m_buffer.size() < count)
        m_buffer.resize(count);
    const std::size_t read = file.ReadAt(0, m_buffer.data(), count);
    return std::span<const std::uint8_t>(m_buffer.data(), read);
}

bool ClipProber::ReadTrailerFrom(const FileHandle& file, std::string_view& startText, std::string_view& endText)
{
    startText = {};
    endText = {};
    if (file.Size() < kClipTrailerSize)
        return false;
    if (file.ReadAt(file.Size() - kClipTrailerSize, m_trailer, kClipTrailerSize) != kClipTrailerSize)
        return false;
    return ParseClipTrailerView(std::span<const std::uint8_t>(m_trailer, kClipTrailerSize), startText, endText);
}

std::optional<std::int64_t> ClipProber::ReadAsfSecondsFrom(const FileHandle& file)
{
    std::int64_t seconds = 0;
    std::span<const std::uint8_t> head = ReadHead(file, kAsfHeaderFirstRead);
    AsfHeaderStatus status = ParseAsfHeader(head, seconds);
    if (status == AsfHeaderStatus::NeedMore && head.size() == kAsfHeaderFirstRead &&
        file.Size() > kAsfHeaderFirstRead) {
        head = ReadHead(file, kAsfHeaderReadLimit);
        status = ParseAsfHeader(head, seconds);
    }
    if (status != AsfHeaderStatus::Found)
        return std::nullopt;
    return seconds;
}

ClipProber::AsfResult ClipProber::ProbeAsf(const std::string& path, std::string_view& startText,
                                           std::string_view& endText, std::int64_t& seconds)
{
    startText = {};
    endText = {};
    if (!m_file.Open(path))
        return AsfResult::Unreadable;
    AsfResult result = AsfResult::NoTrailer;
    if (ReadTrailerFrom(m_file, startText, endText) && !startText.empty()) {
        const std::optional<std::int64_t> length = ReadAsfSecondsFrom(m_file);
        result = length ? AsfResult::Ok : AsfResult::NoDuration;
        seconds = length.value_or(0);
    }
    m_file.Close();
    return result;
}

bool ClipProber::ReadTrailer(const std::string& path, std::string_view& startText, std::string_view& endText)
{
    startText = {};
    endText = {};
    if (!m_file.Open(path))
        return false;
    ReadTrailerFrom(m_file, startText, endText);
    m_file.Close();
    return true;
}

std::optional<std::int64_t> ClipProber::ReadAsfSeconds(const std::string& path)
{
    if (!m_file.Open(path))
        return std::nullopt;
    const std::optional<std::int64_t> seconds = ReadAsfSecondsFrom(m_file);
    m_file.Close();
    return seconds;
}

bool ClipProber::ProbeAvi(const std::string& path, RecordedFile& row)
{
    if (!EndsWithNoCase(path, ".avi"))
        return false;
    CFileStatus status;
    if (!CFile::GetStatus(path, status))
        return false;
    if (!m_file.Open(path))
        return false;

    AviVideoStream stream{};
    std::span<const std::uint8_t> head = ReadHead(m_file, kAviHeaderFirstRead);
    AviHeaderStatus found = ParseAviHeader(head, m_file.Size(), stream);
    if (found == AviHeaderStatus::NeedMore && head.size() == kAviHeaderFirstRead) {
        head = ReadHead(m_file, kAviHeaderReadLimit);
        found = ParseAviHeader(head, m_file.Size(), stream);
    }
    m_file.Close();
    if (found != AviHeaderStatus::Found)
        return false;

    const std::int64_t seconds = AviStreamMilliseconds(stream) / 1000;
    const CTime start = status.m_ctime;
    FormatRecordTimeField(row.szStartTime, start);
    FormatRecordTimeField(row.szEndTime, start + CTimeSpan(seconds));
    FormatDurationField(row.szDuration, seconds);
    return true;
}

bool ReadClipTrailer(const std::string& path, std::string& startText, std::string& endText)
{
    ClipProber prober;
    std::string_view start, end;
    const bool opened = prober.ReadTrailer(path, start, end);
    startText.assign(start);
    endText.assign(end);
    return opened;
}

std::optional<std::int64_t> ReadAsfPlayDuration(const std::string& path)
{
    ClipProber prober;
    return prober.ReadAsfSeconds(path);
}

bool GetAviTimes(const std::string& path, std::string& startText, std::string& endText, std::string& durationText)
{
    ClipProber prober;
    RecordedFile row{};
    startText.clear();
    endText.clear();
    if (!prober.ProbeAvi(path, row))
        return false;
    startText = row.szStartTime;
    endText = row.szEndTime;
    durationText = row.szDuration;
    return true;
}
