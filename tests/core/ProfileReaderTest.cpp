#include "platform/ProfileReader.h"
#include "settings/CLoadUISetting.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(ProfileReader, SectionAndKeyNamesIgnoreAsciiCaseAndBlanks)
{
    const std::string ini = "[directory]\n"
                            "  recording =   /srv/rec  \n"
                            "[ Device1 ]\t\n"
                            "LocalID=Cam A\n";
    EXPECT_EQ(ProfileLookup(ini, "Directory", "Recording"), "/srv/rec");
    EXPECT_EQ(ProfileLookup(ini, "DEVICE1", "localid"), "Cam A");
    // The value's own case is kept, and other sections do not leak.
    EXPECT_EQ(ProfileLookup(ini, "Directory", "LocalID"), "");
    EXPECT_EQ(ProfileLookup(ini, "Device2", "LocalID"), "");
}

TEST(ProfileReader, QuotesArePeeledOnlyAsAMatchingPair)
{
    const std::string ini = "[S]\n"
                            "a=\"quoted value\"\n"
                            "b='single'\n"
                            "c=\"mixed'\n"
                            "d=\"\n"
                            "e=\"\"\n"
                            "f=  \" padded \"  \n"
                            "g=\"inner\" and \"more\"\n";
    EXPECT_EQ(ProfileLookup(ini, "S", "a"), "quoted value");
    EXPECT_EQ(ProfileLookup(ini, "S", "b"), "single");
    EXPECT_EQ(ProfileLookup(ini, "S", "c"), "\"mixed'");
    EXPECT_EQ(ProfileLookup(ini, "S", "d"), "\"");
    EXPECT_EQ(ProfileLookup(ini, "S", "e"), "");
    EXPECT_EQ(ProfileLookup(ini, "S", "f"), " padded ");
    EXPECT_EQ(ProfileLookup(ini, "S", "g"), "inner\" and \"more");
}

TEST(ProfileReader, LineEndingsCommentsAndOddLines)
{
    // CR-only lines, CR LF lines, a byte-order mark, a comment that looks like a
    // key, a line without "=", and a key before any section.
    const std::string ini = "\xEF\xBB\xBF"
                            "orphan=before\r"
                            "[S]\r"
                            "; k=commented\r\n"
                            "no equals sign here\r\n"
                            "k = v1 = still value\r"
                            "\v\f k2=\tx\t\r";
    EXPECT_EQ(ProfileLookup(ini, "S", "k"), "v1 = still value");
    EXPECT_EQ(ProfileLookup(ini, "S", "k2"), "x");
    EXPECT_EQ(ProfileLookup(ini, "S", "orphan"), "");
    // Keys before the first section are in a section without a name, as
    // Windows reads them.
    EXPECT_EQ(ProfileLookup(ini, "", "orphan"), "before");
    EXPECT_EQ(ProfileLookup(ini, "", "k"), "");
}

TEST(ProfileReader, FirstSectionAndFirstKeyWin)
{
    const std::string ini = "[S]\nk=first\nk=second\n"
                            "[Other]\nx=1\n"
                            "[s]\nk=later section\nonly=in second\n";
    EXPECT_EQ(ProfileLookup(ini, "S", "k"), "first");
    EXPECT_EQ(ProfileLookup(ini, "S", "only"), "");
}

TEST(ProfileReader, SectionNameRunsToTheLastBracket)
{
    EXPECT_EQ(ProfileLookup("[a]b]\nk=v\n", "a]b", "k"), "v");
    EXPECT_EQ(ProfileLookup("[ spaced name ] trailing\nk=v\n", "spaced name", "k"), "v");
    // A bracket opened and never closed makes no section, as on Windows: its
    // keys stay in the section before.
    EXPECT_EQ(ProfileLookup("[S]\n[open\nk=v\n", "S", "k"), "v");
    EXPECT_EQ(ProfileLookup("[S]\n[open\nk=v\n", "open", "k"), "");
}

