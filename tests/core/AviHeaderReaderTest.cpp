#include "platform/AviHeaderReader.h"
#include "support/ClipBytes.h"

#include <gtest/gtest.h>

#include <limits>

using namespace clipbytes;

namespace {

std::optional<AviVideoStream> Read(const std::string& file)
{
    return ReadAviVideoStream(Bytes(file));
}

// Offset of the n-th occurrence of text in data.
std::size_t Find(const std::string& data, std::string_view text, int n = 0)
{
    std::size_t at = data.find(text);
    while (n-- > 0)
        at = data.find(text, at + 1);
    return at;
}

} // namespace

TEST(AviHeaderReader, ReadsTheFirstVideoStream)
{
    // RIFF size "AVI " | LIST size "hdrl" [avih] [LIST strl [strh vids] [strf]] | LIST movi
    const auto s = Read(Avi({Strl("vids", 1, 5, 2, 10)}));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->dwScale, 1u);
    EXPECT_EQ(s->dwRate, 5u);
    EXPECT_EQ(s->dwStart, 2u);
    EXPECT_EQ(s->dwLength, 10u);
}

TEST(AviHeaderReader, SkipsAudioStreamsBeforeTheVideoStream)
{
    const auto s = Read(Avi({Strl("auds", 1, 8000, 0, 4000), Strl("vids", 1001, 30000, 0, 300)}));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->dwRate, 30000u);
    EXPECT_EQ(s->dwLength, 300u);
}

TEST(AviHeaderReader, AudioOnlyGivesNoStream)
{
    EXPECT_FALSE(Read(Avi({Strl("auds", 1, 8000, 0, 4000)})));
    EXPECT_FALSE(Read(Avi({})));
}

TEST(AviHeaderReader, ZeroRateOrScaleGivesNoStream)
{
    EXPECT_FALSE(Read(Avi({Strl("vids", 0, 5, 0, 10)})));
    EXPECT_FALSE(Read(Avi({Strl("vids", 1, 0, 0, 10)})));
    // The first video stream decides: a later good one does not count.
    EXPECT_FALSE(Read(Avi({Strl("vids", 1, 0, 0, 10), Strl("vids", 1, 5, 0, 10)})));
}

TEST(AviHeaderReader, NotRiffAviGivesNoStream)
{
    std::string file = Avi({Strl("vids", 1, 5, 0, 10)});
    EXPECT_FALSE(Read("RIFX" + file.substr(4)));
    EXPECT_FALSE(Read(file.substr(0, 8) + "WAVE" + file.substr(12)));
    EXPECT_FALSE(Read(""));
}

TEST(AviHeaderReader, TruncatedHeadersGiveNoStream)
{
    const std::string file = Avi({Strl("vids", 1, 5, 0, 10)});
    const std::size_t strh = Find(file, "strh");
    for (const std::size_t n : std::initializer_list<std::size_t>{0, 4, 11, 12, 20, 24, strh + 8 + 20, strh + 8 + 35})
        EXPECT_FALSE(Read(file.substr(0, n))) << n;
    // Cut anywhere before the RIFF chunk's end: its size runs past the file.
    EXPECT_FALSE(Read(file.substr(0, file.size() - 1)));
    EXPECT_TRUE(Read(file));
}

TEST(AviHeaderReader, StrhShorterThanItsFieldsGivesNoStream)
{
    const std::string shortStrh = List("strl", {Chunk("strh", StrhPayload("vids", 1, 5, 0, 10).substr(0, 32))});
    EXPECT_FALSE(Read(Avi({shortStrh})));
    const std::string tinyStrh = List("strl", {Chunk("strh", "vi")});
    EXPECT_FALSE(Read(Avi({tinyStrh, Strl("auds", 1, 8000, 0, 10)})));
    // Exactly 36 bytes is enough.
    const std::string strh36 = List("strl", {Chunk("strh", StrhPayload("vids", 1, 5, 0, 10).substr(0, 36))});
    EXPECT_TRUE(Read(Avi({strh36})));
}

TEST(AviHeaderReader, ZeroSizeChunksCannotMakeTheWalkSpin)
{
    // Zero-size chunks at every level are stepped over by their 8-byte head.
    const std::string file =
        Riff({Chunk("JUNK", ""),
              Chunk("LIST", "hdrl" + Chunk("JUNK", "") + Avih() + Chunk("LIST", "") +
                                List("strl", {Chunk("JUNK", ""), Chunk("strh", StrhPayload("vids", 1, 25, 0, 50))}))});
    const auto s = Read(file);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->dwLength, 50u);
    // A file of nothing but zero-size chunks ends too.
    std::string junk;
    for (int i = 0; i < 10000; ++i)
        junk += Chunk("JUNK", "");
    EXPECT_FALSE(Read(Riff({junk})));
}

TEST(AviHeaderReader, OddSizesArePaddedToEven)
{
    // JUNK of 3 bytes + 1 pad byte before hdrl; odd chunk inside strl too.
    const std::string file =
        Riff({Chunk("JUNK", "abc"),
              List("hdrl", {Avih(), Chunk("odd!", "x"),
                            List("strl", {Chunk("strn", "name1"), Chunk("strh", StrhPayload("vids", 1, 5, 0, 7))})})});
    ASSERT_EQ(file[12 + 8 + 3], '\0'); // the pad byte
    const auto s = Read(file);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->dwLength, 7u);
}

