#include "platform/FileCopier.h"

#include "platform/Utf8Cut.h"
#include "platform/WindowThreadCheck.h"

#include "platform/win/WinFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <io.h>
#include <random>
#include <string_view>
#include <vector>
#include <winternl.h>

// The copies take the Windows side's descriptors (WinFiles.h). A copy gets
// the file's creation, access and modification times, and no permissions of
// its own: it inherits the destination folder's, as any file made there does.
namespace {

using Result = FileCopier::Result;
using Outcome = FileCopier::Outcome;

constexpr std::size_t kBufferBytes = 1u << 20;
// Of the file's name in its copy's temporary name: room for the rest within
// the 255 characters a name may have.
constexpr std::size_t kPartNameBytes = 200;

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) { }
    ~Handle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return m_handle; }
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    // Hands the handle over; the caller closes it.
    HANDLE Release()
    {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE m_handle;
};

bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

Outcome Failure(int error)
{
    if (error == ENOENT || error == ENOTDIR)
        return {Result::Changed, 0};
    return {Result::Failed, error};
}

// The listed file, opened for reading and shared with the recorder, which may
// still write, rename or delete it: the folder must still be the listed
// folder and the name the listed regular file, not a link put in its place.
HANDLE OpenListed(const ListedFile& file, winfiles::Facts& facts, Outcome& outcome)
{
    if (!IsPlainName(file.strName)) {
        outcome = {Result::Changed, 0};
        return INVALID_HANDLE_VALUE;
    }
    const Handle folder(winfiles::OpenFolder(file.strFolder, FILE_READ_ATTRIBUTES | FILE_TRAVERSE));
    if (!folder.IsOpen()) {
        outcome = Failure(errno);
        return INVALID_HANDLE_VALUE;
    }
    if (!winfiles::FactsOf(folder.Get(), facts) || facts.identity != file.idFolder) {
        outcome = {Result::Changed, 0};
        return INVALID_HANDLE_VALUE;
    }
    Handle source(winfiles::OpenInFolder(folder.Get(), file.strName, FILE_GENERIC_READ,
                                         FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_SEQUENTIAL_ONLY));
    if (!source.IsOpen()) {
        outcome = Failure(errno);
        return INVALID_HANDLE_VALUE;
    }
    if (::GetFileType(source.Get()) != FILE_TYPE_DISK || !winfiles::FactsOf(source.Get(), facts) ||
        facts.status.m_bDirectory || facts.bReparsePoint || facts.identity != file.idFile) {
        outcome = {Result::Changed, 0};
        return INVALID_HANDLE_VALUE;
    }
    return source.Release();
}

// A hidden name for the copy in progress that says whose copy it is and that
// no one else would take: ".Sr0001.asf.1f3a09c2.clipscout-part".
std::string PartName(const std::string& name)
{
    std::random_device random;
    char tag[16];
    std::snprintf(tag, sizeof tag, ".%08x", random());
    return "." + std::string(CutUtf8(name, kPartNameBytes)) + tag + FileCopier::kPartSuffix;
}

// The copy's file, made anew under a temporary name (set in part) and hidden
// until it is whole.
HANDLE CreatePart(HANDLE folder, const std::string& name, std::string& part)
{
    for (int attempt = 0;; ++attempt) {
        part = PartName(name);
        const HANDLE handle =
            winfiles::CreateInFolder(folder, part, FILE_GENERIC_WRITE | FILE_GENERIC_READ | DELETE,
                                     FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY, FILE_ATTRIBUTE_HIDDEN);
        if (handle != INVALID_HANDLE_VALUE || errno != EEXIST || attempt == 8)
            return handle;
    }
}

// The copy's temporary name, opened for renaming or removing only while it
// still stands for the file this copy made.
HANDLE OpenPart(HANDLE folder, const std::string& part, const FileIdentity& made)
{
    Handle handle(winfiles::OpenInFolder(folder, part, DELETE | FILE_READ_ATTRIBUTES,
                                         FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, FILE_SHARE_READ));
    winfiles::Facts facts;
    if (!handle.IsOpen() || !winfiles::FactsOf(handle.Get(), facts) || facts.identity != made)
        return INVALID_HANDLE_VALUE;
    return handle.Release();
}

