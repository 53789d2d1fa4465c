#include "platform/FileDeleter.h"

#include "platform/DeleteStepHook.h"
#include "platform/DiagnosticLog.h"
#include "platform/RecycleRecord.h"
#include "platform/SystemErrorText.h"
#include "platform/WindowThreadCheck.h"

#include "platform/win/WideText.h"
#include "platform/win/WinFiles.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <objbase.h>
#include <optional>
#include <random>
#include <sddl.h>
#include <shellapi.h>
#include <string_view>
#include <vector>
#include <windows.h>

// The Recycle Bin is the shell's: only the shell puts a file there with the
// record that lets Explorer show where it came from, and the shell names
// files by their paths. So the file is checked through handles that keep it
// in place (opened without sharing its deletion, so nobody can rename, delete
// or replace it meanwhile), and through its handle moved to a private name in
// its folder that nobody else knows. Only then is it let go and the shell
// asked to recycle the private name: a file that takes the file's own name
// meanwhile is never the one recycled. The bin's record is then made to name
// the file's own path, and the file is looked for by its identity in the bin.
// Deleting for good and restoring act on handles of the checked files only.
namespace {

using Result = FileDeleter::Result;
using RestoreResult = FileDeleter::RestoreResult;

// Shared with readers and writers but never with a rename or a delete.
constexpr ULONG kKeepInPlace = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Entries looked at in a bin folder for the trashed file, at most.
constexpr int kBinEntriesLooked = 100000;

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : m_handle(handle) { }
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return m_handle; }
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle)
    {
        Close();
        m_handle = handle;
    }
    void Close()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

std::string Joined(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        return folder + name;
    return folder + "\\" + name;
}

Result FromErrno(int error, std::string& strReason)
{
    if (error == ENOENT)
        return Result::Gone;
    if (error == ENOTDIR)
        return Result::Changed;
    strReason = SystemErrorText(error);
    return Result::Failed;
}

// Opens the listed folder and the named entry in it, both kept in place, and
// checks that they are still the ones the search listed.
Result OpenListed(const ListedFile& file, ACCESS_MASK access, Handle& folder, Handle& entry, std::string& strReason,
                  DeleteStepHook* steps)
{
    if (!IsPlainName(file.strName))
        return Result::Changed;
    folder.Reset(
        winfiles::OpenFolder(file.strFolder, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES, kKeepInPlace));
    if (!folder.IsOpen())
        return FromErrno(errno, strReason);
    winfiles::Facts facts;
    if (!winfiles::FactsOf(folder.Get(), facts))
        return FromErrno(errno, strReason);
    if (facts.identity != file.idFolder)
        return Result::Changed;
    DeleteStepHook::Reach(steps, DeleteStep::FolderOpened);
    // Reading the data is what makes the share mode bind others: an open for
    // attributes alone would keep no one out.
    entry.Reset(winfiles::OpenInFolder(folder.Get(), file.strName, access | FILE_READ_DATA | FILE_READ_ATTRIBUTES,
                                       FILE_OPEN_REPARSE_POINT, kKeepInPlace));
    if (!entry.IsOpen())
        return FromErrno(errno, strReason);
    if (!winfiles::FactsOf(entry.Get(), facts))
        return FromErrno(errno, strReason);
    if (facts.identity != file.idFile)
        return Result::Changed;
    if (facts.status.m_bDirectory || facts.bReparsePoint || ::GetFileType(entry.Get()) != FILE_TYPE_DISK)
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
        return "its location has no Recycle Bin";
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
        return "the Recycle Bin no longer holds it";
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

std::string Environment(const wchar_t* name)
{
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
    if (length == 0 || length >= size)
        return {};
    value.resize(length);
    return Utf8FromWide(value);
}

// The user's bin folder on the volume of path: "C:\$Recycle.Bin\<SID>".
std::optional<std::string> WindowsBinFolder(const std::wstring& path)
{
    wchar_t root[MAX_PATH + 1];
    if (!::GetVolumePathNameW(path.c_str(), root, MAX_PATH + 1))
        return std::nullopt;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return std::nullopt;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size > 0 ? size : 1]);
    wchar_t* sid = nullptr;
    const bool known = size > 0 && ::GetTokenInformation(token, TokenUser, buffer.get(), size, &size) &&
                       ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid, &sid);
    ::CloseHandle(token);
    if (!known)
        return std::nullopt;
    std::string folder = Utf8FromWide(root) + "$Recycle.Bin\\" + Utf8FromWide(sid);
    ::LocalFree(sid);
    return folder;
}

