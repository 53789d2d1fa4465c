#include "catalog/AsfHeader.h"

#include "platform/ByteReader.h"

#include <array>

namespace {

// GUIDs as stored in the file: the first three fields little-endian.
constexpr std::array<std::uint8_t, 16> kHeaderObject = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                        0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr std::array<std::uint8_t, 16> kFilePropertiesObject = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                                                0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};

constexpr std::uint64_t kHeaderObjectSize = 30;
constexpr std::uint64_t kObjectHead = 24; // GUID + size
constexpr std::uint64_t kFilePropertiesSize = 104;
constexpr std::uint64_t kPlayDurationOffset = 64;
constexpr std::uint64_t kPrerollOffset = 80;

} // namespace

AsfHeaderStatus ParseAsfHeader(std::span<const std::uint8_t> header, std::int64_t& seconds)
{
    const ByteReader reader(header);
    if (!reader.Has(0, kHeaderObjectSize))
        return AsfHeaderStatus::NeedMore;
    if (!reader.Equals(0, kHeaderObject))
        return AsfHeaderStatus::NoDuration;
    std::uint64_t headerSize = 0;
    reader.U64(16, headerSize);
    if (headerSize < kHeaderObjectSize)
        return AsfHeaderStatus::NoDuration;

    std::uint64_t offset = kHeaderObjectSize;
    // Each step advances by at least 24 bytes, so the walk ends.
    while (headerSize - offset >= kObjectHead) {
        if (!reader.Has(offset, kObjectHead))
            return AsfHeaderStatus::NeedMore;
        std::uint64_t size = 0;
        reader.U64(offset + 16, size);
        if (size < kObjectHead || size > headerSize - offset)
            return AsfHeaderStatus::NoDuration;
        if (reader.Equals(offset, kFilePropertiesObject)) {
            if (size < kFilePropertiesSize)
                return AsfHeaderStatus::NoDuration;
            if (!reader.Has(offset, kFilePropertiesSize))
                return AsfHeaderStatus::NeedMore;
            std::uint64_t play = 0, preroll = 0;
            reader.U64(offset + kPlayDurationOffset, play);
            reader.U64(offset + kPrerollOffset, preroll);
            // Preroll is in milliseconds: 10,000 units of 100 ns each.
            const unsigned __int128 prerollUnits = static_cast<unsigned __int128>(preroll) * 10000u;
            const std::uint64_t length = play > prerollUnits ? static_cast<std::uint64_t>(play - prerollUnits) : 0;
            seconds = static_cast<std::int64_t>(length / 10000000u);
            return AsfHeaderStatus::Found;
        }
        offset += size;
    }
    return AsfHeaderStatus::NoDuration;
}

std::optional<std::int64_t> AsfPlaySecondsFromHeader(std::span<const std::uint8_t> header)
{
    std::int64_t seconds = 0;
    if (ParseAsfHeader(header, seconds) == AsfHeaderStatus::Found)
        return seconds;
    return std::nullopt;
}
