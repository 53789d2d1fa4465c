#include "platform/CFileFind.h"

#include "platform/AsciiCase.h"
#include "platform/WindowThreadCheck.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool CFileFind::FindFile(const std::string& folder, std::string_view mask, const std::atomic<bool>* stop)
{
    WindowThreadCheck::OffTheWindowThread("CFileFind::FindFile");
    Close();
    m_strFolder = folder;
    if (folder.empty())
        return false;
    m_nFolderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_nFolderFd < 0)
        return false;
    struct stat st;
    if (::fstat(m_nFolderFd, &st) == 0)
        m_idFolder = FileIdentity::Of(st);
    // The listing gets its own descriptor: closedir closes the one it is given.
    DIR* dir = ::fdopendir(::dup(m_nFolderFd));
    if (dir == nullptr)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            ::closedir(dir);
            Close();
            return false;
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == ".." || !MatchesMask(name, mask))
            continue;
        m_entries.push_back(
            {static_cast<std::uint32_t>(m_names.size()), static_cast<std::uint32_t>(name.size()), entry->d_type});
        m_names.append(name);
    }
    ::closedir(dir);

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
    struct stat st;
    return ::stat(GetFilePath().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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
        ::close(m_nFolderFd);
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
    std::string exact = folder + "/";
    exact += name;
    struct stat st;
    if (::lstat(exact.c_str(), &st) == 0)
        return exact;
    CFileFind find;
    bool more = find.FindFile(folder);
    while (more) {
        more = find.FindNextFile();
        if (EqualsNoCase(find.GetFileName(), name))
            return find.GetFilePath();
    }
    return {};
}