void RemovePart(HANDLE folder, const std::string& part, const FileIdentity& made)
{
    const Handle handle(OpenPart(folder, part, made));
    if (handle.IsOpen())
        winfiles::DeleteOpen(handle.Get());
}

// Reads up to size bytes at offset, without moving the file's position.
bool ReadAt(HANDLE handle, std::uint64_t offset, char* data, DWORD size, DWORD& read)
{
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return ::ReadFile(handle, data, size, &read, &position) != 0;
}

// The file a name in the folder stands for holds the same bytes as the
// source: a copy made before, not another file (another camera's clip) of
// the same name. Read without moving the source's position.
bool HoldsTheSameBytes(HANDLE folder, const std::string& name, HANDLE source, std::uint64_t size,
                       const std::stop_token& stop)
{
    const Handle there(
        winfiles::OpenInFolder(folder, name, FILE_GENERIC_READ, FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT));
    winfiles::Facts facts;
    if (!there.IsOpen() || ::GetFileType(there.Get()) != FILE_TYPE_DISK || !winfiles::FactsOf(there.Get(), facts) ||
        facts.bReparsePoint || facts.status.m_size != size)
        return false;
    constexpr DWORD kCompareBytes = 64u << 10;
    std::vector<char> ours(kCompareBytes);
    std::vector<char> theirs(kCompareBytes);
    for (std::uint64_t offset = 0; offset < size && !stop.stop_requested();) {
        DWORD count = 0;
        DWORD other = 0;
        if (!ReadAt(source, offset, ours.data(), kCompareBytes, count) || count == 0 ||
            !ReadAt(there.Get(), offset, theirs.data(), count, other) || other != count ||
            std::memcmp(ours.data(), theirs.data(), count) != 0)
            return false;
        offset += count;
    }
    return !stop.stop_requested();
}

int LastErrno()
{
    return winfiles::ErrnoFromWin32(::GetLastError());
}

// The file's times on its copy, which also shows the copy once it is whole.
bool GiveTimes(HANDLE source, HANDLE target)
{
    FILE_BASIC_INFO times{};
    if (!::GetFileInformationByHandleEx(source, FileBasicInfo, &times, sizeof times))
        return false;
    times.ChangeTime.QuadPart = 0;
    times.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(target, FileBasicInfo, &times, sizeof times) != 0;
}

} // namespace

int FileCopier::Open(const std::string& destFolder)
{
    WindowThreadCheck::OffTheWindowThread("FileCopier::Open");
    if (m_nFolder >= 0)
        ::_close(m_nFolder);
    m_nFolder = -1;
    const HANDLE folder =
        winfiles::OpenFolder(destFolder, FILE_LIST_DIRECTORY | FILE_ADD_FILE | FILE_TRAVERSE | FILE_READ_ATTRIBUTES);
    if (folder != INVALID_HANDLE_VALUE)
        m_nFolder = winfiles::DescriptorFor(folder);
    m_nOpenError = m_nFolder < 0 ? (folder == INVALID_HANDLE_VALUE ? errno : EMFILE) : 0;
    return m_nOpenError;
}

FileCopier::~FileCopier()
{
    if (m_nFolder >= 0)
        ::_close(m_nFolder);
}

std::uint64_t FileCopier::SizeOf(const ListedFile& file)
{
    WindowThreadCheck::OffTheWindowThread("FileCopier::SizeOf");
    winfiles::Facts facts;
    Outcome ignored;
    const Handle source(OpenListed(file, facts, ignored));
    return source.IsOpen() ? facts.status.m_size : 0;
}

