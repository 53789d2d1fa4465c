#include "platform/AviHeaderReader.h"

#include "platform/ByteReader.h"

#include <limits>

namespace {

constexpr std::uint64_t kChunkHeader = 8;  // four-character id, 32-bit size
constexpr std::uint64_t kStrhMinimum = 36; // up to and including dwLength

// One chunk inside [.., parentEnd): its id at offset, its data from offset + 8.
struct Chunk {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    std::uint64_t DataEnd() const { return offset + kChunkHeader + size; }
    // Where the next sibling starts: odd sizes are padded to even.
    std::uint64_t Next() const { return DataEnd() + (size & 1u); }
};

enum class Step { Ok, End, Malformed, NeedMore };

// Reads the chunk header at offset inside a parent that ends at parentEnd.
// End: no room for another chunk header inside the parent. Malformed: the
// chunk's data runs past its parent. NeedMore: the header lies past the bytes.
Step ReadChunk(const ByteReader& reader, std::uint64_t offset, std::uint64_t parentEnd, Chunk& chunk)
{
    if (offset + kChunkHeader > parentEnd)
        return Step::End;
    if (!reader.Has(offset, kChunkHeader))
        return Step::NeedMore;
    chunk.offset = offset;
    reader.U32(offset + 4, chunk.size);
    if (chunk.DataEnd() > parentEnd)
        return Step::Malformed;
    return Step::Ok;
}

bool IsList(const ByteReader& reader, const Chunk& chunk, std::string_view type)
{
    return chunk.size >= 4 && reader.EqualsFourCC(chunk.offset, "LIST") &&
           reader.EqualsFourCC(chunk.offset + kChunkHeader, type);
}

// Inside one LIST strl (wholly inside the bytes): the stream's strh.
// Found: a video stream; NoStream with decided = false: not video, go on.
AviHeaderStatus ParseStrl(const ByteReader& reader, const Chunk& strl, AviVideoStream& stream, bool& decided)
{
    decided = false;
    const std::uint64_t end = strl.DataEnd();
    std::uint64_t offset = strl.offset + kChunkHeader + 4;
    Chunk chunk;
    for (;;) {
        const Step step = ReadChunk(reader, offset, end, chunk);
        if (step == Step::End)
            return AviHeaderStatus::NoStream; // a strl without strh: not a video stream
        if (step != Step::Ok) {
            decided = true; // past the parent (the bytes hold the whole strl)
            return AviHeaderStatus::NoStream;
        }
        if (reader.EqualsFourCC(offset, "strh")) {
            const std::uint64_t data = offset + kChunkHeader;
            if (chunk.size < 4 || !reader.EqualsFourCC(data, "vids"))
                return AviHeaderStatus::NoStream; // another kind of stream
            decided = true;
            if (chunk.size < kStrhMinimum)
                return AviHeaderStatus::NoStream; // the header ends early
            AviVideoStream s{};
            reader.U32(data + 20, s.dwScale);
            reader.U32(data + 24, s.dwRate);
            reader.U32(data + 28, s.dwStart);
            reader.U32(data + 32, s.dwLength);
            if (s.dwScale == 0 || s.dwRate == 0)
                return AviHeaderStatus::NoStream;
            stream = s;
            return AviHeaderStatus::Found;
        }
        offset = chunk.Next();
    }
}

AviHeaderStatus ParseHdrl(const ByteReader& reader, const Chunk& hdrl, AviVideoStream& stream)
{
    const std::uint64_t end = hdrl.DataEnd();
    std::uint64_t offset = hdrl.offset + kChunkHeader + 4;
    Chunk chunk;
    for (;;) {
        const Step step = ReadChunk(reader, offset, end, chunk);
        if (step != Step::Ok)
            return AviHeaderStatus::NoStream; // no video stream, or a chunk past hdrl
        if (IsList(reader, chunk, "strl")) {
            bool decided = false;
            const AviHeaderStatus status = ParseStrl(reader, chunk, stream, decided);
            if (decided || status == AviHeaderStatus::Found)
                return status;
        }
        offset = chunk.Next();
    }
}

} // namespace

