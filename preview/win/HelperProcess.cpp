#include "preview/HelperProcess.h"

#include "platform/FileHandle.h"
#include "platform/win/WideText.h"
#include "platform/win/WinFiles.h"
#include "preview/HelperAnswer.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

namespace {

// Limits of the job the helper runs in: the memory a decode may commit and
// its CPU time, counted from its start, so loading included.
constexpr SIZE_T kMemoryBytes = SIZE_T{512} << 20;
constexpr LONGLONG kCpuTime100ns = 4 * 10'000'000LL;
// The exit status of a helper the program killed.
constexpr UINT kKilled = 0xdead;

// Owns one handle; closed on every way out.
struct Owned {
    HANDLE handle = nullptr;

    Owned() = default;
    explicit Owned(HANDLE h) : handle(h == INVALID_HANDLE_VALUE ? nullptr : h) { }
    Owned(Owned&& other) noexcept : handle(std::exchange(other.handle, nullptr)) { }
    Owned& operator=(Owned&& other) noexcept
    {
        std::swap(handle, other.handle);
        return *this;
    }
    ~Owned()
    {
        if (handle != nullptr)
            ::CloseHandle(handle);
    }
};

// A job that kills what it holds when its last handle goes (the program's,
// also when the program dies), lets one process run, and holds the limits;
// no desktop, clipboard or system settings through it either.
Owned MakeJob()
{
    Owned job(::CreateJobObjectW(nullptr, nullptr));
    if (job.handle == nullptr)
        return {};
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_ACTIVE_PROCESS |
                                              JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_PROCESS_TIME |
                                              JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    limits.BasicLimitInformation.ActiveProcessLimit = 1;
    limits.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart = kCpuTime100ns;
    limits.ProcessMemoryLimit = kMemoryBytes;
    if (!::SetInformationJobObject(job.handle, JobObjectExtendedLimitInformation, &limits, sizeof limits))
        return {};
    JOBOBJECT_BASIC_UI_RESTRICTIONS ui{};
    ui.UIRestrictionsClass = JOB_OBJECT_UILIMIT_DESKTOP | JOB_OBJECT_UILIMIT_DISPLAYSETTINGS |
                             JOB_OBJECT_UILIMIT_EXITWINDOWS | JOB_OBJECT_UILIMIT_GLOBALATOMS |
                             JOB_OBJECT_UILIMIT_HANDLES | JOB_OBJECT_UILIMIT_READCLIPBOARD |
                             JOB_OBJECT_UILIMIT_SYSTEMPARAMETERS | JOB_OBJECT_UILIMIT_WRITECLIPBOARD;
    if (!::SetInformationJobObject(job.handle, JobObjectBasicUIRestrictions, &ui, sizeof ui))
        return {};
    return job;
}

// The program's token without its privileges, at low integrity: what the
// helper starts with can write to nothing of the user's (files, registry
// keys, the user's other processes). Null where the system will not make
// one; the job's limits hold then still.
Owned RestrictedToken()
{
    HANDLE own = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(),
                            TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT, &own))
        return {};
    const Owned process(own);
    HANDLE restricted = nullptr;
    if (!::CreateRestrictedToken(own, DISABLE_MAX_PRIVILEGE | LUA_TOKEN, 0, nullptr, 0, nullptr, 0, nullptr,
                                 &restricted))
        return {};
    Owned token(restricted);
    SID_IDENTIFIER_AUTHORITY label = SECURITY_MANDATORY_LABEL_AUTHORITY;
    PSID low = nullptr;
    if (!::AllocateAndInitializeSid(&label, 1, SECURITY_MANDATORY_LOW_RID, 0, 0, 0, 0, 0, 0, 0, &low))
        return {};
    TOKEN_MANDATORY_LABEL level{};
    level.Label.Attributes = SE_GROUP_INTEGRITY;
    level.Label.Sid = low;
    const BOOL lowered =
        ::SetTokenInformation(token.handle, TokenIntegrityLevel, &level, sizeof level + ::GetLengthSid(low));
    ::FreeSid(low);
    return lowered ? std::move(token) : Owned{};
}