FileCopier::Outcome FileCopier::Copy(const ListedFile& file, const std::stop_token& stop, const std::string& asName)
{
    WindowThreadCheck::OffTheWindowThread("FileCopier::Copy");
    if (m_nFolder < 0)
        return {Result::Failed, m_nOpenError};
    if (stop.stop_requested())
        return {Result::Stopped, 0};
    winfiles::Facts facts;
    Outcome outcome;
    Handle source(OpenListed(file, facts, outcome));
    if (!source.IsOpen())
        return outcome;

    const std::string& name = asName.empty() ? file.strName : asName;
    if (!IsPlainName(name))
        return {Result::Failed, EINVAL};
    // Nothing is copied for a name already there, even a link; the last step
    // checks again, since the name may be taken meanwhile.
    const HANDLE folder = winfiles::HandleOf(m_nFolder);
    if (Handle(winfiles::OpenInFolder(folder, name, FILE_READ_ATTRIBUTES, FILE_OPEN_REPARSE_POINT)).IsOpen()) {
        const bool same = HoldsTheSameBytes(folder, name, source.Get(), facts.status.m_size, stop);
        if (stop.stop_requested())
            return {Result::Stopped, 0};
        return {same ? Result::Same : Result::Exists, 0};
    }
    if (errno != ENOENT)
        return {Result::Failed, errno};
    std::string part;
    const HANDLE made = CreatePart(folder, name, part);
    if (made == INVALID_HANDLE_VALUE)
        return {Result::Failed, errno};
    winfiles::Facts madeFacts;
    if (!winfiles::FactsOf(made, madeFacts)) {
        const int error = errno;
        winfiles::DeleteOpen(made);
        ::CloseHandle(made);
        return {Result::Failed, error};
    }
    const int target = winfiles::DescriptorFor(made);
    if (target < 0)
        return {Result::Failed, EMFILE};
    const int sourceFd = winfiles::DescriptorFor(source.Release());
    if (sourceFd < 0) {
        ::_close(target);
        RemovePart(folder, part, madeFacts.identity);
        return {Result::Failed, EMFILE};
    }

    outcome = CopyOpen(file.strName, sourceFd, facts.status.m_size, target, stop);
    if (outcome.result == Result::Copied && !GiveTimes(winfiles::HandleOf(sourceFd), winfiles::HandleOf(target)))
        outcome = {Result::Failed, LastErrno()};
    ::_close(sourceFd);
    if (outcome.result == Result::Copied && !::FlushFileBuffers(winfiles::HandleOf(target)))
        outcome = {Result::Failed, LastErrno()};
    ::_close(target);
    if (outcome.result == Result::Copied)
        return TakeName(part, name, madeFacts.identity);
    RemovePart(folder, part, madeFacts.identity);
    return outcome;
}

FileCopier::Outcome FileCopier::TakeName(const std::string& part, const std::string& name, const FileIdentity& made)
{
    // Renamed through its own handle, with no replacing: the system refuses a
    // name that is taken, so no file that took it meanwhile can be lost.
    const HANDLE folder = winfiles::HandleOf(m_nFolder);
    const Handle copy(OpenPart(folder, part, made));
    if (!copy.IsOpen())
        return {Result::Failed, errno != 0 ? errno : EIO};
    const int error = winfiles::RenameNoReplace(copy.Get(), folder, name);
    if (error == 0)
        return {Result::Copied, 0};
    winfiles::DeleteOpen(copy.Get());
    return error == EEXIST ? Outcome{Result::Exists, 0} : Outcome{Result::Failed, error};
}

FileCopier::Outcome FileCopier::CopyOpen(const std::string& name, int source, std::uint64_t size, int target,
                                         const std::stop_token& stop)
{
    const HANDLE from = winfiles::HandleOf(source);
    const HANDLE to = winfiles::HandleOf(target);
    if (!m_buffer)
        m_buffer = std::make_unique<char[]>(kBufferBytes);
    std::uint64_t copied = 0;
    for (;;) {
        if (m_beforeChunk)
            m_beforeChunk(name, copied);
        if (stop.stop_requested())
            return {Result::Stopped, 0};
        DWORD count = 0;
        if (!::ReadFile(from, m_buffer.get(), static_cast<DWORD>(kBufferBytes), &count, nullptr))
            return {Result::Failed, LastErrno()};
        if (count == 0)
            break;
        DWORD written = 0;
        if (!::WriteFile(to, m_buffer.get(), count, &written, nullptr))
            return {Result::Failed, LastErrno()};
        if (written != count)
            return {Result::Failed, ENOSPC};
        copied += count;
        m_nBytesCopied.fetch_add(count, std::memory_order_relaxed);
    }
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(to, &length))
        return {Result::Failed, LastErrno()};
    if (copied != size || static_cast<std::uint64_t>(length.QuadPart) != size)
        return {Result::Short, 0};
    return {Result::Copied, 0};
}