TEST(ProfileReader, ASemicolonStartsAKeyThatNoOneAsksFor)
{
    // Windows has no comment lines: "; k" is a key of its own, so a key k
    // after it is found, and ";k" can be asked for.
    EXPECT_EQ(ProfileLookup("[S]\n; k=commented\nk=v\n", "S", "k"), "v");
    EXPECT_EQ(ProfileLookup("[S]\n;k=c\n", "S", ";k"), "c");
}

TEST(ProfileReader, LongValuesAreCutTo510BytesOnACharacterBoundary)
{
    const std::string ascii(600, 'x');
    EXPECT_EQ(ProfileLookup("[S]\nk=" + ascii + "\n", "S", "k"), std::string(510, 'x'));

    // 509 ASCII bytes then a two-byte character straddling the limit.
    const std::string straddle = std::string(509, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(ProfileLookup("[S]\nk=" + straddle + "\n", "S", "k"), std::string(509, 'a'));

    // A four-byte character straddling the limit goes whole.
    const std::string four = std::string(508, 'a') + "\xF0\x9F\x93\xB7";
    EXPECT_EQ(ProfileLookup("[S]\nk=" + four + "\n", "S", "k"), std::string(508, 'a'));

    // Text in a single-byte code page is no UTF-8: its bytes 0x80-0xBF are
    // characters of their own, and the value is cut at 510 like ASCII.
    const std::string latin1(600, '\xB0');
    EXPECT_EQ(ProfileLookup("[S]\nk=" + latin1 + "\n", "S", "k"), std::string(510, '\xB0'));
    const std::string cp1252 = std::string(400, 'x') + std::string(200, '\x97');
    EXPECT_EQ(ProfileLookup("[S]\nk=" + cp1252 + "\n", "S", "k"), cp1252.substr(0, 510));

    // Quotes are peeled before the cut, so 510 bytes of content survive.
    const std::string quoted = "\"" + std::string(510, 'q') + "\"";
    EXPECT_EQ(ProfileLookup("[S]\nk=" + quoted + "\n", "S", "k"), std::string(510, 'q'));
}

namespace {

// A file saved as UTF-16: the byte-order mark (FF FE little-endian, FE FF
// big-endian), then two bytes per code unit in that order.
std::string Utf16File(std::u16string_view text, bool littleEndian)
{
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        bytes += littleEndian ? low : high;
        bytes += littleEndian ? high : low;
    }
    return bytes;
}

} // namespace

TEST(ProfileReader, Utf16FilesWithAByteOrderMarkReadAsUtf8)
{
    // Lower-case names, CR LF, blanks, quotes, "é" and a camera emoji (a
    // surrogate pair), a lone surrogate, and a 600-character value.
    const std::u16string ini = u"[directory]\r\n recording = \"/srv/r\u00E9c \U0001F4F7\" \r\n"
                               u"[Device1]\r\nLocalID=Cam\xD800X\r\nLong=" +
                               std::u16string(600, u'x') + u"\r\n";
    for (const bool littleEndian : {true, false}) {
        const std::string file = Utf16File(ini, littleEndian);
        EXPECT_EQ(ProfileLookup(file, "Directory", "Recording"), "/srv/r\xC3\xA9"
                                                                 "c \xF0\x9F\x93\xB7");
        EXPECT_EQ(ProfileLookup(file, "Device1", "LocalID"), "Cam\xEF\xBF\xBDX");
        EXPECT_EQ(ProfileLookup(file, "Device1", "Long"), std::string(510, 'x'));
        // An odd last byte is no character.
        EXPECT_EQ(ProfileLookup(file + "\n", "Device1", "LocalID"), "Cam\xEF\xBF\xBDX");
    }
    // Without its mark, UTF-16 is not recognised (as on Windows).
    EXPECT_EQ(ProfileLookup(Utf16File(ini, true).substr(2), "Directory", "Recording"), "");
}

