#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The program's paths are UTF-8 everywhere, but a path made from a narrow
// string reads it in the ANSI code page on Windows: these convert as UTF-8 on
// both systems.
inline std::filesystem::path Utf8Path(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string PathUtf8(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
