#include "catalog/AsfHeader.h"
#include "catalog/RecordingNames.h"
#include "support/ClipBytes.h"

#include <gtest/gtest.h>

using namespace clipbytes;

namespace {

std::optional<std::int64_t> Seconds(const std::string& header)
{
    return AsfPlaySecondsFromHeader(Bytes(header));
}

} // namespace

TEST(AsfHeader, PlayDurationLiesAtByte94WhenFilePropertiesComeFirst)
{
    // Header Object (30) | File Properties Object (104): Play Duration at 30 + 64.
    const std::string header = AsfHeader({AsfFileProperties(1234567890, 0)});
    ASSERT_EQ(header.size(), 134u);
    EXPECT_EQ(header.substr(94, 8), LE(1234567890, 8));
}

TEST(AsfHeader, DurationExamplesOfThePart)
{
    struct Case {
        std::uint64_t playDuration;
        std::int64_t seconds;
        const char* text;
    };
    for (const Case c : {Case{1234567890, 123, "02:03"}, Case{9010000000, 901, "15:00"}, Case{9000000000, 900, "15:00"},
                         Case{8990000000, 899, "14:59"}}) {
        const auto seconds = Seconds(AsfHeader({AsfFileProperties(c.playDuration, 0)}));
        ASSERT_TRUE(seconds) << c.playDuration;
        EXPECT_EQ(*seconds, c.seconds);
        EXPECT_EQ(FormatDuration(*seconds), c.text);
    }
}

TEST(AsfHeader, PrerollIsSubtractedAndTheResultNeverGoesBelowZero)
{
    // 5.1 s of Play Duration with a 3,100 ms preroll: a 2-second clip.
    EXPECT_EQ(Seconds(AsfHeader({AsfFileProperties(51000000, 3100)})), 2);
    // 2.9999999 s left after the preroll: whole seconds drop the rest.
    EXPECT_EQ(Seconds(AsfHeader({AsfFileProperties(59999999, 3000)})), 2);
    // A preroll longer than the play duration, and one that would overflow.
    EXPECT_EQ(Seconds(AsfHeader({AsfFileProperties(10000000, 5000)})), 0);
    EXPECT_EQ(Seconds(AsfHeader({AsfFileProperties(10000000, ~std::uint64_t{0})})), 0);
}

TEST(AsfHeader, DurationsTooLargeForThirtyTwoBitsStayLarge)
{
    const auto seconds = Seconds(AsfHeader({AsfFileProperties(~std::uint64_t{0}, 0)}));
    ASSERT_TRUE(seconds);
    EXPECT_EQ(*seconds, static_cast<std::int64_t>(~std::uint64_t{0} / 10000000));
    EXPECT_EQ(FormatDuration(*seconds), "15:00");
}

TEST(AsfHeader, FilePropertiesAreFoundByGuidAfterOtherObjects)
{
    // Header Object | Stream Properties-like object (24 + 50) | File Properties.
    const std::string header =
        AsfHeader({AsfObject(kAsfStreamPropertiesGuid, std::string(50, '\0')), AsfFileProperties(1234567890, 0)});
    EXPECT_EQ(Seconds(header), 123);
}

TEST(AsfHeader, NoFilePropertiesObjectMeansNoDuration)
{
    EXPECT_FALSE(Seconds(AsfHeader({AsfObject(kAsfStreamPropertiesGuid, std::string(80, '\0'))})));
    EXPECT_FALSE(Seconds(AsfHeader({})));
}

TEST(AsfHeader, NotAnAsfHeaderMeansNoDuration)
{
    std::string header = AsfHeader({AsfFileProperties(1234567890, 0)});
    header[0] = 'R'; // first GUID byte changed
    EXPECT_FALSE(Seconds(header));
    EXPECT_FALSE(Seconds(std::string(200, '\0')));
    EXPECT_FALSE(Seconds(""));
}

TEST(AsfHeader, TruncatedHeadersGiveNoDuration)
{
    const std::string header = AsfHeader({AsfFileProperties(1234567890, 0)});
    for (std::size_t n : {0u, 29u, 30u, 53u, 94u, 101u, 102u, 133u})
        EXPECT_FALSE(Seconds(header.substr(0, n))) << n;
    EXPECT_EQ(Seconds(header.substr(0, 134)), 123);
    std::int64_t seconds = 0;
    EXPECT_EQ(ParseAsfHeader(Bytes(header.substr(0, 101)), seconds), AsfHeaderStatus::NeedMore);
}

TEST(AsfHeader, ZeroSizeObjectEndsTheSearch)
{
    // Header Object | object of size 0 | File Properties: the walk may not spin
    // on the zero-size object, and it may not guess past it.
    std::string zero = kAsfStreamPropertiesGuid + LE(0, 8);
    const std::string header = AsfHeader({zero, AsfFileProperties(1234567890, 0)});
    std::int64_t seconds = 0;
    EXPECT_EQ(ParseAsfHeader(Bytes(header), seconds), AsfHeaderStatus::NoDuration);
    // Sizes below the 24-byte object head are as hostile.
    const std::string small = AsfHeader({kAsfStreamPropertiesGuid + LE(23, 8), AsfFileProperties(1, 0)});
    EXPECT_FALSE(Seconds(small));
}

TEST(AsfHeader, ObjectSizesPastTheHeaderObjectAreRefused)
{
    // File Properties whose size field claims more than the Header Object holds.
    std::string header = AsfHeader({AsfFileProperties(1234567890, 0)});
    header.replace(30 + 16, 8, LE(1000, 8));
    EXPECT_FALSE(Seconds(header + std::string(2000, '\0')));
    // Header Object smaller than its own head, or than its first object.
    std::string tiny = AsfHeader({AsfFileProperties(1234567890, 0)});
    tiny.replace(16, 8, LE(29, 8));
    EXPECT_FALSE(Seconds(tiny));
    std::string shortHeader = AsfHeader({AsfFileProperties(1234567890, 0)});
    shortHeader.replace(16, 8, LE(100, 8));
    EXPECT_FALSE(Seconds(shortHeader));
    // A huge Header Object size with no File Properties inside what was read.
    std::string huge = AsfHeader({AsfObject(kAsfStreamPropertiesGuid, std::string(40, '\0'))});
    huge.replace(16, 8, LE(~std::uint64_t{0}, 8));
    std::int64_t seconds = 0;
    EXPECT_EQ(ParseAsfHeader(Bytes(huge), seconds), AsfHeaderStatus::NeedMore);
}

TEST(AsfHeader, FilePropertiesObjectShorterThanItsLayoutIsRefused)
{
    const std::string shortFpo = AsfObject(kAsfFilePropertiesGuid, std::string(60, '\x01'));
    EXPECT_FALSE(Seconds(AsfHeader({shortFpo})));
}
