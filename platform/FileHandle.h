#pragma once

#include "platform/CFileStatus.h"
#include "platform/FileIdentity.h"

#include <cstddef>
#include <cstdint>
#include <string>

// An open, read-only regular file. Anything known not to be a regular file (a
// folder, a FIFO, a device) fails to open without ever being opened, so that
// opening has no side effect, and no read can block; a name swapped between
// the check and the open fails too.
class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle() { Close(); }
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool Open(const std::string& path);
    // The same for the entry `name` of the folder open as folderFd, without
    // walking a path. listedType is what the folder's listing said of it
    // (DT_REG, DT_LNK, ..., DT_UNKNOWN): an entry listed as a regular file,
    // or without a type, is opened at once, without following a link, and
    // checked on the opened descriptor, so that its name is looked up once;
    // a link (listed so, or refused by that open) is looked at first and
    // followed to a regular file only; any other type is never opened. On a
    // store whose listing gives no types a FIFO is thus opened, without
    // waiting, and refused. status and identity, where given, come from the
    // call that checks the opened file; identity is the entry's own (a
    // link's, not its target's).
    bool OpenAt(int folderFd, const char* name, unsigned char listedType, CFileStatus* status = nullptr,
                FileIdentity* identity = nullptr);
    // Takes over an open descriptor, which is closed also when it is refused
    // for not being a regular file.
    bool Adopt(int fd);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    std::uint64_t Size() const { return m_nSize; }
    // For handing the file to another process; stays owned by this handle.
    int Descriptor() const { return m_fd; }

    // Reads up to size bytes at offset; returns the count read (short at the
    // end of the file), or 0 on an error.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const;

    // Reads at most limit bytes from the start of the file at path.
    static bool ReadAll(const std::string& path, std::string& out, std::size_t limit);

private:
    int m_fd = -1;
    std::uint64_t m_nSize = 0;
};
