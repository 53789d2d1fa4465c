#include "preview/HelperRequest.h"

#include "platform/AsciiCase.h"

#include <cstring>

namespace {

constexpr char kMagic[4] = {'C', 'S', 'P', 'Q'};

} // namespace

std::optional<HelperRequest::Kind> HelperRequest::KindOf(const std::string& path)
{
    if (EndsWithNoCase(path, ".asf"))
        return Kind::Asf;
    if (EndsWithNoCase(path, ".avi"))
        return Kind::Avi;
    if (EndsWithNoCase(path, ".jpg"))
        return Kind::Jpeg;
    if (EndsWithNoCase(path, ".bmp"))
        return Kind::Bmp;
    return std::nullopt;
}

std::array<std::uint8_t, HelperRequest::kSize> HelperRequest::Encode() const
{
    std::array<std::uint8_t, kSize> bytes{};
    std::memcpy(bytes.data(), kMagic, 4);
    bytes[4] = static_cast<std::uint8_t>(kind);
    bytes[5] = static_cast<std::uint8_t>(nBoxWidth);
    bytes[6] = static_cast<std::uint8_t>(nBoxWidth >> 8);
    bytes[7] = static_cast<std::uint8_t>(nBoxHeight);
    bytes[8] = static_cast<std::uint8_t>(nBoxHeight >> 8);
    return bytes;
}

std::optional<HelperRequest> HelperRequest::Parse(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != kSize || std::memcmp(bytes.data(), kMagic, 4) != 0)
        return std::nullopt;
    if (bytes[4] < static_cast<std::uint8_t>(Kind::Asf) || bytes[4] > static_cast<std::uint8_t>(Kind::Bmp))
        return std::nullopt;
    HelperRequest request;
    request.kind = static_cast<Kind>(bytes[4]);
    request.nBoxWidth = bytes[5] | bytes[6] << 8;
    request.nBoxHeight = bytes[7] | bytes[8] << 8;
    if (request.nBoxWidth < 1 || request.nBoxWidth > kMaxBox || request.nBoxHeight < 1 || request.nBoxHeight > kMaxBox)
        return std::nullopt;
    return request;
}
