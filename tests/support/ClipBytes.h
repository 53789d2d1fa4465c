#pragma once

// Builders for the bytes of ASF headers, clip trailers and AVI (RIFF) headers,
// for tests that lay out a file in memory. Every integer is little-endian.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace clipbytes {

inline std::span<const std::uint8_t> Bytes(const std::string& data)
{
    return {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()};
}

inline std::string LE(std::uint64_t value, int width)
{
    std::string out;
    for (int i = 0; i < width; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

inline std::string Join(std::initializer_list<std::string> parts)
{
    std::string out;
    for (const std::string& part : parts)
        out += part;
    return out;
}

// ---- ASF ----------------------------------------------------------------

// GUIDs as stored: 75B22630-668E-11CF-A6D9-00AA0062CE6C and
// 8CABDCA1-A947-11CF-8EE4-00C00C205365; the third is the Stream Properties
// Object's (B7DC0791-A9B7-11CF-8EE6-00C00C205365), any other object.
inline const std::string kAsfHeaderGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
inline const std::string kAsfFilePropertiesGuid("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
inline const std::string kAsfStreamPropertiesGuid("\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65",
                                                  16);

// An object: GUID (16) | size (8, the whole object) | payload.
inline std::string AsfObject(const std::string& guid, const std::string& payload)
{
    return guid + LE(24 + payload.size(), 8) + payload;
}

// File Properties Object, 104 bytes:
//   0 GUID | 16 size=104 | 24 File ID (16) | 40 File Size | 48 Creation Date |
//   56 Data Packets Count | 64 Play Duration (100 ns) | 72 Send Duration |
//   80 Preroll (ms) | 88 Flags (4) | 92 Min Packet (4) | 96 Max Packet (4) |
//   100 Max Bitrate (4)
inline std::string AsfFileProperties(std::uint64_t playDuration, std::uint64_t prerollMs)
{
    return AsfObject(kAsfFilePropertiesGuid,
                     Join({std::string(16, '\x11'), LE(5000, 8), LE(0, 8), LE(3, 8), LE(playDuration, 8),
                           LE(playDuration, 8), LE(prerollMs, 8), LE(2, 4), LE(3200, 4), LE(3200, 4), LE(8000, 4)}));
}

// Header Object: GUID (16) | size (8, 30 + its objects) | object count (4) |
// reserved (1) = 1 | reserved (1) = 2 | the objects. With the File
// Properties Object first, Play Duration lies at byte 30 + 64 = 94.
inline std::string AsfHeader(std::initializer_list<std::string> objects)
{
    std::string body;
    for (const std::string& object : objects)
        body += object;
    return kAsfHeaderGuid + LE(30 + body.size(), 8) + LE(objects.size(), 4) + "\x01\x02" + body;
}

// The recorder's trailer: the text padded with NUL bytes to 50 bytes.
inline std::string Trailer(std::string_view text)
{
    std::string out(text.substr(0, 50));
    out.resize(50, '\0');
    return out;
}

// A whole clip: header with a File Properties Object, a little data, trailer.
inline std::string AsfClip(std::uint64_t playDuration, std::uint64_t prerollMs, std::string_view trailerText)
{
    return AsfHeader({AsfFileProperties(playDuration, prerollMs)}) + std::string(64, '\x5A') + Trailer(trailerText);
}

// ---- AVI (RIFF) ---------------------------------------------------------

// A chunk: id (4) | size (4, the payload's, without padding) | payload | one
// NUL byte of padding when the size is odd.
inline std::string Chunk(std::string_view id, const std::string& payload)
{
    std::string out = std::string(id) + LE(payload.size(), 4) + payload;
    if (payload.size() % 2 != 0)
        out += '\0';
    return out;
}

// LIST: "LIST" | size | type (4) | children.
inline std::string List(std::string_view type, std::initializer_list<std::string> children)
{
    std::string body(type);
    for (const std::string& child : children)
        body += child;
    return Chunk("LIST", body);
}

// strh payload, 56 bytes: 0 fccType | 4 fccHandler | 8 dwFlags | 12 wPriority,
// wLanguage | 16 dwInitialFrames | 20 dwScale | 24 dwRate | 28 dwStart |
// 32 dwLength | 36 dwSuggestedBufferSize | 40 dwQuality | 44 dwSampleSize |
// 48 rcFrame (4 x 16 bits).
inline std::string StrhPayload(std::string_view type, std::uint32_t scale, std::uint32_t rate, std::uint32_t start,
                               std::uint32_t length)
{
    return Join({std::string(type), "FMP4", LE(0, 4), LE(0, 4), LE(0, 4), LE(scale, 4), LE(rate, 4), LE(start, 4),
                 LE(length, 4), LE(0, 4), LE(0xFFFFFFFF, 4), LE(0, 4), LE(0, 8)});
}

inline std::string Strl(std::string_view type, std::uint32_t scale, std::uint32_t rate, std::uint32_t start,
                        std::uint32_t length)
{
    return List("strl",
                {Chunk("strh", StrhPayload(type, scale, rate, start, length)), Chunk("strf", std::string(40, '\0'))});
}

inline std::string Avih()
{
    return Chunk("avih", std::string(56, '\0'));
}

// RIFF "AVI " around the given top-level chunks; its size counts them all.
inline std::string Riff(std::initializer_list<std::string> chunks)
{
    std::string body = "AVI ";
    for (const std::string& chunk : chunks)
        body += chunk;
    return "RIFF" + LE(body.size(), 4) + body;
}

// A plain AVI: hdrl with avih and the given strl lists, then a small movi.
inline std::string Avi(std::initializer_list<std::string> strls)
{
    std::string hdrlBody = "hdrl" + Avih();
    for (const std::string& strl : strls)
        hdrlBody += strl;
    return Riff({Chunk("LIST", hdrlBody), List("movi", {Chunk("00dc", std::string(10, '\x01'))})});
}

} // namespace clipbytes
