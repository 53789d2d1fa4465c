#include "platform/FileCopier.h"

#include "platform/Utf8Cut.h"
#include "platform/WindowThreadCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Result = FileCopier::Result;
using Outcome = FileCopier::Outcome;

constexpr std::size_t kBufferBytes = 1u << 20;
// Of the file's name in its copy's temporary name: room for the rest within
// the 255 bytes a name may have.
constexpr std::size_t kPartNameBytes = 200;

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    // Hands the descriptor over; the caller closes it.
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

Outcome Failure(int error)
{
    if (error == ENOENT || error == ENOTDIR || error == ELOOP)
        return {Result::Changed, 0};
    return {Result::Failed, error};
}

// The listed file, opened for reading: the folder must still be the listed
// folder and the name the listed regular file. Non-blocking, so that a FIFO
// put in its place cannot hold the open.
int OpenListed(const ListedFile& file, struct stat& st, Outcome& outcome)
{
    if (!IsPlainName(file.strName)) {
        outcome = {Result::Changed, 0};
        return -1;
    }
    const Descriptor folder(::open(file.strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0) {
        outcome = Failure(errno);
        return -1;
    }
    if (::fstat(folder.Get(), &st) != 0 || FileIdentity::Of(st) != file.idFolder) {
        outcome = {Result::Changed, 0};
        return -1;
    }
    Descriptor source(::openat(folder.Get(), file.strName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (source.Get() < 0) {
        outcome = Failure(errno);
        return -1;
    }
    if (::fstat(source.Get(), &st) != 0 || !S_ISREG(st.st_mode) || FileIdentity::Of(st) != file.idFile) {
        outcome = {Result::Changed, 0};
        return -1;
    }
    return source.Release();
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
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

// The copy's file, made anew under a temporary name (set in part); readable
// and writable by the owner alone until it is whole.
int CreatePart(int folder, const std::string& name, std::string& part)
{
    for (int attempt = 0;; ++attempt) {
        part = PartName(name);
        const int fd = ::openat(folder, part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST || attempt == 8)
            return fd;
    }
}

// Removes the copy's temporary name, only while it still stands for the file
// this copy made.
void RemovePart(int folder, const std::string& part, const FileIdentity& made)
{
    struct stat now;
    if (::fstatat(folder, part.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && FileIdentity::Of(now) == made)
        ::unlinkat(folder, part.c_str(), 0);
}

// The file a name in the folder stands for holds the same bytes as the
// source: a copy made before, not another file (another camera's clip) of
// the same name. Read without moving the source's offset.
bool HoldsTheSameBytes(int folder, const std::string& name, int source, const struct stat& file,
                       const std::stop_token& stop)
{
    const Descriptor there(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (there.Get() < 0 || ::fstat(there.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != file.st_size)
        return false;
    constexpr std::size_t kCompareBytes = 64u << 10;
    std::vector<char> ours(kCompareBytes);
    std::vector<char> theirs(kCompareBytes);
    for (off_t offset = 0; offset < file.st_size && !stop.stop_requested();) {
        const ssize_t count = ::pread(source, ours.data(), kCompareBytes, offset);
        if (count <= 0 || ::pread(there.Get(), theirs.data(), static_cast<std::size_t>(count), offset) != count ||
            std::memcmp(ours.data(), theirs.data(), static_cast<std::size_t>(count)) != 0)
            return false;
        offset += count;
    }
    return !stop.stop_requested();
}

} // namespace

int FileCopier::Open(const std::string& destFolder)
{
    WindowThreadCheck::OffTheWindowThread("FileCopier::Open");
    if (m_nFolder >= 0)
        ::close(m_nFolder);
    m_nFolder = ::open(destFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    m_nOpenError = m_nFolder < 0 ? errno : 0;
    return m_nOpenError;
}

FileCopier::~FileCopier()
{
    if (m_nFolder >= 0)
        ::close(m_nFolder);
}

std::uint64_t FileCopier::SizeOf(const ListedFile& file)
{
    WindowThreadCheck::OffTheWindowThread("FileCopier::SizeOf");
    struct stat st;
    Outcome ignored;
    const Descriptor source(OpenListed(file, st, ignored));
    return source.Get() >= 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

FileCopier::Outcome FileCopier::Copy(const ListedFile& file, const std::stop_token& stop, const std::string& asName)
{
    WindowThreadCheck::OffTheWindowThread("FileCopier::Copy");
    if (m_nFolder < 0)
        return {Result::Failed, m_nOpenError};
    if (stop.stop_requested())
        return {Result::Stopped, 0};
    struct stat st;
    Outcome outcome;
    const Descriptor source(OpenListed(file, st, outcome));
    if (source.Get() < 0)
        return outcome;

    const std::string& name = asName.empty() ? file.strName : asName;
    if (!IsPlainName(name))
        return {Result::Failed, EINVAL};
    // Nothing is copied for a name already there, even a dangling link; the
    // last step checks again, since the name may be taken meanwhile.
    struct stat there;
    if (::fstatat(m_nFolder, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0) {
        const bool same = HoldsTheSameBytes(m_nFolder, name, source.Get(), st, stop);
        if (stop.stop_requested())
            return {Result::Stopped, 0};
        return {same ? Result::Same : Result::Exists, 0};
    }
    std::string part;
    Descriptor target(CreatePart(m_nFolder, name, part));
    if (target.Get() < 0)
        return {Result::Failed, errno};
    struct stat made;
    if (::fstat(target.Get(), &made) != 0) {
        const int error = errno;
        ::unlinkat(m_nFolder, part.c_str(), 0);
        return {Result::Failed, error};
    }
    const FileIdentity madeIdentity = FileIdentity::Of(made);

    outcome = CopyOpen(file.strName, source.Get(), static_cast<std::uint64_t>(st.st_size), target.Get(), stop);
    // The file's permission bits, as cp gives them, set before the copy has a
    // name anyone would open: never wider than the file's, whatever the
    // umask. A file system without modes of its own (FAT) refuses any.
    if (outcome.result == Result::Copied && ::fchmod(target.Get(), st.st_mode & 0777) != 0 && errno != EPERM &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        outcome = {Result::Failed, errno};
    if (outcome.result == Result::Copied) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(target.Get(), times) != 0)
            outcome = {Result::Failed, errno};
    }
    // Some file systems report a failed write only when the file is closed.
    if (::close(target.Release()) != 0 && outcome.result == Result::Copied)
        outcome = {Result::Failed, errno};
    if (outcome.result == Result::Copied)
        return TakeName(part, name, madeIdentity);
    RemovePart(m_nFolder, part, madeIdentity);
    return outcome;
}

FileCopier::Outcome FileCopier::TakeName(const std::string& part, const std::string& name, const FileIdentity& made)
{
    Outcome outcome{Result::Copied, 0};
    if (::renameat2(m_nFolder, part.c_str(), m_nFolder, name.c_str(), RENAME_NOREPLACE) == 0)
        return outcome;
    if (errno == EINVAL || errno == ENOSYS) {
        // NFS and most FUSE mounts have no no-replace rename, but a new link
        // never replaces a name either.
        if (::linkat(m_nFolder, part.c_str(), m_nFolder, name.c_str(), 0) == 0) {
            RemovePart(m_nFolder, part, made);
            return outcome;
        }
        // Neither: a plain rename could replace a file that took the name
        // since it was looked at, so the copy is not named at all.
        if (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS)
            outcome = {Result::NoSafeName, 0};
    }
    if (outcome.result == Result::Copied)
        outcome = errno == EEXIST ? Outcome{Result::Exists, 0} : Outcome{Result::Failed, errno};
    RemovePart(m_nFolder, part, made);
    return outcome;
}

FileCopier::Outcome FileCopier::CopyOpen(const std::string& name, int source, std::uint64_t size, int target,
                                         const std::stop_token& stop)
{
    // In the kernel where the file systems allow it (no trip through our
    // memory, and a shared extent where they can share one); read and write
    // otherwise.
    bool inKernel = true;
    std::uint64_t copied = 0;
    for (;;) {
        if (m_beforeChunk)
            m_beforeChunk(name, copied);
        if (stop.stop_requested())
            return {Result::Stopped, 0};
        ssize_t count = 0;
        if (inKernel) {
            count = ::copy_file_range(source, nullptr, target, nullptr, kChunkBytes, 0);
            // Refused before anything was copied, or nothing copied from a
            // file that has more (some file systems say so instead of
            // refusing): the same bytes through a buffer.
            if ((count < 0 && copied == 0 &&
                 (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL || errno == EBADF)) ||
                (count == 0 && copied < size)) {
                inKernel = false;
                continue;
            }
        } else {
            if (!m_buffer)
                m_buffer = std::make_unique<char[]>(kBufferBytes);
            count = ::read(source, m_buffer.get(), kBufferBytes);
            if (count > 0 && !WriteAll(target, m_buffer.get(), static_cast<std::size_t>(count)))
                return {Result::Failed, errno};
        }
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return {Result::Failed, errno};
        }
        if (count == 0)
            break;
        copied += static_cast<std::uint64_t>(count);
        m_nBytesCopied.fetch_add(static_cast<std::uint64_t>(count), std::memory_order_relaxed);
    }
    struct stat st;
    if (::fstat(target, &st) != 0)
        return {Result::Failed, errno};
    if (copied != size || static_cast<std::uint64_t>(st.st_size) != size)
        return {Result::Short, 0};
    return {Result::Copied, 0};
}
