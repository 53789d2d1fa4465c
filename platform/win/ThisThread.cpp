#include "platform/ThisThread.h"

#include "platform/win/WideText.h"

#include <windows.h>

namespace ThisThread {

void SetName(const char* name)
{
    // Windows 10 1607 and later; an older system, or Wine, may lack the call.
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    static const auto setDescription = reinterpret_cast<SetDescription>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
    if (setDescription != nullptr)
        setDescription(::GetCurrentThread(), WideFromUtf8(name).c_str());
}

void RunInBackground()
{
    // The lowest priority short of idle, the counterpart of nice 19: the
    // window's thread is served first, and the search still gets its share
    // beside other programs' busy work. Threads do not inherit it on Windows.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_LOWEST);
}

} // namespace ThisThread
