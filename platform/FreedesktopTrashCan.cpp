#include "platform/FreedesktopTrashCan.h"

#include "platform/DeleteStepHook.h"
#include "platform/EntryCalls.h"
#include "platform/FileDescriptor.h"
#include "platform/SystemErrorText.h"
#include "platform/TrashInfo.h"

#include <glib.h>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Which mount an open folder is on: a rename never crosses one, even between
// two mounts of the same disk.
bool SameMount(int a, int b)
{
    struct statx first { };
    struct statx second { };
    if (::statx(a, "", AT_EMPTY_PATH, STATX_MNT_ID, &first) != 0 ||
        ::statx(b, "", AT_EMPTY_PATH, STATX_MNT_ID, &second) != 0)
        return false;
    if ((first.stx_mask & second.stx_mask & STATX_MNT_ID) != 0)
        return first.stx_mnt_id == second.stx_mnt_id;
    return first.stx_dev_major == second.stx_dev_major && first.stx_dev_minor == second.stx_dev_minor;
}

bool SameFolder(int a, int b)
{
    struct stat first;
    struct stat second;
    return ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 && FileIdentity::Of(first) == FileIdentity::Of(second);
}

std::string PathOf(int fd)
{
    char path[4096];
    const ssize_t length = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    return length > 0 && static_cast<std::size_t>(length) < sizeof path
               ? std::string(path, static_cast<std::size_t>(length))
               : std::string();
}

// The folder name in parent, made (for this user only) when missing, never
// reached through a link.
FileDescriptor OpenOrMake(int parent, const std::string& name)
{
    FileDescriptor folder(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW));
    if (!folder.IsOpen() && errno == ENOENT && (::mkdirat(parent, name.c_str(), 0700) == 0 || errno == EEXIST))
        folder = FileDescriptor(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW));
    return folder;
}

