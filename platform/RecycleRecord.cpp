#include "platform/RecycleRecord.h"

#include <cstdint>

namespace {

// "$I" records: the version, the file's size and the time of its deletion
// (8 bytes each), then the path: 260 UTF-16 units in version 1; a count of
// units with the terminator (4 bytes) and the units in version 2.
constexpr std::size_t kPathOffset = 24;
constexpr std::size_t kVersion1PathBytes = 520;

std::uint64_t Little(std::string_view bytes, std::size_t offset, std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

void AppendLittle(std::string& out, std::uint64_t value, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The path's bytes up to its terminator, which must lie within bytes.
std::optional<std::string_view> Terminated(std::string_view bytes)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        if (bytes[i] == 0 && bytes[i + 1] == 0)
            return bytes.substr(0, i);
    return std::nullopt;
}

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

} // namespace

std::optional<std::string> RecycleRecord::WithWindowsPath(std::string_view record, std::string_view oldTail,
                                                          std::string_view newPath)
{
    if (record.size() < kPathOffset + 4 || oldTail.size() % 2 != 0 || newPath.size() % 2 != 0)
        return std::nullopt;
    const std::uint64_t version = Little(record, 0, 8);
    std::optional<std::string_view> path;
    if (version == 1 && record.size() >= kPathOffset + kVersion1PathBytes) {
        path = Terminated(record.substr(kPathOffset, kVersion1PathBytes));
    } else if (version == 2) {
        const std::uint64_t units = Little(record, kPathOffset, 4);
        if (units == 0 || units > (record.size() - kPathOffset - 4) / 2)
            return std::nullopt;
        path = Terminated(record.substr(kPathOffset + 4, units * 2));
    }
    if (!path || !path->ends_with(oldTail))
        return std::nullopt;

    std::string out(record.substr(0, kPathOffset));
    if (version == 1) {
        if (newPath.size() + 2 > kVersion1PathBytes)
            return std::nullopt;
        out += newPath;
        out.resize(kPathOffset + kVersion1PathBytes, '\0');
        return out;
    }
    AppendLittle(out, newPath.size() / 2 + 1, 4);
    out += newPath;
    out.append(2, '\0');
    return out;
}

std::optional<std::string> RecycleRecord::WithDesktopName(std::string_view record, std::string_view oldName,
                                                          std::string_view newName)
{
    constexpr std::string_view kKey = "\nPath=";
    const std::size_t key = record.find(kKey);
    if (key == std::string_view::npos)
        return std::nullopt;
    const std::size_t start = key + kKey.size();
    std::size_t end = record.find('\n', start);
    if (end == std::string_view::npos)
        end = record.size();
    const std::string_view path = record.substr(start, end - start);
    const std::string tail = "/" + std::string(oldName);
    if (!path.ends_with(tail))
        return std::nullopt;

    std::string escaped;
    for (const char c : newName) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte)) {
            escaped.push_back(c);
        } else {
            constexpr char kHex[] = "0123456789ABCDEF";
            escaped += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
        }
    }
    std::string out(record.substr(0, end - oldName.size()));
    out += escaped;
    out += record.substr(end);
    return out;
}
