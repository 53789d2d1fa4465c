#include "platform/ui/win/WinShellLauncher.h"

#include "platform/WindowThreadCheck.h"
#include "platform/ui/AsyncTask.h"
#include "platform/win/WideText.h"

#include <QCoreApplication>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// The shell's calls want COM on the calling thread, which is a worker here.
class ComOnThisThread {
public:
    ComOnThisThread() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) { }
    ~ComOnThisThread()
    {
        if (SUCCEEDED(m_hr))
            ::CoUninitialize();
    }
    ComOnThisThread(const ComOnThisThread&) = delete;
    ComOnThisThread& operator=(const ComOnThisThread&) = delete;

private:
    HRESULT m_hr;
};

struct PidlFree {
    void operator()(ITEMIDLIST* pidl) const { ::ILFree(pidl); }
};
using Pidl = std::unique_ptr<ITEMIDLIST, PidlFree>;

// The shell parses the paths it is given, and only backslashes separate
// folders for it.
std::wstring NativePath(const std::string& path)
{
    std::wstring wide = WideFromUtf8(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}

ShellLauncher::Result Execute(const wchar_t* verb, const std::string& path)
{
    const ComOnThisThread com;
    const std::wstring wide = NativePath(path);
    // The path is the file to act on, never a command line: no parameters.
    const auto code =
        reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, verb, wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (code > 32)
        return ShellLauncher::Result::Launched;
    if (code == SE_ERR_NOASSOC || code == SE_ERR_ASSOCINCOMPLETE)
        return ShellLauncher::Result::NoAssociation;
    return ShellLauncher::Result::Failed;
}

bool ShowSelected(const std::vector<std::string>& paths)
{
    const ComOnThisThread com;
    const std::string& first = paths.front();
    const std::size_t slash = first.find_last_of("\\/");
    if (slash == std::string::npos)
        return false;
    const Pidl folder(::ILCreateFromPathW(NativePath(first.substr(0, slash)).c_str()));
    if (!folder)
        return false;
    std::vector<Pidl> items;
    std::vector<LPCITEMIDLIST> children;
    for (const std::string& path : paths) {
        Pidl item(::ILCreateFromPathW(NativePath(path).c_str()));
        if (!item)
            continue;
        children.push_back(::ILFindLastID(item.get()));
        items.push_back(std::move(item));
    }
    if (children.empty())
        return false;
    return SUCCEEDED(
        ::SHOpenFolderAndSelectItems(folder.get(), static_cast<UINT>(children.size()), children.data(), 0));
}

} // namespace

ShellLauncher::Result WinShellLauncher::Open(const std::string& path)
{
    WindowThreadCheck::OffTheWindowThread("WinShellLauncher::Open");
    const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Result::Failed;
    return Execute(L"open", path);
}

ShellLauncher::Result WinShellLauncher::Explore(const std::string& folder)
{
    WindowThreadCheck::OffTheWindowThread("WinShellLauncher::Explore");
    const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return Result::Failed;
    return Execute(L"explore", folder);
}

void WinShellLauncher::ShowItems(const std::vector<std::string>& paths, std::function<void(bool shown)> done)
{
    if (paths.empty())
        return;
    // The shell looks the paths up, which a silent share can hold: off the
    // window's thread, the answer back on it.
    auto* task = new AsyncTask(QCoreApplication::instance());
    task->Run([paths](const std::stop_token&) { return ShowSelected(paths); },
              [task, done = std::move(done)](bool shown) {
                  task->deleteLater();
                  done(shown);
              });
}
