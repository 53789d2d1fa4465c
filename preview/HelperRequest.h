#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// What the program asks of a decoding helper, sent over its pipe together
// with the open file: what kind of file it is and the box its preview must
// fit. Nine bytes: "CSPQ" kind(1) boxWidth(2) boxHeight(2), little-endian.
struct HelperRequest {
    enum class Kind : std::uint8_t { Asf = 1, Avi, Jpeg, Bmp };

    static constexpr std::size_t kSize = 9;
    // Far beyond any preview box; keeps the answer small.
    static constexpr int kMaxBox = 1024;

    Kind kind = Kind::Asf;
    int nBoxWidth = 0;
    int nBoxHeight = 0;

    // By the file's name, as the list shows it; empty for what has no preview.
    static std::optional<Kind> KindOf(const std::string& path);

    std::array<std::uint8_t, kSize> Encode() const;
    // Empty for anything but a whole request of a known kind and a box of
    // 1 to kMaxBox pixels each way.
    static std::optional<HelperRequest> Parse(std::span<const std::uint8_t> bytes);
};
