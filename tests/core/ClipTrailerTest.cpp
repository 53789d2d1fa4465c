#include "catalog/ClipTrailer.h"
#include "support/ClipBytes.h"

#include <gtest/gtest.h>

using namespace clipbytes;

namespace {

struct Texts {
    bool found;
    std::string start, end;
};

Texts Parse(const std::string& trailer)
{
    Texts t;
    t.found = ParseClipTrailer(Bytes(trailer), t.start, t.end);
    return t;
}

} // namespace

TEST(ClipTrailer, StartAndEndOfThePartsExample)
{
    // 50 bytes: "NC" start "," end, then NUL bytes.
    const Texts t = Parse(Trailer("NC2006/03/14 10:00:05,2006/03/14 10:05:05"));
    EXPECT_TRUE(t.found);
    EXPECT_EQ(t.start, "2006/03/14 10:00:05");
    EXPECT_EQ(t.end, "2006/03/14 10:05:05");
}

TEST(ClipTrailer, NcIsCaseSensitive)
{
    for (const char* text : {"nc2006/03/14 10:00:05,2006/03/14 10:05:05", "Nc2006/03/14 10:00:05,2006/03/14 10:05:05",
                             "XX2006/03/14 10:00:05,2006/03/14 10:05:05", "N", ""}) {
        const Texts t = Parse(Trailer(text));
        EXPECT_FALSE(t.found) << text;
        EXPECT_EQ(t.start, "") << text;
        EXPECT_EQ(t.end, "") << text;
    }
}

TEST(ClipTrailer, CommasAreSkippedAndFurtherPiecesIgnored)
{
    Texts t = Parse(Trailer(",,NC2006/03/14 10:00,,2006/03/14 10:05,extra,more"));
    EXPECT_TRUE(t.found);
    EXPECT_EQ(t.start, "2006/03/14 10:00");
    EXPECT_EQ(t.end, "2006/03/14 10:05");
    t = Parse(Trailer("NC2006/03/14 10:00"));
    EXPECT_TRUE(t.found);
    EXPECT_EQ(t.start, "2006/03/14 10:00");
    EXPECT_EQ(t.end, "");
    t = Parse(Trailer("NC,2006/03/14 10:05"));
    EXPECT_TRUE(t.found);
    EXPECT_EQ(t.start, ""); // found, but the scan skips an empty start
}

TEST(ClipTrailer, TextEndsAtTheFirstNulOrAfterFiftyBytes)
{
    std::string trailer = Trailer("NC2006/03/14 10:00,2006/03/14 10:05");
    trailer[26] = '\0'; // inside the end text, after "2006/03"
    Texts t = Parse(trailer);
    EXPECT_EQ(t.end, "2006/03");
    // No NUL at all: all 50 bytes are text.
    const std::string full = "NC2006/03/14 10:00,2006/03/14 10:05:05xxxxxxxxxxxx";
    ASSERT_EQ(full.size(), 50u);
    t = Parse(full);
    EXPECT_EQ(t.end, "2006/03/14 10:05:05xxxxxxxxxxxx");
}

TEST(ClipTrailer, OnlyTheLastFiftyBytesOfALongerBufferCount)
{
    const std::string bytes = std::string(100, 'Q') + Trailer("NC2006/03/14 10:00,2006/03/14 10:05");
    EXPECT_TRUE(Parse(bytes).found);
    EXPECT_FALSE(Parse(Trailer("NC2006/03/14 10:00,x") + "1").found);
}

TEST(ClipTrailer, ShortBuffersAreReadAsTheyAre)
{
    EXPECT_FALSE(Parse("").found);
    EXPECT_TRUE(Parse("NC2006/03/14 10:00").found);
}
