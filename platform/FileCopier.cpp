#include "platform/FileCopier.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Result = FileCopier::Result;
using Outcome = FileCopier::Outcome;

constexpr std::size_t kBufferBytes = 1u << 20;

FileCopier::ChunkHook& BeforeChunkHook()
{
    static FileCopier::ChunkHook hook;
    return hook;
}

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

} // namespace

int FileCopier::Open(const std::string& destFolder)
{
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

void FileCopier::SetBeforeChunk(ChunkHook hook)
{
    BeforeChunkHook() = std::move(hook);
}

std::uint64_t FileCopier::SizeOf(const ListedFile& file)
{
    struct stat st;
    Outcome ignored;
    const Descriptor source(OpenListed(file, st, ignored));
    return source.Get() >= 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

FileCopier::Outcome FileCopier::Copy(const ListedFile& file, const std::stop_token& stop)
{
    if (m_nFolder < 0)
        return {Result::Failed, m_nOpenError};
    if (stop.stop_requested())
        return {Result::Stopped, 0};
    struct stat st;
    Outcome outcome;
    const Descriptor source(OpenListed(file, st, outcome));
    if (source.Get() < 0)
        return outcome;

    // O_EXCL: whatever has the name already, even a dangling link, stays.
    Descriptor target(
        ::openat(m_nFolder, file.strName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (target.Get() < 0)
        return errno == EEXIST ? Outcome{Result::Exists, 0} : Outcome{Result::Failed, errno};
    struct stat made;
    if (::fstat(target.Get(), &made) != 0) {
        const int error = errno;
        ::unlinkat(m_nFolder, file.strName.c_str(), 0);
        return {Result::Failed, error};
    }

    outcome = CopyOpen(file.strName, source.Get(), static_cast<std::uint64_t>(st.st_size), target.Get(), stop);
    if (outcome.result == Result::Copied) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(target.Get(), times) != 0)
            outcome = {Result::Failed, errno};
    }
    // Some file systems report a failed write only when the file is closed.
    if (::close(target.Release()) != 0 && outcome.result == Result::Copied)
        outcome = {Result::Failed, errno};
    if (outcome.result != Result::Copied) {
        // Only the file this copy made: the name might stand for another by now.
        struct stat now;
        if (::fstatat(m_nFolder, file.strName.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            FileIdentity::Of(now) == FileIdentity::Of(made))
            ::unlinkat(m_nFolder, file.strName.c_str(), 0);
    }
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
        if (const ChunkHook& hook = BeforeChunkHook())
            hook(name, copied);
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