// Under Wine the Recycle Bin is the desktop's trash of the user, whose
// "files" folder Wine reaches through a drive of its own: the one in
// $XDG_DATA_HOME, or where that folder is missing, the one in the home folder.
std::vector<std::string> DesktopTrashFolders()
{
    using DosName = wchar_t*(CDECL*)(const char*);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto dosName =
        kernel ? reinterpret_cast<DosName>(reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_dos_file_name")))
               : nullptr;
    std::vector<std::string> folders;
    if (dosName == nullptr)
        return folders;
    const std::string home = Environment(L"HOME");
    for (const std::string& data : {Environment(L"XDG_DATA_HOME"), home.empty() ? home : home + "/.local/share"}) {
        if (data.empty() || data[0] != '/')
            continue;
        if (wchar_t* dos = dosName((data + "/Trash/files").c_str())) {
            folders.push_back(Utf8FromWide(dos));
            ::HeapFree(::GetProcessHeap(), 0, dos);
        }
    }
    return folders;
}

// Where the bin put the file of identity id, of size size: its folder and name.
bool FindInBin(const std::string& originalPath, const FileIdentity& id, std::uint64_t size, TrashedFile& trashed)
{
    std::vector<std::string> folders;
    if (auto folder = WindowsBinFolder(WideFromUtf8(originalPath)))
        folders.push_back(*folder);
    for (std::string& folder : DesktopTrashFolders())
        folders.push_back(std::move(folder));
    for (const std::string& folderPath : folders) {
        const Handle folder(
            winfiles::OpenFolder(folderPath, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES));
        winfiles::Facts folderFacts;
        if (!folder.IsOpen() || !winfiles::FactsOf(folder.Get(), folderFacts))
            continue;
        WIN32_FIND_DATAW found;
        const HANDLE search = ::FindFirstFileExW(WideFromUtf8(Joined(folderPath, "*")).c_str(), FindExInfoBasic, &found,
                                                 FindExSearchNameMatch, nullptr, 0);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        bool matched = false;
        int looked = 0;
        do {
            const std::uint64_t foundSize =
                (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || foundSize != size)
                continue;
            const std::string name = Utf8FromWide(found.cFileName);
            const Handle entry(
                winfiles::OpenInFolder(folder.Get(), name, FILE_READ_ATTRIBUTES, FILE_OPEN_REPARSE_POINT));
            winfiles::Facts facts;
            if (entry.IsOpen() && winfiles::FactsOf(entry.Get(), facts) && facts.identity == id) {
                trashed.strTrashFolder = folderPath;
                trashed.idTrashFolder = folderFacts.identity;
                trashed.strTrashName = name;
                matched = true;
            }
        } while (!matched && ++looked < kBinEntriesLooked && ::FindNextFileW(search, &found));
        ::FindClose(search);
        if (matched)
            return true;
    }
    return false;
}

// Recycles the file at path through the shell, without any question or
// window: 0, else the shell's code.
int Recycle(const std::string& path)
{
    std::wstring from = WideFromUtf8(path);
    for (wchar_t& c : from)
        if (c == L'/')
            c = L'\\';
    // The list of paths ends in an empty one.
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | FOF_NORECURSION;
    // The shell's file operations want a single-threaded apartment; a thread
    // already in another keeps it.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const int code = ::SHFileOperationW(&operation);
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return code == 0 && operation.fAnyOperationsAborted ? ERROR_CANCELLED : code;
}

// Only a fixed disk has a Recycle Bin; elsewhere (a stick, a share) the
// shell would delete for good without asking.
bool HasRecycleBin(const std::string& folder)
{
    wchar_t root[MAX_PATH + 1];
    return ::GetVolumePathNameW(WideFromUtf8(folder).c_str(), root, MAX_PATH + 1) &&
           ::GetDriveTypeW(root) == DRIVE_FIXED;
}

// A name in the file's folder that nobody else knows: "Sr0001.asf" becomes
// ".clipscout-<16 hex digits>.asf", so that the bin still tells its type.
std::string PrivateName(const std::string& name)
{
    std::random_device random;
    char stem[32];
    std::snprintf(stem, sizeof stem, ".clipscout-%08x%08x", random(), random());
    const std::size_t dot = name.find_last_of('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (const char c : extension)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.')
            extension.clear();
    return stem + extension.substr(0, 16);
}

std::string Utf16Bytes(const std::string& text)
{
    const std::wstring wide = WideFromUtf8(text);
    return {reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)};
}

std::optional<std::string> ReadRecord(const std::string& path)
{
    constexpr DWORD kLargest = 1u << 16;
    const Handle file(::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file.IsOpen() || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLargest)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
        return std::nullopt;
    return bytes;
}

