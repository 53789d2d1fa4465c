#include "catalog/ClipProbes.h"

#include "catalog/AsfHeader.h"
#include "catalog/ClipTrailer.h"
#include "catalog/RecordingNames.h"
#include "platform/AviHeaderReader.h"

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

ClipProber::AsfResult ClipProber::ProbeAsf(const FileHandle& file, std::string_view& startText,
                                           std::string_view& endText, std::int64_t& seconds)
{
    startText = {};
    endText = {};
    if (file.Size() < kClipTrailerSize ||
        file.ReadAt(file.Size() - kClipTrailerSize, m_trailer, kClipTrailerSize) != kClipTrailerSize ||
        !ParseClipTrailerView(std::span<const std::uint8_t>(m_trailer, kClipTrailerSize), startText, endText) ||
        startText.empty())
        return AsfResult::NoTrailer;

    std::span<const std::uint8_t> head = ReadHead(file, kAsfHeaderFirstRead);
    AsfHeaderStatus status = ParseAsfHeader(head, seconds);
    if (status == AsfHeaderStatus::NeedMore && head.size() == kAsfHeaderFirstRead &&
        file.Size() > kAsfHeaderFirstRead) {
        head = ReadHead(file, kAsfHeaderReadLimit);
        status = ParseAsfHeader(head, seconds);
    }
    return status == AsfHeaderStatus::Found ? AsfResult::Ok : AsfResult::NoDuration;
}

bool ClipProber::ProbeAvi(const FileHandle& file, const CTime& created, const LocalZone& zone, RecordedFile& row,
                          std::int64_t& seconds)
{
    AviVideoStream stream{};
    std::span<const std::uint8_t> head = ReadHead(file, kAviHeaderFirstRead);
    AviHeaderStatus found = ParseAviHeader(head, file.Size(), stream);
    if (found == AviHeaderStatus::NeedMore && head.size() == kAviHeaderFirstRead) {
        head = ReadHead(file, kAviHeaderReadLimit);
        found = ParseAviHeader(head, file.Size(), stream);
    }
    if (found != AviHeaderStatus::Found)
        return false;

    seconds = AviStreamMilliseconds(stream) / 1000;
    zone.FormatRecordTimeField(row.szStartTime, created);
    zone.FormatRecordTimeField(row.szEndTime, created + CTimeSpan(seconds));
    FormatDurationField(row.szDuration, seconds);
    return true;
}
