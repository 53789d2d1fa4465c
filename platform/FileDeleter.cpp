#include "platform/FileDeleter.h"

#include "platform/DeleteStepHook.h"
#include "platform/DiagnosticLog.h"
#include "platform/EntryCalls.h"
#include "platform/FileDescriptor.h"
#include "platform/FreedesktopTrashCan.h"
#include "platform/SystemErrorText.h"

#include "platform/WindowThreadCheck.h"

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
Result OpenListed(const ListedFile& file, FileDescriptor& folder, std::string& strReason, DeleteStepHook* steps)
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
    DeleteStepHook::Reach(steps, DeleteStep::FolderOpened);
    if (::fstatat(folder.Get(), file.strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return FromErrno(strReason);
    if (FileIdentity::Of(st) != file.idFile)
        return Result::Changed;
    if (!S_ISREG(st.st_mode))
        return Result::NotRegular;
    DeleteStepHook::Reach(steps, DeleteStep::FileChecked);
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

// Gives a file moved aside its name again, never over a file that took the
// name meanwhile; such a file keeps the name and ours stays where it is,
// which the log says.
void PutBack(int folder, const std::string& aside, const std::string& name, DeleteStepHook* steps)
{
    if (const int error = EntryCalls::MoveNoReplace(folder, aside, folder, name, steps);
        error != 0 && DiagnosticLog::IsOn(DiagnosticLog::Topic::Delete))
        DiagnosticLog::Write(DiagnosticLog::Topic::Delete,
                             "could not give " + aside + " its name " + name + " back: " + SystemErrorText(error));
}

// Takes the checked file out of everyone's reach under a private name and
// checks it there, so that no later step acts on a name another file could
// have taken; a file that took the name before the move goes back.
Result TakeAside(int folder, const ListedFile& file, std::string& aside, std::string& strReason, DeleteStepHook* steps)
{
    aside = EntryCalls::PrivateName();
    if (const int error = EntryCalls::MoveAside(folder, file.strName, aside)) {
        errno = error;
        return FromErrno(strReason);
    }
    DeleteStepHook::Reach(steps, DeleteStep::MovedAside);
    if (!EntryCalls::HasIdentity(folder, aside, file.idFile)) {
        PutBack(folder, aside, file.strName, steps);
        return Result::Changed;
    }
    return Result::Done;
}

Result TrashListed(const ListedFile& file, TrashedFile& trashed, std::string& strReason,
                   const FileDeleter::Seams& seams)
{
    FileDescriptor folder;
    std::string aside;
    if (const Result checked = OpenListed(file, folder, strReason, seams.pSteps); checked != Result::Done)
        return checked;
    if (const Result taken = TakeAside(folder.Get(), file, aside, strReason, seams.pSteps); taken != Result::Done)
        return taken;
    FreedesktopTrashCan desktop(seams.pSteps);
    TrashCan& trash = seams.pTrash != nullptr ? *seams.pTrash : desktop;
    Result result = Result::Failed;
    switch (trash.MoveToTrash(folder.Get(), aside, file.strName, file.idFile, trashed, strReason)) {
    case TrashCan::Result::Trashed:
        trashed.strOriginalPath = file.strFolder + "/" + file.strName;
        trashed.strOriginalName = file.strName;
        trashed.idFolder = file.idFolder;
        return Result::Done;
    case TrashCan::Result::NotSupported:
        result = Result::NoTrash;
        break;
    case TrashCan::Result::Gone:
        result = Result::Gone;
        break;
    case TrashCan::Result::Changed:
        result = Result::Changed;
        break;
    case TrashCan::Result::Failed:
        break;
    }
    PutBack(folder.Get(), aside, file.strName, seams.pSteps);
    return result;
}

Result DeleteListed(const ListedFile& file, std::string& strReason, DeleteStepHook* steps)
{
    FileDescriptor folder;
    std::string aside;
    if (const Result checked = OpenListed(file, folder, strReason, steps); checked != Result::Done)
        return checked;
    // An unlink removes whatever the name stands for at that moment, so only
    // the private name, checked, is removed.
    if (const Result taken = TakeAside(folder.Get(), file, aside, strReason, steps); taken != Result::Done)
        return taken;
    if (::unlinkat(folder.Get(), aside.c_str(), 0) != 0) {
        strReason = SystemErrorText(errno);
        PutBack(folder.Get(), aside, file.strName, steps);
        return Result::Failed;
    }
    return Result::Done;
}

RestoreResult RestoreTrashed(const TrashedFile& trashed, std::string& strReason, DeleteStepHook* steps)
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
    DeleteStepHook::Reach(steps, DeleteStep::RestoreFolderOpened);

    // The trash's entry is taken aside and checked there first, so that what
    // goes back is the trashed file whatever the file system's renames allow.
    const std::string aside = EntryCalls::PrivateName();
    if (const int error = EntryCalls::MoveAside(trash.Get(), trashed.strTrashName, aside)) {
        if (error == ENOENT)
            return RestoreResult::Gone;
        strReason = SystemErrorText(error);
        return RestoreResult::Failed;
    }
    DeleteStepHook::Reach(steps, DeleteStep::MovedAside);
    if (!EntryCalls::HasIdentity(trash.Get(), aside, trashed.idFile)) {
        PutBack(trash.Get(), aside, trashed.strTrashName, steps);
        return RestoreResult::Gone;
    }
    if (const int error = EntryCalls::MoveNoReplace(trash.Get(), aside, folder.Get(), name, steps)) {
        PutBack(trash.Get(), aside, trashed.strTrashName, steps);
        if (error == EEXIST)
            return RestoreResult::Occupied;
        strReason = SystemErrorText(error);
        return RestoreResult::Failed;
    }
    const FileDescriptor info(::openat(trash.Get(), "../info", kFolderFlags | O_NOFOLLOW));
    if (info.IsOpen())
        ::unlinkat(info.Get(), (trashed.strTrashName + ".trashinfo").c_str(), 0);
    return RestoreResult::Restored;
}

} // namespace

FileDeleter::Result FileDeleter::MoveToTrash(const ListedFile& file, TrashedFile& trashed, std::string& strReason,
                                             const Seams& seams)
{
    WindowThreadCheck::OffTheWindowThread("FileDeleter::MoveToTrash");
    return Logged(TrashListed(file, trashed, strReason, seams), Result::Done, "moving to the trash",
                  file.strFolder + "/" + file.strName, strReason);
}

FileDeleter::Result FileDeleter::DeletePermanently(const ListedFile& file, std::string& strReason, const Seams& seams)
{
    WindowThreadCheck::OffTheWindowThread("FileDeleter::DeletePermanently");
    return Logged(DeleteListed(file, strReason, seams.pSteps), Result::Done, "deleting",
                  file.strFolder + "/" + file.strName, strReason);
}

FileDeleter::RestoreResult FileDeleter::Restore(const TrashedFile& trashed, std::string& strReason, const Seams& seams)
{
    WindowThreadCheck::OffTheWindowThread("FileDeleter::Restore");
    return Logged(RestoreTrashed(trashed, strReason, seams.pSteps), RestoreResult::Restored, "restoring",
                  trashed.strOriginalPath, strReason);
}
