#include "platform/ModulePath.h"

#include "platform/win/WideText.h"

#include <windows.h>

// <windows.h> names GetModuleFileNameA so; the contract's function is meant here.
#undef GetModuleFileName

std::string GetModuleFileName()
{
    // Long paths need more than MAX_PATH; the system says so by filling the
    // buffer to the brim.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size())
            return Utf8FromWide(std::wstring_view(buffer.data(), n));
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}