// A pipe of one connection, both ways: the program's end overlapped, so
// that reading its answer can stop at a deadline; the helper's end
// inheritable, handed to it alone.
bool MakePipe(Owned& ours, Owned& theirs)
{
    static std::atomic<unsigned> made = 0;
    const std::wstring name = WideFromUtf8("\\\\.\\pipe\\clipscout-preview-" + std::to_string(::GetCurrentProcessId()) +
                                           "-" + std::to_string(made++));
    ours = Owned(::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 65536, 65536, 0, nullptr));
    if (ours.handle == nullptr)
        return false;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    theirs = Owned(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &inherited, OPEN_EXISTING, 0, nullptr));
    return theirs.handle != nullptr;
}

// Waits for an overlapped transfer on the pipe until the deadline; cancels
// it at the deadline. The count transferred, or -1 (the pipe broken: the
// helper has gone, or the deadline passed).
long long Finish(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, HelperProcess::Clock::time_point deadline)
{
    DWORD done = 0;
    if (started)
        return ::GetOverlappedResult(pipe, &overlapped, &done, FALSE) ? static_cast<long long>(done) : -1;
    if (::GetLastError() != ERROR_IO_PENDING)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - HelperProcess::Clock::now()).count();
    if (::WaitForSingleObject(overlapped.hEvent, static_cast<DWORD>(std::clamp<long long>(left, 0, INFINITE - 1))) !=
        WAIT_OBJECT_0) {
        ::CancelIoEx(pipe, &overlapped);
        // The cancelled transfer lets go of the buffer only once it is over.
        ::GetOverlappedResult(pipe, &overlapped, &done, TRUE);
        return -1;
    }
    return ::GetOverlappedResult(pipe, &overlapped, &done, FALSE) ? static_cast<long long>(done) : -1;
}

} // namespace

struct HelperProcess::System {
    Owned process;
    Owned job;
    Owned pipe;
    Owned event;
    DWORD pid = 0;
};

std::unique_ptr<HelperProcess> HelperProcess::Start(const std::string& program)
{
    auto system = std::make_unique<System>();
    Owned theirs;
    system->job = MakeJob();
    system->event = Owned(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (system->job.handle == nullptr || system->event.handle == nullptr || !MakePipe(system->pipe, theirs))
        return nullptr;

    // Its pipe is its standard input, and the one handle it inherits.
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &size))
        return nullptr;
    HANDLE inherited[] = {theirs.handle};
    const bool listed = ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                                    sizeof inherited, nullptr, nullptr);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = theirs.handle;
    startup.lpAttributeList = attributes;

    const std::wstring path = WideFromUtf8(program);
    std::wstring line = L"\"" + path + L"\" " + std::to_wstring(::GetCurrentProcessId());
    // Only what a process needs to start at all: where Windows is.
    std::wstring environment;
    for (const wchar_t* name : {L"SystemRoot", L"WINDIR"}) {
        wchar_t value[MAX_PATH];
        const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            environment += std::wstring(name) + L"=" + value + L'\0';
    }
    environment += L'\0';
    // Suspended until it is in its job, so that nothing runs outside it; no
    // console, which it does not use.
    const DWORD flags = CREATE_SUSPENDED | DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT;
    PROCESS_INFORMATION started{};
    const Owned token = RestrictedToken();
    BOOL created = FALSE;
    if (listed) {
        if (token.handle != nullptr)
            created = ::CreateProcessAsUserW(token.handle, path.c_str(), line.data(), nullptr, nullptr, TRUE, flags,
                                             environment.data(), nullptr, &startup.StartupInfo, &started);
        if (!created)
            created = ::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, flags, environment.data(),
                                       nullptr, &startup.StartupInfo, &started);
    }
    ::DeleteProcThreadAttributeList(attributes);
    if (!created)
        return nullptr;
    system->process = Owned(started.hProcess);
    const Owned thread(started.hThread);
    system->pid = started.dwProcessId;
    if (!::AssignProcessToJobObject(system->job.handle, started.hProcess) ||
        ::ResumeThread(started.hThread) == static_cast<DWORD>(-1)) {
        ::TerminateProcess(started.hProcess, kKilled);
        return nullptr;
    }
    return std::unique_ptr<HelperProcess>(new HelperProcess(std::move(system)));
}

HelperProcess::HelperProcess(std::unique_ptr<System> system) : m_pSystem(std::move(system))
{ }

// Closing the job kills what is left in it; no zombie stays on Windows, so
// nothing needs reaping.
HelperProcess::~HelperProcess()
{
    Kill();
}

int HelperProcess::Pid() const
{
    return static_cast<int>(m_pSystem->pid);
}

