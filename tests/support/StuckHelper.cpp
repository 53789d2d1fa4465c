// Stands in for the decoding helper in the Windows tests: it looks at what
// it was started with, and exits with a status that says what it had that the
// program must not give a helper; given nothing of that, it never answers, as
// a helper stuck in a decode.
//   bit 1: not in a job                 bit 2: it could start a process
//   bit 4: it could commit a gigabyte   bit 8: it has the program's PATH or TZ
//   bit 16: it runs above low integrity
// Wine takes a job's process and memory limits and a token's integrity level
// without applying them: under Wine bits 2, 4 and 16 are not looked at.
#include <windows.h>

namespace {

bool StartsAProcess()
{
    wchar_t self[MAX_PATH];
    if (::GetModuleFileNameW(nullptr, self, MAX_PATH) == 0)
        return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    wchar_t line[] = L"stuck";
    if (!::CreateProcessW(self, line, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup, &started))
        return false;
    ::TerminateProcess(started.hProcess, 0);
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}

bool CommitsAGigabyte()
{
    void* memory = ::VirtualAlloc(nullptr, SIZE_T{1} << 30, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (memory == nullptr)
        return false;
    ::VirtualFree(memory, 0, MEM_RELEASE);
    return true;
}

// Every program's environment has a PATH, and the tests' a TZ; the system
// (Wine too) may add its own variables.
bool HasTheProgramsEnvironment()
{
    return ::GetEnvironmentVariableW(L"PATH", nullptr, 0) > 0 || ::GetEnvironmentVariableW(L"TZ", nullptr, 0) > 0;
}

bool UnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool AboveLowIntegrity()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return true;
    alignas(TOKEN_MANDATORY_LABEL) unsigned char buffer[64];
    DWORD size = 0;
    const bool known = ::GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size);
    ::CloseHandle(token);
    if (!known)
        return true;
    const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    return *::GetSidSubAuthority(sid, *::GetSidSubAuthorityCount(sid) - 1) > SECURITY_MANDATORY_LOW_RID;
}

} // namespace

int main()
{
    BOOL inJob = FALSE;
    int status = (::IsProcessInJob(::GetCurrentProcess(), nullptr, &inJob) && inJob ? 0 : 1) |
                 (HasTheProgramsEnvironment() ? 8 : 0);
    if (!UnderWine())
        status |= (StartsAProcess() ? 2 : 0) | (CommitsAGigabyte() ? 4 : 0) | (AboveLowIntegrity() ? 16 : 0);
    if (status != 0)
        return status;
    ::Sleep(INFINITE);
}
