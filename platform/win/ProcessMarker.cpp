#include "platform/ProcessMarker.h"

#include "platform/win/WideText.h"
#include "platform/win/WinFiles.h"

#include <io.h>
#include <shlobj.h>
#include <windows.h>

namespace {

// A folder as it is, not reached through a junction or link someone put in
// its place.
bool IsPlainFolder(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

} // namespace

ProcessMarker::ProcessMarker(const std::string& name) : m_strFolder(RuntimeFolder())
{
    if (m_strFolder.empty()) {
        m_eResult = Result::NoPrivateFolder;
        return;
    }
    const std::wstring path = WideFromUtf8(m_strFolder + "\\" + FileNameFor(name) + ".lock");
    // Opened without sharing, the file is the lock: every other open of it
    // fails until this handle closes, which the system does when the process
    // ends, however it ends. Not inheritable, so that a player started from
    // the program cannot keep "a copy runs" alive after it. A link or other
    // reparse point in its place is opened as itself, and refused.
    const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        m_eResult = ::GetLastError() == ERROR_SHARING_VIOLATION ? Result::HeldByAnother : Result::Failed;
        return;
    }
    winfiles::Facts facts;
    if (::GetFileType(handle) != FILE_TYPE_DISK || !winfiles::FactsOf(handle, facts) || facts.status.m_bDirectory ||
        facts.bReparsePoint) {
        ::CloseHandle(handle);
        return;
    }
    m_nFd = winfiles::DescriptorFor(handle);
    if (m_nFd >= 0)
        m_eResult = Result::Created;
}

ProcessMarker::~ProcessMarker()
{
    Release();
}

void ProcessMarker::Release()
{
    if (m_nFd >= 0)
        ::_close(m_nFd);
    m_nFd = -1;
}

std::string ProcessMarker::RuntimeFolder()
{
    // The user's profile keeps its local application data closed to other
    // users (the folder made here inherits that), and it is the same for
    // every process of the user whatever its environment.
    const std::string local = SessionRuntimeFolder();
    if (local.empty())
        return {};
    const std::string folder = local + "\\Clipscout";
    const std::wstring wide = WideFromUtf8(folder);
    if (!::CreateDirectoryW(wide.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return {};
    return IsPlainFolder(wide) ? folder : std::string();
}

std::string ProcessMarker::SessionRuntimeFolder()
{
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DONT_VERIFY, nullptr, &path)) &&
        path != nullptr && IsPlainFolder(path))
        folder = Utf8FromWide(path);
    ::CoTaskMemFree(path);
    return folder;
}
