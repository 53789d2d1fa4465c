#pragma once

#include <string>
#include <string_view>

// Text at the Windows half's system calls: the program's strings are UTF-8,
// the system's UTF-16. Bytes that are not UTF-8, and UTF-16 surrogates that
// are not paired, become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
