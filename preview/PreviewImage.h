#pragma once

#include <cstdint>
#include <vector>

// A decoded picture scaled to fit a preview box: rows top to bottom, each
// pixel 0xffRRGGBB in the machine's byte order (the layout of Qt's RGB32).
// Empty when there is no preview.
struct PreviewImage {
    int nWidth = 0;
    int nHeight = 0;
    std::vector<std::uint32_t> pixels;

    bool IsNull() const { return pixels.empty(); }

    // The size of a width x height picture scaled, keeping its proportions, to
    // the largest that fits a boxWidth x boxHeight box (at least 1 x 1).
    // Zero for an empty picture or box.
    struct Size {
        int nWidth = 0;
        int nHeight = 0;
    };
    static Size FitInBox(std::int64_t width, std::int64_t height, int boxWidth, int boxHeight)
    {
        if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0)
            return {};
        // Whichever side reaches the box first decides the scale.
        if (width * boxHeight >= height * boxWidth) {
            const std::int64_t h = height * boxWidth / width;
            return {boxWidth, static_cast<int>(h < 1 ? 1 : h)};
        }
        const std::int64_t w = width * boxHeight / height;
        return {static_cast<int>(w < 1 ? 1 : w), boxHeight};
    }
};