AviHeaderStatus ParseAviHeader(std::span<const std::uint8_t> bytes, std::uint64_t fileSize, AviVideoStream& stream)
{
    if (bytes.size() > kAviHeaderReadLimit)
        bytes = bytes.first(kAviHeaderReadLimit);
    if (fileSize < bytes.size())
        fileSize = bytes.size();
    // What cannot be read: past the file, or past the first MiB.
    const auto beyondReach = [&](std::uint64_t end) { return end > fileSize || end > kAviHeaderReadLimit; };

    const ByteReader reader(bytes);
    if (!reader.Has(0, 12))
        return beyondReach(12) ? AviHeaderStatus::NoStream : AviHeaderStatus::NeedMore;
    if (!reader.EqualsFourCC(0, "RIFF") || !reader.EqualsFourCC(8, "AVI "))
        return AviHeaderStatus::NoStream;
    std::uint32_t riffSize = 0;
    reader.U32(4, riffSize);
    const std::uint64_t riffEnd = kChunkHeader + riffSize;
    if (riffSize < 4 || riffEnd > fileSize)
        return AviHeaderStatus::NoStream;

    std::uint64_t offset = 12;
    Chunk chunk;
    for (;;) {
        const Step step = ReadChunk(reader, offset, riffEnd, chunk);
        if (step == Step::End || step == Step::Malformed)
            return AviHeaderStatus::NoStream;
        if (step == Step::NeedMore)
            return beyondReach(offset + kChunkHeader) ? AviHeaderStatus::NoStream : AviHeaderStatus::NeedMore;
        if (chunk.size >= 4 && reader.EqualsFourCC(offset, "LIST") && !reader.Has(offset + kChunkHeader, 4))
            return beyondReach(offset + kChunkHeader + 4) ? AviHeaderStatus::NoStream : AviHeaderStatus::NeedMore;
        if (IsList(reader, chunk, "hdrl")) {
            if (!reader.Has(offset, kChunkHeader + chunk.size))
                return beyondReach(chunk.DataEnd()) ? AviHeaderStatus::NoStream : AviHeaderStatus::NeedMore;
            return ParseHdrl(reader, chunk, stream);
        }
        offset = chunk.Next();
    }
}

std::optional<AviVideoStream> ReadAviVideoStream(std::span<const std::uint8_t> bytes)
{
    // A full MiB may be the start of a longer file; a shorter buffer is the file.
    const std::uint64_t fileSize =
        bytes.size() >= kAviHeaderReadLimit ? std::numeric_limits<std::uint64_t>::max() : bytes.size();
    AviVideoStream stream{};
    if (ParseAviHeader(bytes, fileSize, stream) == AviHeaderStatus::Found)
        return stream;
    return std::nullopt;
}

namespace {

constexpr auto kMaxMilliseconds = static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max());

// AviSampleToTime of a sample count up to 2^64, uncapped: at most
// 2^64 * 2^32 * 1000 < 2^106.
unsigned __int128 Milliseconds(const AviVideoStream& stream, unsigned __int128 sample)
{
    const unsigned __int128 numerator = sample * stream.dwScale * 1000u;
    const unsigned __int128 rate = stream.dwRate;
    return stream.dwRate / stream.dwScale < 1000 ? numerator / rate : (numerator + rate - 1) / rate;
}

std::int64_t Capped(unsigned __int128 ms)
{
    return static_cast<std::int64_t>(ms > kMaxMilliseconds ? kMaxMilliseconds : ms);
}

} // namespace

std::int64_t AviSampleToTime(const AviVideoStream& stream, std::int64_t sample)
{
    if (stream.dwRate == 0 || stream.dwScale == 0 || sample == 0)
        return 0;
    const bool negative = sample < 0;
    const unsigned __int128 magnitude =
        negative ? static_cast<unsigned __int128>(-(sample + 1)) + 1 : static_cast<unsigned __int128>(sample);
    const std::int64_t capped = Capped(Milliseconds(stream, magnitude));
    return negative ? -capped : capped;
}

std::int64_t AviStreamMilliseconds(const AviVideoStream& stream)
{
    if (stream.dwRate == 0 || stream.dwScale == 0)
        return 0;
    const unsigned __int128 start = stream.dwStart;
    return Capped(Milliseconds(stream, start + stream.dwLength) - Milliseconds(stream, start));
}