TEST(AviHeaderReader, SizesPastTheParentOrTheFileGiveNoStream)
{
    const std::string file = Avi({Strl("vids", 1, 5, 0, 10)});
    const std::size_t hdrl = Find(file, "LIST");
    const std::size_t strl = Find(file, "LIST", 1);
    const std::size_t strh = Find(file, "strh");

    // strh claims more than its strl holds.
    std::string bad = file;
    bad.replace(strh + 4, 4, LE(1000, 4));
    EXPECT_FALSE(Read(bad));
    // strl claims more than hdrl holds.
    bad = file;
    bad.replace(strl + 4, 4, LE(5000, 4));
    EXPECT_FALSE(Read(bad));
    // hdrl claims more than the RIFF chunk holds.
    bad = file;
    bad.replace(hdrl + 4, 4, LE(0xFFFFFFF0u, 4));
    EXPECT_FALSE(Read(bad));
    // RIFF claims more than the file holds.
    bad = file;
    bad.replace(4, 4, LE(file.size() + 100, 4));
    EXPECT_FALSE(Read(bad));
    // A RIFF size too small for its own form type.
    bad = file;
    bad.replace(4, 4, LE(2, 4));
    EXPECT_FALSE(Read(bad));
}

TEST(AviHeaderReader, LooksAtMostAtTheFirstMegabyte)
{
    // hdrl after 1 MiB of JUNK: out of reach.
    const std::string far = Riff(
        {Chunk("JUNK", std::string(kAviHeaderReadLimit, '\0')), List("hdrl", {Avih(), Strl("vids", 1, 5, 0, 10)})});
    EXPECT_FALSE(Read(far));
    AviVideoStream stream{};
    EXPECT_EQ(ParseAviHeader(Bytes(far), far.size(), stream), AviHeaderStatus::NoStream);
    // Within the first MiB it is found even in a longer file.
    const std::string near =
        Riff({Chunk("JUNK", std::string(1000, '\0')), List("hdrl", {Avih(), Strl("vids", 1, 5, 0, 10)}),
              Chunk("JUNK", std::string(kAviHeaderReadLimit, '\0'))});
    EXPECT_TRUE(Read(near));
}

TEST(AviHeaderReader, StepwiseReadsAskForMoreOnlyWithinReach)
{
    const std::string file =
        Riff({Chunk("JUNK", std::string(20000, '\0')), List("hdrl", {Avih(), Strl("vids", 1, 5, 0, 10)})});
    AviVideoStream stream{};
    const std::string head = file.substr(0, 8192);
    EXPECT_EQ(ParseAviHeader(Bytes(head), file.size(), stream), AviHeaderStatus::NeedMore);
    EXPECT_EQ(ParseAviHeader(Bytes(head), head.size(), stream), AviHeaderStatus::NoStream);
    EXPECT_EQ(ParseAviHeader(Bytes(file), file.size(), stream), AviHeaderStatus::Found);
}

TEST(AviHeaderReader, SampleToTimeTruncatesBelowAThousandSamplesPerSecond)
{
    const AviVideoStream video{0, 0, 1, 5}; // 5 frames per second
    EXPECT_EQ(AviSampleToTime(video, 0), 0);
    EXPECT_EQ(AviSampleToTime(video, 10), 2000);
    const AviVideoStream ntsc{0, 0, 1001, 30000}; // 29.97 fps
    EXPECT_EQ(AviSampleToTime(ntsc, 1), 33);      // 33.366.. truncated
    EXPECT_EQ(AviSampleToTime(ntsc, 60), 2002);   // 2002.0
    const AviVideoStream slow{0, 0, 3, 1};        // one frame every 3 s
    EXPECT_EQ(AviSampleToTime(slow, 1), 3000);
}

TEST(AviHeaderReader, SampleToTimeRoundsUpFromAThousandSamplesPerSecond)
{
    const AviVideoStream audio{0, 0, 1, 44100};
    EXPECT_EQ(AviSampleToTime(audio, 1), 1);        // 0.0226.. rounded up
    EXPECT_EQ(AviSampleToTime(audio, 44100), 1000); // exact
    EXPECT_EQ(AviSampleToTime(audio, 44101), 1001);
    const AviVideoStream edge{0, 0, 1, 1000};
    EXPECT_EQ(AviSampleToTime(edge, 7), 7);
}

TEST(AviHeaderReader, SampleToTimeNeverOverflows)
{
    const AviVideoStream huge{0, 0, 0xFFFFFFFFu, 1};
    EXPECT_EQ(AviSampleToTime(huge, 0x1FFFFFFFEll), std::numeric_limits<std::int64_t>::max());
    const AviVideoStream big{0, 0, 0xFFFFFFFFu, 0xFFFFFFFFu};
    EXPECT_EQ(AviSampleToTime(big, 0x1FFFFFFFEll), 0x1FFFFFFFEll * 1000);
    EXPECT_EQ(AviSampleToTime(AviVideoStream{0, 0, 0, 5}, 10), 0);
    EXPECT_EQ(AviSampleToTime(AviVideoStream{0, 0, 1, 5}, -10), -2000);
    EXPECT_EQ(AviSampleToTime(huge, std::numeric_limits<std::int64_t>::min()),
              -std::numeric_limits<std::int64_t>::max());

    // A length is the difference of the uncapped ends.
    EXPECT_EQ(AviStreamMilliseconds(AviVideoStream{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 1}),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(AviStreamMilliseconds(AviVideoStream{0xFFFFFFFFu, 2, 0xFFFFFFFFu, 0xFFFFFFFFu}), 2000);
    EXPECT_EQ(AviStreamMilliseconds(AviVideoStream{50, 10, 1, 5}), 2000);
    EXPECT_EQ(AviStreamMilliseconds(AviVideoStream{7, 9, 0, 5}), 0);
}
