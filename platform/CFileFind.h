#pragma once

#include "platform/FileIdentity.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Lists one folder, without recursion. Entries come sorted by name with ASCII
// letters folded to upper case (ties by bytes), the order in which Windows
// lists a folder, so pages and rows appear in a stable order. "." and ".."
// are not listed.
//
// Usage mirrors the framework class it stands in for:
//     bool more = find.FindFile(folder, "*.asf");
//     while (more) { more = find.FindNextFile(); use(find.GetFileName()); }
class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Lists folder and keeps the entries whose names match mask ("*" any run,
    // "?" one byte, letters compared without regard to case). Returns whether
    // anything matched; a missing or unreadable folder matches nothing. When
    // stop turns true the listing ends there, matching nothing: a folder of
    // many thousand entries on a slow share takes long to read.
    bool FindFile(const std::string& folder, std::string_view mask = "*", const std::atomic<bool>* stop = nullptr);

    // Steps to the next entry; returns whether there is one after it.
    bool FindNextFile();

    std::string_view GetFileName() const;
    // Folder + "/" + name.
    std::string GetFilePath() const;
    // Follows symbolic links, as the folder's own listing would show them.
    bool IsDirectory() const;
    // The entry's type as the listing gave it: DT_REG, DT_DIR, DT_LNK, ...,
    // or DT_UNKNOWN where the file system does not say.
    unsigned char GetFileType() const;
    // The same by place, for a caller that keeps the places it wants rather
    // than copies of names: the entries in listing order, 0 to GetCount() - 1.
    std::size_t GetCount() const { return m_entries.size(); }
    std::string_view GetFileNameAt(std::size_t i) const
    {
        return std::string_view(m_names).substr(m_entries[i].nOffset, m_entries[i].nLength);
    }
    unsigned char GetFileTypeAt(std::size_t i) const { return m_entries[i].nType; }
    // The listed folder as it was opened, and its descriptor, open while the
    // listing is used, so that entries are examined in the folder that was
    // listed without walking its path again.
    FileIdentity GetFolderIdentity() const { return m_idFolder; }
    int GetFolderDescriptor() const { return m_nFolderFd; }
    void Close();

    static bool MatchesMask(std::string_view name, std::string_view mask);
    // The path of folder's entry called name: the exact name when it exists,
    // else the first entry whose name differs only in letter case, else empty.
    static std::string ResolveNoCase(const std::string& folder, std::string_view name);

private:
    // Orders the entries as a Windows folder listing: letter case ignored
    // (see CompareNoCase), names that differ only in it by their bytes.
    void Sort();

    struct Entry {
        std::uint32_t nOffset;
        std::uint32_t nLength;
        unsigned char nType;
    };

    std::string m_strFolder;
    // Kept open while the listing is used, so that identities are read in
    // the folder that was listed even if its path changes meanwhile.
    int m_nFolderFd = -1;
    FileIdentity m_idFolder;
    std::string m_names; // every name back to back: one allocation for the whole listing
    std::vector<Entry> m_entries;
    std::size_t m_nCurrent = 0;
    bool m_bStarted = false;
};
