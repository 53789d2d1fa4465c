#include "platform/CFileFind.h"

#include "platform/AsciiCase.h"
#include "platform/CFile.h"
#include "platform/WindowThreadCheck.h"
#include "platform/win/WideText.h"
#include "platform/win/WinFiles.h"

#include <algorithm>
#include <cerrno>
#include <io.h>
#include <vector>

// <windows.h> names FindNextFileA so; the contract's member is meant here.
#undef FindNextFile

namespace {

// The listing's type of an entry: a symbolic link or a junction is a link;
// another reparse point (a file kept in the cloud, a deduplicated one) is
// left to be looked at.
unsigned char TypeOf(const FILE_FULL_DIR_INFO& entry)
{
    if ((entry.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        // For a reparse point the field of extended attributes holds its tag.
        return entry.EaSize == IO_REPARSE_TAG_SYMLINK || entry.EaSize == IO_REPARSE_TAG_MOUNT_POINT ? DT_LNK
                                                                                                    : DT_UNKNOWN;
    return (entry.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? DT_DIR : DT_REG;
}

} // namespace

bool CFileFind::FindFile(const std::string& folder, std::string_view mask, const std::atomic<bool>* stop)
{
    WindowThreadCheck::OffTheWindowThread("CFileFind::FindFile");
    Close();
    m_strFolder = folder;
    if (folder.empty())
        return false;
    const std::wstring wide = WideFromUtf8(folder);
    // The folder is listed through the handle it was opened as, so the
    // entries are those of the folder whose identity is kept.
    const HANDLE handle = ::CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = winfiles::ErrnoFromWin32(::GetLastError());
        return false;
    }
    winfiles::Facts facts;
    const bool known = winfiles::FactsOf(handle, facts);
    if (!known || !facts.status.m_bDirectory) {
        if (known)
            errno = ENOTDIR;
        ::CloseHandle(handle);
        return false;
    }
    m_idFolder = facts.identity;
    m_nFolderFd = winfiles::DescriptorFor(handle);
    if (m_nFolderFd < 0) {
        errno = EMFILE;
        m_idFolder = {};
        return false;
    }

    // Whole buffers of entries; 64 KiB holds several hundred.
    std::vector<std::uint64_t> buffer(64 * 1024 / sizeof(std::uint64_t));
    FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;
    while (::GetFileInformationByHandleEx(handle, kind, buffer.data(),
                                          static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t)))) {
        kind = FileFullDirectoryInfo;
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
        for (std::size_t at = 0;;) {
            const auto& entry = *reinterpret_cast<const FILE_FULL_DIR_INFO*>(bytes + at);
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
                Close();
                return false;
            }
            const std::string name = Utf8FromWide(std::wstring_view(entry.FileName, entry.FileNameLength / 2));
            if (name != "." && name != ".." && !name.empty() && MatchesMask(name, mask)) {
                m_entries.push_back({static_cast<std::uint32_t>(m_names.size()),
                                     static_cast<std::uint32_t>(name.size()), TypeOf(entry)});
                m_names.append(name);
            }
            if (entry.NextEntryOffset == 0)
                break;
            at += entry.NextEntryOffset;
        }
    }

    Sort();
    return !m_entries.empty();
}

bool CFileFind::FindNextFile()
{
    if (m_bStarted)
        ++m_nCurrent;
    m_bStarted = true;
    return m_nCurrent + 1 < m_entries.size();
}

std::string_view CFileFind::GetFileName() const
{
    if (!m_bStarted || m_nCurrent >= m_entries.size())
        return {};
    const Entry& e = m_entries[m_nCurrent];
    return std::string_view(m_names).substr(e.nOffset, e.nLength);
}

std::string CFileFind::GetFilePath() const
{
    std::string path = m_strFolder;
    path += '/';
    path += GetFileName();
    return path;
}

bool CFileFind::IsDirectory() const
{
    if (!m_bStarted || m_nCurrent >= m_entries.size())
        return false;
    const unsigned char type = m_entries[m_nCurrent].nType;
    if (type == DT_DIR)
        return true;
    if (type != DT_LNK && type != DT_UNKNOWN)
        return false;
    CFileStatus status;
    return CFile::GetStatus(GetFilePath(), status) && status.m_bDirectory;
}

unsigned char CFileFind::GetFileType() const
{
    if (!m_bStarted || m_nCurrent >= m_entries.size())
        return DT_UNKNOWN;
    return m_entries[m_nCurrent].nType;
}

void CFileFind::Close()
{
    if (m_nFolderFd >= 0)
        ::_close(m_nFolderFd);
    m_nFolderFd = -1;
    m_idFolder = {};
    m_strFolder.clear();
    m_names.clear();
    m_entries.clear();
    m_nCurrent = 0;
    m_bStarted = false;
}

std::string CFileFind::ResolveNoCase(const std::string& folder, std::string_view name)
{
    WindowThreadCheck::OffTheWindowThread("CFileFind::ResolveNoCase");
    // Names are found without regard to case on Windows, so the folder's own
    // spelling is taken from its listing: the exact name, else the first that
    // differs only in letter case.
    CFileFind find;
    bool more = find.FindFile(folder);
    std::string found;
    while (more) {
        more = find.FindNextFile();
        const std::string_view entry = find.GetFileName();
        if (entry == name)
            return find.GetFilePath();
        if (found.empty() && EqualsNoCase(entry, name))
            found = find.GetFilePath();
    }
    return found;
}
