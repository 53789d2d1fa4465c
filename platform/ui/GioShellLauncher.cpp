#include "platform/ui/GioShellLauncher.h"

#include "platform/WindowThreadCheck.h"
#include "platform/ui/FileManagerCall.h"

#include <gio/gio.h>

#include <memory>
#include <utility>

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};

using Result = ShellLauncher::Result;

// The application goes by its desktop entry: GIO expands the entry's Exec
// line into an argument vector with the file as one argument, so nothing in
// the file's name is ever read by a shell.
Result LaunchWith(GAppInfo* application, GFile* file)
{
    GList files = {file, nullptr, nullptr};
    GObjectPtr<GAppLaunchContext> context(g_app_launch_context_new());
    GError* error = nullptr;
    const gboolean launched = g_app_info_launch(application, &files, context.get(), &error);
    if (error != nullptr)
        g_error_free(error);
    return launched ? Result::Launched : Result::Failed;
}

Result LaunchDefaultFor(const char* contentType, GFile* file)
{
    GObjectPtr<GAppInfo> application(g_app_info_get_default_for_type(contentType, FALSE));
    if (!application)
        return Result::NoAssociation;
    return LaunchWith(application.get(), file);
}

} // namespace

ShellLauncher::Result GioShellLauncher::Open(const std::string& path)
{
    WindowThreadCheck::OffTheWindowThread("GioShellLauncher::Open");
    GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
    // A path that does not exist is a failure of its own, not a missing
    // association.
    GObjectPtr<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                 G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    if (!info)
        return Result::Failed;
    if (const char* contentType = g_file_info_get_content_type(info.get()))
        return LaunchDefaultFor(contentType, file.get());
    std::unique_ptr<gchar, GFreeDeleter> guessed(g_content_type_guess(path.c_str(), nullptr, 0, nullptr));
    return LaunchDefaultFor(guessed.get(), file.get());
}

ShellLauncher::Result GioShellLauncher::Explore(const std::string& folder)
{
    WindowThreadCheck::OffTheWindowThread("GioShellLauncher::Explore");
    GObjectPtr<GFile> file(g_file_new_for_path(folder.c_str()));
    if (g_file_query_file_type(file.get(), G_FILE_QUERY_INFO_NONE, nullptr) != G_FILE_TYPE_DIRECTORY)
        return Result::Failed;
    return LaunchDefaultFor("inode/directory", file.get());
}

void GioShellLauncher::ShowItems(const std::vector<std::string>& paths, std::function<void(bool shown)> done)
{
    if (!paths.empty())
        FileManagerCall::ShowItems(paths, kShowItemsTimeoutMs, std::move(done));
}
