#include "preview/ClipFrameDecoder.h"
#include "support/ClipBytes.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace clipbytes;

namespace {

const std::string kData = CLIPSCOUT_TEST_DATA;

// The real clips of tools/make-test-clips.sh, all 32 x 24.
const char* const kClips[] = {"clip-trailer.asf", "mpeg4.avi", "mjpeg.avi"};

// Where the first video frame's bytes start and end. AVI: the first "00dc"
// chunk of the "movi" list, "00dc" size(4) data. ASF: the first data packet,
// 50 bytes into the Data Object (GUID 75B22636-668E-11CF-A6D9-00AA0062CE6C);
// its first payload is the whole frame of these small clips, so its first
// 40 bytes are taken as lying inside it.
std::pair<std::size_t, std::size_t> FirstFrame(const std::string& clip, const std::string& name)
{
    if (name.ends_with(".avi")) {
        const std::size_t chunk = clip.find("00dc", clip.find("movi"));
        const std::size_t size = std::size_t{static_cast<unsigned char>(clip[chunk + 4])} |
                                 std::size_t{static_cast<unsigned char>(clip[chunk + 5])} << 8;
        return {chunk + 8, chunk + 8 + size};
    }
    const std::size_t data =
        clip.find(std::string("\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16));
    return {data + 50, data + 90};
}

class ClipFrameDecoderTest : public ::testing::Test {
protected:
    const ClipFrameDecoder m_decoder;
    TempDir m_dir;
};

} // namespace

TEST(PreviewImageTest, FitInBoxKeepsProportionsAndFillsOneSide)
{
    EXPECT_EQ(PreviewImage::FitInBox(32, 24, 160, 160).nHeight, 120); // wide: width decides
    EXPECT_EQ(PreviewImage::FitInBox(32, 24, 160, 160).nWidth, 160);
    EXPECT_EQ(PreviewImage::FitInBox(24, 32, 160, 100).nWidth, 75); // tall: height decides
    EXPECT_EQ(PreviewImage::FitInBox(24, 32, 160, 100).nHeight, 100);
    EXPECT_EQ(PreviewImage::FitInBox(30000, 1, 160, 120).nHeight, 1); // never below one pixel
    EXPECT_EQ(PreviewImage::FitInBox(0, 24, 160, 120).nWidth, 0);
    EXPECT_EQ(PreviewImage::FitInBox(32, 24, 160, 0).nWidth, 0);
}

TEST_F(ClipFrameDecoderTest, RealClipsGiveTheirFirstFrameScaledToFitTheBox)
{
    for (const char* name : kClips) {
        const PreviewImage wide = m_decoder.DecodeFile(kData + "/" + name, 160, 160);
        ASSERT_FALSE(wide.IsNull()) << name;
        EXPECT_EQ(wide.nWidth, 160) << name;
        EXPECT_EQ(wide.nHeight, 120) << name;
        ASSERT_EQ(wide.pixels.size(), 160u * 120u) << name;
        const PreviewImage narrow = m_decoder.DecodeFile(kData + "/" + name, 40, 100);
        EXPECT_EQ(narrow.nWidth, 40) << name;
        EXPECT_EQ(narrow.nHeight, 30) << name;

        const std::set<std::uint32_t> colours(wide.pixels.begin(), wide.pixels.end());
        for (std::uint32_t pixel : colours)
            ASSERT_EQ(pixel >> 24, 0xffu) << name;
        if (std::string(name).ends_with(".asf")) {
            // A plain blue picture.
            const std::uint32_t centre = wide.pixels[60 * 160 + 80];
            EXPECT_GT(centre & 0xff, 0xc0u) << std::hex << centre;
            EXPECT_LT((centre >> 16) & 0xff, 0x40u) << std::hex << centre;
        } else {
            // The test pattern's bars and gradients, not a blank picture.
            EXPECT_GT(colours.size(), 50u) << name;
        }
    }
}

TEST_F(ClipFrameDecoderTest, TheFirstSecondCountsFromTheClipsFirstFrame)
{
    // The recorder's clips may say they have no Preroll while their frames
    // are stamped after one: the File Properties Object's Preroll, 8 bytes at
    // 110, zeroed leaves the first frame stamped 3.1 s.
    std::string clip = ReadFile(kData + "/clip-trailer.asf");
    clip.replace(110, 8, LE(0, 8));
    EXPECT_FALSE(m_decoder.DecodeBytes(Bytes(clip), ClipFrameDecoder::Container::Asf, 160, 120).IsNull());
}

TEST_F(ClipFrameDecoderTest, WhatHoldsNoWholeVideoFrameGivesNoPreview)
{
    EXPECT_TRUE(m_decoder.DecodeFile(kData + "/audio-only.avi", 160, 120).IsNull());
    EXPECT_TRUE(m_decoder.DecodeFile(kData + "/missing.avi", 160, 120).IsNull());
    EXPECT_TRUE(m_decoder.DecodeFile(m_dir.WriteFile("clip.mp4", ReadFile(kData + "/mpeg4.avi")), 160, 120).IsNull());
    EXPECT_TRUE(m_decoder.DecodeFile(kData, 160, 120).IsNull());

    for (const char* name : kClips) {
        const std::string clip = ReadFile(kData + "/" + name);
        const auto [begin, end] = FirstFrame(clip, name);
        ASSERT_LT(end, clip.size()) << name;
        for (const std::size_t cut : {std::size_t{0}, begin / 2, begin, (begin + end) / 2}) {
            const std::string path = m_dir.WriteFile(std::string("cut-") + name, clip.substr(0, cut));
            EXPECT_TRUE(m_decoder.DecodeFile(path, 160, 120).IsNull()) << name << " cut at " << cut;
        }
        // The first frame's bytes turned to noise: the next key frame of the
        // first second takes its place, and only the MJPEG clip has one.
        std::string garbled = clip;
        for (std::size_t i = begin; i < end; ++i)
            garbled[i] = static_cast<char>(i * 37);
        const auto container = ClipFrameDecoder::ContainerOf(name);
        EXPECT_EQ(m_decoder.DecodeBytes(Bytes(garbled), *container, 160, 120).IsNull(),
                  std::string(name) != "mjpeg.avi")
            << name;
    }
}

TEST_F(ClipFrameDecoderTest, EachLimitAloneRefusesAClipThatDecodesWithoutIt)
{
    const std::string clip = ReadFile(kData + "/mjpeg.avi");
    const auto decode = [&](ClipFrameDecoder::Limits limits, const std::stop_token& stop = {}) {
        return ClipFrameDecoder(limits).DecodeBytes(Bytes(clip), ClipFrameDecoder::Container::Avi, 64, 48, stop);
    };
    ASSERT_FALSE(decode({}).IsNull());

    ClipFrameDecoder::Limits bytes;
    bytes.nMaxBytesRead = FirstFrame(clip, "mjpeg.avi").second - 1;
    EXPECT_TRUE(decode(bytes).IsNull());
    ClipFrameDecoder::Limits pixels;
    pixels.nMaxPixels = 32 * 24 - 1;
    EXPECT_TRUE(decode(pixels).IsNull());
    ClipFrameDecoder::Limits time;
    time.timeout = std::chrono::milliseconds(0);
    EXPECT_TRUE(decode(time).IsNull());
    std::stop_source stop;
    stop.request_stop();
    EXPECT_TRUE(decode({}, stop.get_token()).IsNull());

    // A header that claims 30,000 x 30,000 pixels: the BITMAPINFOHEADER in the
    // video stream's "strf" chunk, "strf" size(4) biSize(4) biWidth(4) biHeight(4).
    std::string huge = clip;
    const std::size_t strf = huge.find("strf");
    huge.replace(strf + 12, 8, LE(30000, 4) + LE(30000, 4));
    EXPECT_TRUE(ClipFrameDecoder().DecodeBytes(Bytes(huge), ClipFrameDecoder::Container::Avi, 64, 48).IsNull());
}
