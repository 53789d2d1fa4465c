#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Reads INI ("profile") files the way the Windows profile reader does.
// Nothing is ever written.

// Longest value handed back; a longer one is cut, never inside a UTF-8
// sequence.
inline constexpr std::size_t kMaxProfileValue = 510;

// Looks up a key in the given file content: UTF-8 (or a single-byte code
// page), or UTF-16 of either byte order when it starts with its byte-order
// mark, which is read as UTF-8. The same on every system.
std::string ProfileLookup(std::string_view content, std::string_view section, std::string_view key);

// The bytes of a settings file, read once so that later lookups touch no
// file; empty when it is missing, unreadable or no regular file (a FIFO
// never holds the read up). A larger file is read only so far.
std::string ReadProfileFile(const std::string& path);

// Looks up a key in what ReadProfileFile read. On Windows a file without a
// byte-order mark is taken in the system's ANSI code page, as Windows reads
// it, and the value handed back in UTF-8; on Linux its bytes are taken as
// they are.
std::string ProfileValue(std::string_view content, std::string_view section, std::string_view key);

// Reads the file afresh and looks up the key; empty when the file, the section
// or the key is missing or unreadable.
std::string GetPrivateProfileString(std::string_view section, std::string_view key, const std::string& path);