bool OwnedFolder(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// A trash: its "files" and "info" folders, where "files" is, and the folder
// that record paths are relative to (empty: they are absolute).
struct TrashFolder {
    FileDescriptor files;
    FileDescriptor info;
    std::string strFilesPath;
    std::string strTop;
};

bool OpenParts(FileDescriptor trash, const std::string& path, TrashFolder& found)
{
    found.files = OpenOrMake(trash.Get(), "files");
    found.info = OpenOrMake(trash.Get(), "info");
    found.strFilesPath = path + "/files";
    return found.files.IsOpen() && found.info.IsOpen();
}

// The user's own trash, when it is on the folder's mount.
bool HomeTrash(int folder, TrashFolder& found)
{
    const std::string data = g_get_user_data_dir();
    const std::string path = data + "/Trash";
    // The user may have made it a link, so it is followed here.
    FileDescriptor trash(::open(path.c_str(), kFolderFlags));
    if (!trash.IsOpen()) {
        if (errno != ENOENT || g_mkdir_with_parents(data.c_str(), 0700) != 0)
            return false;
        const FileDescriptor parent(::open(data.c_str(), kFolderFlags));
        if (!parent.IsOpen() || !SameMount(parent.Get(), folder))
            return false;
        trash = OpenOrMake(parent.Get(), "Trash");
    }
    return trash.IsOpen() && SameMount(trash.Get(), folder) && OpenParts(std::move(trash), path, found) &&
           SameMount(found.files.Get(), folder);
}

// The top folder of the mount that holds folder.
FileDescriptor MountTop(int folder)
{
    FileDescriptor current(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    while (current.IsOpen()) {
        FileDescriptor parent(::openat(current.Get(), "..", kFolderFlags));
        if (!parent.IsOpen())
            return {};
        if (!SameMount(parent.Get(), current.Get()) || SameFolder(parent.Get(), current.Get()))
            break;
        current = std::move(parent);
    }
    return current;
}

// The trash at the top of the mount: "$top/.Trash/$uid" when the
// administrator made ".Trash" a sticky folder that is no link, else
// "$top/.Trash-$uid".
bool TopTrash(int folder, TrashFolder& found)
{
    FileDescriptor top = MountTop(folder);
    if (!top.IsOpen())
        return false;
    found.strTop = PathOf(top.Get());
    if (found.strTop.empty())
        return false;
    const std::string base = found.strTop == "/" ? std::string() : found.strTop;
    const std::string uid = std::to_string(::getuid());
    const FileDescriptor shared(::openat(top.Get(), ".Trash", kFolderFlags | O_NOFOLLOW));
    struct stat st;
    if (shared.IsOpen() && ::fstat(shared.Get(), &st) == 0 && (st.st_mode & S_ISVTX) != 0) {
        FileDescriptor mine = OpenOrMake(shared.Get(), uid);
        if (mine.IsOpen() && OwnedFolder(mine.Get()))
            return OpenParts(std::move(mine), base + "/.Trash/" + uid, found);
    }
    FileDescriptor mine = OpenOrMake(top.Get(), ".Trash-" + uid);
    return mine.IsOpen() && OwnedFolder(mine.Get()) && OpenParts(std::move(mine), base + "/.Trash-" + uid, found);
}

// The record's path: absolute for the home trash, relative to the top of the
// mount for the trash there.
std::string RecordPath(const std::string& real, const std::string& name, const std::string& top)
{
    std::string path = (real == "/" ? std::string() : real) + "/" + name;
    if (top.empty())
        return path;
    if (top == "/")
        return path.substr(1);
    if (path.compare(0, top.size() + 1, top + "/") == 0)
        return path.substr(top.size() + 1);
    return path;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the record and puts it in place under name only when complete and
// only if no record of that name exists (0, else the error number): a kill
// midway leaves no empty record that would hide the file's origin.
int WriteRecord(int info, const std::string& name, const std::string& text)
{
    const FileDescriptor unnamed(::openat(info, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (unnamed.IsOpen()) {
        if (!WriteAll(unnamed.Get(), text))
            return errno != 0 ? errno : EIO;
        const std::string self = "/proc/self/fd/" + std::to_string(unnamed.Get());
        if (::linkat(AT_FDCWD, self.c_str(), info, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        if (errno == EEXIST)
            return EEXIST;
    }
    // A file system without unnamed files: a named one that no trash reader
    // takes for a record.
    const std::string temporary = EntryCalls::PrivateName() + ".tmp";
    const FileDescriptor named(
        ::openat(info, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!named.IsOpen())
        return errno;
    // The delete's steps are the file's, not its record's.
    const int error = WriteAll(named.Get(), text) ? EntryCalls::MoveNoReplace(info, temporary, info, name, nullptr)
                                                  : (errno != 0 ? errno : EIO);
    if (error == 0)
        return 0;
    ::unlinkat(info, temporary.c_str(), 0);
    return error;
}

} // namespace

TrashCan::Result FreedesktopTrashCan::MoveToTrash(int nFolder, const std::string& strAside, const std::string& strName,
                                                  const FileIdentity& idFile, TrashedFile& trashed,
                                                  std::string& strReason)
{
    TrashFolder trash;
    if (!HomeTrash(nFolder, trash)) {
        trash = TrashFolder();
        if (!TopTrash(nFolder, trash))
            return Result::NotSupported;
    }
    // The record names where the file was, whatever path led there.
    const std::string folderPath = PathOf(nFolder);
    if (folderPath.empty()) {
        strReason = SystemErrorText(errno);
        return Result::Failed;
    }
    const std::string record = TrashInfo::Text(RecordPath(folderPath, strName, trash.strTop), std::time(nullptr));
    // Each name the trash already holds (as a record or as a file) is passed
    // over for the next.
    for (unsigned attempt = 0; attempt < 10000; ++attempt) {
        const std::string entry = TrashInfo::EntryName(strName, attempt);
        const std::string info = entry + ".trashinfo";
        if (const int error = WriteRecord(trash.info.Get(), info, record)) {
            if (error == EEXIST)
                continue;
            strReason = SystemErrorText(error);
            return Result::Failed;
        }
        DeleteStepHook::Reach(m_pSteps, DeleteStep::InfoWritten);
        if (const int error = EntryCalls::MoveNoReplace(nFolder, strAside, trash.files.Get(), entry, m_pSteps)) {
            ::unlinkat(trash.info.Get(), info.c_str(), 0);
            if (error == EEXIST)
                continue;
            if (error == ENOENT)
                return Result::Gone;
            strReason = SystemErrorText(error);
            return Result::Failed;
        }
        // The entry may have come to stand for another file since the check:
        // that one goes back, and its record with it.
        if (!EntryCalls::HasIdentity(trash.files.Get(), entry, idFile)) {
            if (EntryCalls::MoveNoReplace(trash.files.Get(), entry, nFolder, strAside, m_pSteps) == 0)
                ::unlinkat(trash.info.Get(), info.c_str(), 0);
            return Result::Changed;
        }
        struct stat st;
        if (::fstat(trash.files.Get(), &st) == 0)
            trashed.idTrashFolder = FileIdentity::Of(st);
        trashed.strTrashFolder = trash.strFilesPath;
        trashed.strTrashName = entry;
        trashed.idFile = idFile;
        return Result::Trashed;
    }
    strReason = SystemErrorText(EEXIST);
    return Result::Failed;
}
