#include "platform/RecycleRecord.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// ASCII text as UTF-16LE bytes.
std::string Utf16(const std::string& text)
{
    std::string bytes;
    for (const char c : text)
        bytes += {c, '\0'};
    return bytes;
}

std::string Little(std::uint64_t value, std::size_t size)
{
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

// "$I" record:  version (8) | size (8) | deleted, a FILETIME (8) | path
//   version 1:  path = 260 UTF-16 units, NUL-padded
//   version 2:  path = unit count with its NUL (4) | units | NUL
std::string Header(std::uint64_t version)
{
    return Little(version, 8) + Little(4096, 8) + Little(0x01DB000000000000, 8);
}

std::string Version1(const std::string& path)
{
    std::string record = Header(1) + Utf16(path);
    record.resize(24 + 520, '\0');
    return record;
}

std::string Version2(const std::string& path)
{
    return Header(2) + Little(path.size() + 1, 4) + Utf16(path) + std::string(2, '\0');
}

} // namespace

TEST(RecycleRecord, NamesTheFilesOwnPathOnlyInARecordOfItsPrivateName)
{
    const std::string tail = Utf16("\\.clipscout-0123456789abcdef.asf");
    const std::string own = Utf16("D:\\Rec\\Cam1\\Sr0001.asf");
    EXPECT_EQ(RecycleRecord::WithWindowsPath(Version2("D:\\Rec\\Cam1\\.clipscout-0123456789abcdef.asf"), tail, own),
              Version2("D:\\Rec\\Cam1\\Sr0001.asf"));
    EXPECT_EQ(RecycleRecord::WithWindowsPath(Version1("D:\\Rec\\Cam1\\.clipscout-0123456789abcdef.asf"), tail, own),
              Version1("D:\\Rec\\Cam1\\Sr0001.asf"));

    // Another file's record, a cut or unknown one, or a path too long for
    // version 1, is left alone.
    EXPECT_EQ(RecycleRecord::WithWindowsPath(Version2("D:\\Rec\\Cam1\\Sr0002.asf"), tail, own), std::nullopt);
    const std::string whole = Version2("D:\\Rec\\Cam1\\.clipscout-0123456789abcdef.asf");
    EXPECT_EQ(RecycleRecord::WithWindowsPath(whole.substr(0, whole.size() - 4), tail, own), std::nullopt);
    EXPECT_EQ(RecycleRecord::WithWindowsPath(Header(3) + whole.substr(24), tail, own), std::nullopt);
    EXPECT_EQ(RecycleRecord::WithWindowsPath(Version1("D:\\.clipscout-0123456789abcdef.asf"), tail,
                                             Utf16("D:\\" + std::string(258, 'x'))),
              std::nullopt);

    // The desktop trash's record, its name escaped as a URI path.
    const std::string info = "[Trash Info]\nPath=/srv/rec/Cam%201/.clipscout-0123456789abcdef.asf\n"
                             "DeletionDate=2026-12-08T10:00:00\n";
    EXPECT_EQ(RecycleRecord::WithDesktopName(info, ".clipscout-0123456789abcdef.asf", "Sr 0001 \xC3\xA9.asf"),
              "[Trash Info]\nPath=/srv/rec/Cam%201/Sr%200001%20%C3%A9.asf\nDeletionDate=2026-12-08T10:00:00\n");
    EXPECT_EQ(RecycleRecord::WithDesktopName(info, ".clipscout-fedcba9876543210.asf", "Sr0001.asf"), std::nullopt);
    EXPECT_EQ(RecycleRecord::WithDesktopName("[Trash Info]\n", ".clipscout-0123456789abcdef.asf", "x"), std::nullopt);
}