void HelperProcess::Kill() const
{
    ::TerminateJobObject(m_pSystem->job.handle, kKilled);
    // Were it outside the job (its limits refused where jobs nest), still.
    ::TerminateProcess(m_pSystem->process.handle, kKilled);
}

bool HelperProcess::HasExited() const
{
    return ::WaitForSingleObject(m_pSystem->process.handle, 0) == WAIT_OBJECT_0;
}

std::string HelperProcess::HowItEnded() const
{
    // It may be closing its end just before it ends: a moment is allowed.
    DWORD status = 0;
    if (::WaitForSingleObject(m_pSystem->process.handle, 200) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(m_pSystem->process.handle, &status))
        return "it has not ended";
    switch (status) {
    case kKilled:
        return "it was killed";
    case ERROR_NOT_ENOUGH_QUOTA:
        return "it was killed by its job: over its CPU time";
    default:
        break;
    }
    // NTSTATUS values of crashes are best read in hexadecimal.
    char text[16];
    std::snprintf(text, sizeof text, status > 0xffff ? "0x%08lx" : "%lu", static_cast<unsigned long>(status));
    return std::string("it exited with status ") + text;
}

PreviewImage HelperProcess::Decode(const FileHandle& file, const HelperRequest& request, Clock::time_point deadline,
                                   const std::stop_token& stop, std::string* why)
{
    const std::stop_callback onStop(stop, [this] { Kill(); });
    const HANDLE pipe = m_pSystem->pipe.handle;

    // The file's handle is put into the helper, read-only, and its value goes
    // ahead of the request: the helper inherited nothing but its pipe.
    HANDLE theirs = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), winfiles::HandleOf(file.Descriptor()), m_pSystem->process.handle,
                           &theirs, GENERIC_READ, FALSE, 0)) {
        if (why != nullptr)
            *why = "the file could not be handed over, " + HowItEnded();
        Kill();
        return {};
    }
    const auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(theirs));
    std::vector<std::uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    const auto encoded = request.Encode();
    bytes.insert(bytes.end(), encoded.begin(), encoded.end());

    OVERLAPPED overlapped{};
    overlapped.hEvent = m_pSystem->event.handle;
    ::ResetEvent(overlapped.hEvent);
    const BOOL wrote = ::WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped);
    if (Finish(pipe, overlapped, wrote, deadline) != static_cast<long long>(bytes.size())) {
        if (why != nullptr)
            *why = "the request could not be handed over, " + HowItEnded();
        Kill();
        return {};
    }

    // One byte more than an answer may have tells one that is too long.
    std::vector<std::uint8_t> answer(HelperAnswer::MaxSize(request.nBoxWidth, request.nBoxHeight) + 1);
    std::size_t got = 0;
    bool whole = false;
    while (got < answer.size() && Clock::now() < deadline) {
        overlapped = OVERLAPPED{};
        overlapped.hEvent = m_pSystem->event.handle;
        ::ResetEvent(overlapped.hEvent);
        const BOOL read =
            ::ReadFile(pipe, answer.data() + got,
                       static_cast<DWORD>(std::min<std::size_t>(answer.size() - got, 1u << 20)), nullptr, &overlapped);
        const DWORD error = read ? ERROR_SUCCESS : ::GetLastError();
        const long long n = Finish(pipe, overlapped, read, deadline);
        if (n < 0) {
            // The helper closed its end, or ended: the answer is complete.
            const DWORD over = error == ERROR_IO_PENDING ? ::GetLastError() : error;
            whole = over == ERROR_BROKEN_PIPE || over == ERROR_PIPE_NOT_CONNECTED;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    if (why != nullptr && whole && got == 0)
        *why = "the helper gave no answer: " + HowItEnded();
    Kill();
    if (stop.stop_requested()) {
        if (why != nullptr)
            *why = "stopped: the preview is no longer wanted";
        return {};
    }
    if (!whole) {
        if (why != nullptr)
            *why = got == answer.size() ? "the helper was killed: its answer was too long"
                                        : "the helper was killed: no answer in time";
        return {};
    }
    answer.resize(got);
    PreviewImage image = HelperAnswer::Parse(answer, request.nBoxWidth, request.nBoxHeight);
    if (why != nullptr && image.IsNull() && got > 0)
        *why = got == HelperAnswer::kHeaderSize ? "the helper could not decode it" : "the helper's answer was refused";
    return image;
}
