#pragma once

#include "preview/PreviewImage.h"

#include <cstdint>
#include <span>
#include <vector>

// A decoding helper's answer: "CSPA" width(2) height(2), little-endian, then
// width x height pixels of 4 bytes (0xffRRGGBB, little-endian), rows top to
// bottom. 0 x 0 with no pixels says "No preview". The helper may have been
// taken over by the file it decoded, so the program believes nothing of it
// that it did not ask for.
struct HelperAnswer {
    static constexpr std::size_t kHeaderSize = 8;

    static std::vector<std::uint8_t> Encode(const PreviewImage& image);
    // The most bytes an answer for the box may have; reading stops there.
    static std::size_t MaxSize(int boxWidth, int boxHeight);
    // The picture, or empty for "No preview" and for anything that is not a
    // whole answer of exactly its size fitting the box. Pixels come out opaque.
    static PreviewImage Parse(std::span<const std::uint8_t> bytes, int boxWidth, int boxHeight);
};