TEST(ProfileReader, ANulByteEndsTheValue)
{
    EXPECT_EQ(ProfileLookup(std::string("[S]\nk=v\0w\n", 10), "S", "k"), "v");
    // Before the quotes are looked at: one is left unmatched.
    EXPECT_EQ(ProfileLookup(std::string("[S]\nk=\"v\0w\"\n", 12), "S", "k"), "\"v");
    EXPECT_EQ(ProfileLookup(std::string("[S]\nk=v \0w\n", 11), "S", "k"), "v ");
}

TEST(ProfileReader, EmptyValueReadsLikeAMissingKey)
{
    EXPECT_EQ(ProfileLookup("[S]\nk=\n", "S", "k"), "");
    EXPECT_EQ(ProfileLookup("[S]\nk=   \n", "S", "k"), "");
}

TEST(ProfileReader, FilesAreReadAfreshAndMissingFilesReadEmpty)
{
    TempDir dir;
    const std::string path = dir.WriteFile("a.ini", "[S]\nk=one\n");
    EXPECT_EQ(GetPrivateProfileString("S", "k", path), "one");
    dir.WriteFile("a.ini", "[S]\nk=two\n");
    EXPECT_EQ(GetPrivateProfileString("S", "k", path), "two");

    dir.WriteFile("a.ini", Utf16File(u"[S]\r\nk=three\r\n", true));
    EXPECT_EQ(GetPrivateProfileString("S", "k", path), "three");

    EXPECT_EQ(GetPrivateProfileString("S", "k", dir.Path() + "/missing.ini"), "");
    EXPECT_EQ(GetPrivateProfileString("S", "k", dir.Path()), ""); // a folder
    EXPECT_EQ(GetPrivateProfileString("S", "k", ""), "");
}

TEST(LoadUISetting, EachReaderReadsItsOwnFile)
{
    TempDir dir;
    dir.WriteFile("bin/Clipscout.ini", "[Clipscout]\nB_Exit=Quit\n");
    dir.WriteFile("bin/Viewdeck.ini", "[Directory]\nRecording=/data\n");

    CLoadUISetting settings = CLoadUISetting::Locate(dir.Path() + "/bin/clipscout");
    EXPECT_EQ(settings.AppIniPath(), dir.Path() + "/bin/Clipscout.ini");
    EXPECT_EQ(settings.ViewerIniPath(), dir.Path() + "/bin/Viewdeck.ini");
    EXPECT_EQ(settings.GetAppSetting("Clipscout", "B_Exit"), "Quit");
    EXPECT_EQ(settings.GetViewerSetting("Directory", "Recording"), "/data");
    // Each reader reads its own file only.
    EXPECT_EQ(settings.GetAppSetting("Directory", "Recording"), "");
    EXPECT_EQ(settings.GetViewerSetting("Clipscout", "B_Exit"), "");

    // What was read stays until the next Read: a page that asks later
    // touches no file. A copy keeps it whatever the original reads next.
    const CLoadUISetting copy = settings;
    dir.WriteFile("bin/Viewdeck.ini", "[Directory]\nRecording=/elsewhere\n");
    dir.WriteFile("bin/Clipscout.ini", "[Clipscout]\nB_Exit=Leave\n");
    EXPECT_EQ(settings.GetViewerSetting("Directory", "Recording"), "/data");
    EXPECT_EQ(settings.GetAppSetting("Clipscout", "B_Exit"), "Quit");
    settings.Read();
    EXPECT_EQ(copy.RecordingDir(), "/data");
    EXPECT_EQ(copy.GetAppSetting("Clipscout", "B_Exit"), "Quit");
    EXPECT_EQ(settings.RecordingDir(), "/elsewhere");
    EXPECT_EQ(settings.GetAppSetting("Clipscout", "B_Exit"), "Leave");
}
