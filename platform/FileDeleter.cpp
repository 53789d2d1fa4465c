#include "platform/FileDeleter.h"

#include "platform/TrashCan.h"

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Result = FileDeleter::Result;

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
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd;
};

int OpenFolder(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

Result FromErrno()
{
    return errno == ENOENT || errno == ENOTDIR ? Result::Changed : Result::Failed;
}

// Opens the listed folder and checks that both it and the named file are
// still the ones the search listed.
Result OpenListed(const ListedFile& file, const Descriptor& folder)
{
    if (!IsPlainName(file.strName))
        return Result::Changed;
    if (!folder.IsOpen())
        return FromErrno();
    struct stat st;
    if (::fstat(folder.Get(), &st) != 0)
        return Result::Failed;
    if (FileIdentity::Of(st) != file.idFolder)
        return Result::Changed;
    if (::fstatat(folder.Get(), file.strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return FromErrno();
    if (!S_ISREG(st.st_mode) || FileIdentity::Of(st) != file.idFile)
        return Result::Changed;
    return Result::Done;
}

bool HasIdentity(int folder, const char* name, const FileIdentity& identity)
{
    struct stat st;
    return ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           FileIdentity::Of(st) == identity;
}

// The name under which a trash "files" folder holds the file: its own name
// when that was free, otherwise one the trash made up, found by the inode.
bool FindIn(const std::string& trashFolder, const ListedFile& file, std::string& name)
{
    const Descriptor folder(OpenFolder(trashFolder));
    struct stat st;
    if (!folder.IsOpen() || ::fstat(folder.Get(), &st) != 0 ||
        static_cast<std::uint64_t>(st.st_dev) != file.idFile.nDevice)
        return false;
    if (HasIdentity(folder.Get(), file.strName.c_str(), file.idFile)) {
        name = file.strName;
        return true;
    }
    DIR* listing = ::fdopendir(::dup(folder.Get()));
    if (listing == nullptr)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(listing)) {
        if (static_cast<std::uint64_t>(entry->d_ino) == file.idFile.nInode &&
            HasIdentity(folder.Get(), entry->d_name, file.idFile)) {
            name = entry->d_name;
            found = true;
            break;
        }
    }
    ::closedir(listing);
    return found;
}

// The folder at the top of the mount that holds path: where a disk of its
// own keeps its trash.
std::string MountTop(std::string path, std::uint64_t device)
{
    while (path.size() > 1) {
        const std::size_t slash = path.rfind('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        struct stat st;
        if (::stat(parent.c_str(), &st) != 0 || static_cast<std::uint64_t>(st.st_dev) != device)
            break;
        path = parent;
    }
    return path;
}

// Where the trash put the file: the home trash, or the trash at the top of
// the file's own disk (a rename never crosses disks, so only trash folders on
// the file's device can hold it).
bool Locate(int folder, const ListedFile& file, TrashedFile& trashed)
{
    std::string candidates[3] = {std::string(g_get_user_data_dir()) + "/Trash/files"};
    char real[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(folder);
    const ssize_t length = ::readlink(link.c_str(), real, sizeof real - 1);
    if (length > 0) {
        std::string top = MountTop(std::string(real, static_cast<std::size_t>(length)), file.idFile.nDevice);
        if (top == "/")
            top.clear();
        const std::string uid = std::to_string(::getuid());
        candidates[1] = top + "/.Trash/" + uid + "/files";
        candidates[2] = top + "/.Trash-" + uid + "/files";
    }
    for (const std::string& candidate : candidates) {
        if (!candidate.empty() && FindIn(candidate, file, trashed.strTrashName)) {
            trashed.strTrashFolder = candidate;
            trashed.strOriginalPath = file.strFolder + "/" + file.strName;
            trashed.idFile = file.idFile;
            return true;
        }
    }
    return false;
}

} // namespace

FileDeleter::Result FileDeleter::MoveToTrash(const ListedFile& file, TrashedFile& trashed)
{
    const Descriptor folder(OpenFolder(file.strFolder));
    const Result checked = OpenListed(file, folder);
    if (checked != Result::Done)
        return checked;
    // The trash takes a path, not a descriptor: the check above comes right
    // before it, and afterwards the file must be found in the trash by its
    // identity, or what was trashed was not the listed file.
    switch (TrashCan::Instance().MoveToTrash(file.strFolder + "/" + file.strName)) {
    case TrashCan::Result::Trashed:
        break;
    case TrashCan::Result::NotSupported:
        return Result::NoTrash;
    case TrashCan::Result::Failed:
        return Result::Failed;
    }
    return Locate(folder.Get(), file, trashed) ? Result::Done : Result::Changed;
}

FileDeleter::Result FileDeleter::DeletePermanently(const ListedFile& file)
{
    const Descriptor folder(OpenFolder(file.strFolder));
    const Result checked = OpenListed(file, folder);
    if (checked != Result::Done)
        return checked;
    if (::unlinkat(folder.Get(), file.strName.c_str(), 0) != 0)
        return FromErrno();
    return Result::Done;
}

FileDeleter::RestoreResult FileDeleter::Restore(const TrashedFile& trashed)
{
    const std::size_t slash = trashed.strOriginalPath.rfind('/');
    const std::size_t filesSlash = trashed.strTrashFolder.rfind('/');
    if (slash == std::string::npos || filesSlash == std::string::npos)
        return RestoreResult::Failed;
    const std::string name = trashed.strOriginalPath.substr(slash + 1);
    const std::string folderPath = slash == 0 ? "/" : trashed.strOriginalPath.substr(0, slash);

    const Descriptor trash(OpenFolder(trashed.strTrashFolder));
    if (!trash.IsOpen() || !HasIdentity(trash.Get(), trashed.strTrashName.c_str(), trashed.idFile))
        return RestoreResult::Gone;
    const Descriptor folder(OpenFolder(folderPath));
    if (!folder.IsOpen() || !IsPlainName(name))
        return RestoreResult::Failed;

    if (::renameat2(trash.Get(), trashed.strTrashName.c_str(), folder.Get(), name.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST)
            return RestoreResult::Occupied;
        // A file system without the no-replace rename: a new link never
        // replaces a name either.
        if (errno != EINVAL && errno != ENOSYS)
            return RestoreResult::Failed;
        if (::linkat(trash.Get(), trashed.strTrashName.c_str(), folder.Get(), name.c_str(), 0) != 0)
            return errno == EEXIST ? RestoreResult::Occupied : RestoreResult::Failed;
        ::unlinkat(trash.Get(), trashed.strTrashName.c_str(), 0);
    }
    const std::string info =
        trashed.strTrashFolder.substr(0, filesSlash) + "/info/" + trashed.strTrashName + ".trashinfo";
    ::unlink(info.c_str());
    return RestoreResult::Restored;
}
