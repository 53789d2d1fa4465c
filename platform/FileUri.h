#pragma once

#include <string>
#include <string_view>

// The file: URI of a local path, as file managers take it from the clipboard
// or a drag: every byte but the unreserved ones and the separators written as
// %XX, so that a name that is no UTF-8 still leads to its file.
namespace FileUri {

// Linux: file:///folder/name. Windows: file:///C:/folder/name for a drive,
// file://server/share/name for a share.
std::string Of(std::string_view path);

// bytes, each byte %XX but A-Z a-z 0-9 - . _ ~ and those in kept.
inline std::string PercentEncoded(std::string_view bytes, std::string_view kept)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~' ||
                           kept.find(c) != std::string_view::npos;
        if (plain) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}

} // namespace FileUri
