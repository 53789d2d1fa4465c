#include "platform/FileDeleter.h"

#include "platform/DeleteStepHook.h"
#include "platform/DiagnosticLog.h"
#include "platform/EntryCalls.h"
#include "platform/FileDescriptor.h"
#include "platform/SystemErrorText.h"
#include "platform/TrashCan.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Result = FileDeleter::Result;
using RestoreResult = FileDeleter::RestoreResult;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

Result FromErrno(std::string& strReason)
{
    if (errno == ENOENT)
        return Result::Gone;
    if (errno == ENOTDIR)
        return Result::Changed;
    strReason = SystemErrorText(errno);
    return Result::Failed;
}

// Opens the listed folder and checks that both it and the named file are
// still the ones the search listed.
Result OpenListed(const ListedFile& file, FileDescriptor& folder, std::string& strReason)
{
    if (!IsPlainName(file.strName))
        return Result::Changed;
    folder = FileDescriptor(::open(file.strFolder.c_str(), kFolderFlags));
    if (!folder.IsOpen())
        return FromErrno(strReason);
    struct stat st;
    if (::fstat(folder.Get(), &st) != 0)
        return FromErrno(strReason);
    if (FileIdentity::Of(st) != file.idFolder)
        return Result::Changed;
    DeleteStepHook::Reach(DeleteStep::FolderOpened);
    if (::fstatat(folder.Get(), file.strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return FromErrno(strReason);
    if (FileIdentity::Of(st) != file.idFile)
        return Result::Changed;
    if (!S_ISREG(st.st_mode))
        return Result::NotRegular;
    DeleteStepHook::Reach(DeleteStep::FileChecked);
    return Result::Done;
}

const char* Meaning(Result result)
{
    switch (result) {
    case Result::Done:
        return "done";
    case Result::NoTrash:
        return "its location has no usable trash";
    case Result::Gone:
        return "nothing has its name any more";
    case Result::NotRegular:
        return "it is no regular file";
    case Result::Changed:
        return "the folder or the file is not the one listed";
    case Result::Failed:
        break;
    }
    return "the system refused";
}

const char* Meaning(RestoreResult result)
{
    switch (result) {
    case RestoreResult::Restored:
        return "done";
    case RestoreResult::Occupied:
        return "something else has its name now";
    case RestoreResult::Gone:
        return "the trash no longer holds it";
    case RestoreResult::FolderChanged:
        return "its folder is gone or another folder has its path";
    case RestoreResult::Failed:
        break;
    }
    return "the system refused";
}

// A result other than done is logged with what the system said, if anything.
template <typename R>
R Logged(R result, R done, const char* action, const std::string& path, const std::string& strReason)
{
    if (result != done && DiagnosticLog::IsOn(DiagnosticLog::Topic::Delete))
        DiagnosticLog::Write(DiagnosticLog::Topic::Delete, std::string(action) + " " + path +
                                                               " failed: " + Meaning(result) +
                                                               (strReason.empty() ? "" : " (" + strReason + ")"));
    return result;
}

Result TrashListed(const ListedFile& file, TrashedFile& trashed, std::string& strReason)
{
    FileDescriptor folder;
    const Result checked = OpenListed(file, folder, strReason);
    if (checked != Result::Done)
        return checked;
    switch (TrashCan::Instance().MoveToTrash(folder.Get(), file.strName, file.idFile, trashed, strReason)) {
    case TrashCan::Result::Trashed:
        trashed.strOriginalPath = file.strFolder + "/" + file.strName;
        trashed.idFolder = file.idFolder;
        return Result::Done;
    case TrashCan::Result::NotSupported:
        return Result::NoTrash;
    case TrashCan::Result::Gone:
        return Result::Gone;
    case TrashCan::Result::Changed:
        return Result::Changed;
    case TrashCan::Result::Failed:
        break;
    }
    return Result::Failed;
}

Result DeleteListed(const ListedFile& file, std::string& strReason)
{
    FileDescriptor folder;
    const Result checked = OpenListed(file, folder, strReason);
    if (checked != Result::Done)
        return checked;
    // An unlink removes whatever the name stands for at that moment, so the
    // file is first taken out of reach under a private name and checked there.
    const std::string aside = EntryCalls::PrivateName();
    if (const int error = EntryCalls::MoveNoReplace(folder.Get(), file.strName, folder.Get(), aside)) {
        errno = error;
        return FromErrno(strReason);
    }
    DeleteStepHook::Reach(DeleteStep::MovedAside);
    if (!EntryCalls::HasIdentity(folder.Get(), aside, file.idFile)) {
        EntryCalls::MoveNoReplace(folder.Get(), aside, folder.Get(), file.strName);
        return Result::Changed;
    }
    if (::unlinkat(folder.Get(), aside.c_str(), 0) != 0) {
        strReason = SystemErrorText(errno);
        EntryCalls::MoveNoReplace(folder.Get(), aside, folder.Get(), file.strName);
        return Result::Failed;
    }
    return Result::Done;
}

RestoreResult RestoreTrashed(const TrashedFile& trashed, std::string& strReason)
{
    const std::size_t slash = trashed.strOriginalPath.rfind('/');
    if (slash == std::string::npos)
        return RestoreResult::FolderChanged;
    const std::string name = trashed.strOriginalPath.substr(slash + 1);
    const std::string folderPath = slash == 0 ? "/" : trashed.strOriginalPath.substr(0, slash);

    struct stat st;
    const FileDescriptor trash(::open(trashed.strTrashFolder.c_str(), kFolderFlags));
    if (!trash.IsOpen() || ::fstat(trash.Get(), &st) != 0 || FileIdentity::Of(st) != trashed.idTrashFolder ||
        !EntryCalls::HasIdentity(trash.Get(), trashed.strTrashName, trashed.idFile))
        return RestoreResult::Gone;
    const FileDescriptor folder(::open(folderPath.c_str(), kFolderFlags));
    if (!folder.IsOpen() || !IsPlainName(name) || ::fstat(folder.Get(), &st) != 0 ||
        FileIdentity::Of(st) != trashed.idFolder)
        return RestoreResult::FolderChanged;
    DeleteStepHook::Reach(DeleteStep::RestoreFolderOpened);

    if (const int error = EntryCalls::MoveNoReplace(trash.Get(), trashed.strTrashName, folder.Get(), name)) {
        if (error == EEXIST)
            return RestoreResult::Occupied;
        if (error == ENOENT)
            return RestoreResult::Gone;
        strReason = SystemErrorText(error);
        return RestoreResult::Failed;
    }
    if (!EntryCalls::HasIdentity(folder.Get(), name, trashed.idFile)) {
        EntryCalls::MoveNoReplace(folder.Get(), name, trash.Get(), trashed.strTrashName);
        return RestoreResult::Gone;
    }
    const FileDescriptor info(::openat(trash.Get(), "../info", kFolderFlags | O_NOFOLLOW));
    if (info.IsOpen())
        ::unlinkat(info.Get(), (trashed.strTrashName + ".trashinfo").c_str(), 0);
    return RestoreResult::Restored;
}

} // namespace

FileDeleter::Result FileDeleter::MoveToTrash(const ListedFile& file, TrashedFile& trashed, std::string& strReason)
{
    return Logged(TrashListed(file, trashed, strReason), Result::Done, "moving to the trash",
                  file.strFolder + "/" + file.strName, strReason);
}

FileDeleter::Result FileDeleter::DeletePermanently(const ListedFile& file, std::string& strReason)
{
    return Logged(DeleteListed(file, strReason), Result::Done, "deleting", file.strFolder + "/" + file.strName,
                  strReason);
}

FileDeleter::RestoreResult FileDeleter::Restore(const TrashedFile& trashed, std::string& strReason)
{
    return Logged(RestoreTrashed(trashed, strReason), RestoreResult::Restored, "restoring", trashed.strOriginalPath,
                  strReason);
}