// Written beside it and then put in its place, so that the record is never
// found half written.
bool ReplaceRecord(const std::string& path, const std::string& bytes)
{
    const std::wstring target = WideFromUtf8(path);
    const std::wstring written = target + L".clipscout";
    {
        const Handle file(
            ::CreateFileW(written.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
        DWORD done = 0;
        if (!file.IsOpen() ||
            !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
            done != bytes.size() || !::FlushFileBuffers(file.Get())) {
            ::DeleteFileW(written.c_str());
            return false;
        }
    }
    if (::MoveFileExW(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    ::DeleteFileW(written.c_str());
    return false;
}

// Makes the bin's record of the file recycled under privateName name the
// file's own path: Windows keeps it beside the file ("$I..." for "$R..."),
// the desktop's trash in "info". Should that fail, Undo still puts the file
// back by its name; only the bin shows it under the private one.
bool NameOwnPathInRecord(const TrashedFile& trashed, const std::string& privateName, const std::string& ownPath)
{
    std::string record;
    std::optional<std::string> renamed;
    if (trashed.strTrashName.rfind("$R", 0) == 0) {
        record = Joined(trashed.strTrashFolder, "$I" + trashed.strTrashName.substr(2));
        if (const auto bytes = ReadRecord(record))
            renamed = RecycleRecord::WithWindowsPath(*bytes, Utf16Bytes("\\" + privateName), Utf16Bytes(ownPath));
    } else {
        const std::size_t slash = trashed.strTrashFolder.find_last_of("/\\");
        if (slash == std::string::npos)
            return false;
        record = trashed.strTrashFolder.substr(0, slash) + "\\info\\" + trashed.strTrashName + ".trashinfo";
        const std::size_t name = ownPath.find_last_of("/\\");
        if (const auto bytes = ReadRecord(record))
            renamed = RecycleRecord::WithDesktopName(*bytes, privateName, ownPath.substr(name + 1));
    }
    return renamed && ReplaceRecord(record, *renamed);
}

Result TrashListed(const ListedFile& file, TrashedFile& trashed, std::string& strReason, DeleteStepHook* steps)
{
    Handle folder;
    Handle entry;
    if (const Result checked = OpenListed(file, DELETE, folder, entry, strReason, steps); checked != Result::Done)
        return checked;
    if (!HasRecycleBin(file.strFolder))
        return Result::NoTrash;
    winfiles::Facts facts;
    if (!winfiles::FactsOf(entry.Get(), facts))
        return FromErrno(errno, strReason);
    std::string privateName;
    for (int attempt = 0; privateName.empty() && attempt < 8; ++attempt) {
        privateName = PrivateName(file.strName);
        if (const int error = winfiles::RenameNoReplace(entry.Get(), folder.Get(), privateName)) {
            privateName.clear();
            if (error != EEXIST) {
                strReason = SystemErrorText(error);
                return Result::Failed;
            }
        }
    }
    if (privateName.empty()) {
        strReason = "no private name was free";
        return Result::Failed;
    }
    DeleteStepHook::Reach(steps, DeleteStep::MovedAside);
    // The folder stays open, and so in place, while the shell moves the file.
    entry.Close();
    const std::string path = Joined(file.strFolder, file.strName);
    const std::string privatePath = Joined(file.strFolder, privateName);
    const int code = Recycle(privatePath);
    if (code == 0 && FindInBin(privatePath, file.idFile, facts.status.m_size, trashed)) {
        if (!NameOwnPathInRecord(trashed, privateName, path) && DiagnosticLog::IsOn(DiagnosticLog::Topic::Delete))
            DiagnosticLog::Write(DiagnosticLog::Topic::Delete,
                                 "the Recycle Bin shows " + path + " as " + privateName + ": its record was kept");
        trashed.strOriginalPath = path;
        trashed.strOriginalName = file.strName;
        trashed.idFolder = file.idFolder;
        trashed.idFile = file.idFile;
        return Result::Done;
    }
    // Where the shell left the file, it goes back to its name, never over a
    // file that took that name meanwhile.
    const Handle left(winfiles::OpenInFolder(folder.Get(), privateName, DELETE | FILE_READ_ATTRIBUTES,
                                             FILE_OPEN_REPARSE_POINT, kKeepInPlace));
    if (!left.IsOpen() || !winfiles::FactsOf(left.Get(), facts) || facts.identity != file.idFile) {
        strReason = "the Recycle Bin does not show where it went";
        return Result::Failed;
    }
    strReason = code != 0 ? "the shell's code " + std::to_string(code) : "the shell left it in place";
    if (winfiles::RenameNoReplace(left.Get(), folder.Get(), file.strName) != 0)
        strReason += "; it is kept as " + privatePath + ", as another file has its name now";
    return Result::Failed;
}

Result DeleteListed(const ListedFile& file, std::string& strReason, DeleteStepHook* steps)
{
    Handle folder;
    Handle entry;
    if (const Result checked = OpenListed(file, DELETE, folder, entry, strReason, steps); checked != Result::Done)
        return checked;
    // Through the checked handle: exactly the listed file goes, whatever
    // its name.
    if (const int error = winfiles::DeleteOpen(entry.Get())) {
        strReason = SystemErrorText(error);
        return Result::Failed;
    }
    return Result::Done;
}

// Drops the bin's record of a file taken back out of it: Windows keeps it
// beside the file ("$I..." for "$R..."), the desktop's trash in "info".
void DropRecord(const TrashedFile& trashed)
{
    std::string record;
    if (trashed.strTrashName.rfind("$R", 0) == 0) {
        record = Joined(trashed.strTrashFolder, "$I" + trashed.strTrashName.substr(2));
    } else {
        const std::size_t slash = trashed.strTrashFolder.find_last_of("/\\");
        if (slash == std::string::npos)
            return;
        record = trashed.strTrashFolder.substr(0, slash) + "\\info\\" + trashed.strTrashName + ".trashinfo";
    }
    ::DeleteFileW(WideFromUtf8(record).c_str());
}

RestoreResult RestoreTrashed(const TrashedFile& trashed, std::string& strReason, DeleteStepHook* steps)
{
    const std::size_t slash = trashed.strOriginalPath.find_last_of("/\\");
    if (slash == std::string::npos)
        return RestoreResult::FolderChanged;
    const std::string name = trashed.strOriginalPath.substr(slash + 1);
    const std::string folderPath = trashed.strOriginalPath.substr(0, slash + 1);

    winfiles::Facts facts;
    const Handle trash(winfiles::OpenFolder(trashed.strTrashFolder,
                                            FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES, kKeepInPlace));
    if (!trash.IsOpen() || !winfiles::FactsOf(trash.Get(), facts) || facts.identity != trashed.idTrashFolder)
        return RestoreResult::Gone;
    // Kept in place from here on: what goes back is the trashed file.
    const Handle entry(winfiles::OpenInFolder(trash.Get(), trashed.strTrashName,
                                              DELETE | FILE_READ_DATA | FILE_READ_ATTRIBUTES, FILE_OPEN_REPARSE_POINT,
                                              kKeepInPlace));
    if (!entry.IsOpen() || !winfiles::FactsOf(entry.Get(), facts) || facts.identity != trashed.idFile)
        return RestoreResult::Gone;
    const Handle folder(
        winfiles::OpenFolder(folderPath, FILE_ADD_FILE | FILE_TRAVERSE | FILE_READ_ATTRIBUTES, kKeepInPlace));
    if (!folder.IsOpen() || !IsPlainName(name) || !winfiles::FactsOf(folder.Get(), facts) ||
        facts.identity != trashed.idFolder)
        return RestoreResult::FolderChanged;
    DeleteStepHook::Reach(steps, DeleteStep::RestoreFolderOpened);

    if (const int error = winfiles::RenameNoReplace(entry.Get(), folder.Get(), name)) {
        if (error == EEXIST)
            return RestoreResult::Occupied;
        strReason = SystemErrorText(error);
        return RestoreResult::Failed;
    }
    DropRecord(trashed);
    return RestoreResult::Restored;
}

} // namespace

FileDeleter::Result FileDeleter::MoveToTrash(const ListedFile& file, TrashedFile& trashed, std::string& strReason,
                                             const Seams& seams)
{
    WindowThreadCheck::OffTheWindowThread("FileDeleter::MoveToTrash");
    return Logged(TrashListed(file, trashed, strReason, seams.pSteps), Result::Done, "moving to the Recycle Bin",
                  Joined(file.strFolder, file.strName), strReason);
}

FileDeleter::Result FileDeleter::DeletePermanently(const ListedFile& file, std::string& strReason, const Seams& seams)
{
    WindowThreadCheck::OffTheWindowThread("FileDeleter::DeletePermanently");
    return Logged(DeleteListed(file, strReason, seams.pSteps), Result::Done, "deleting",
                  Joined(file.strFolder, file.strName), strReason);
}

FileDeleter::RestoreResult FileDeleter::Restore(const TrashedFile& trashed, std::string& strReason, const Seams& seams)
{
    WindowThreadCheck::OffTheWindowThread("FileDeleter::Restore");
    return Logged(RestoreTrashed(trashed, strReason, seams.pSteps), RestoreResult::Restored, "restoring",
                  trashed.strOriginalPath, strReason);
}
