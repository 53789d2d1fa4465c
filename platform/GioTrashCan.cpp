#include "platform/GioTrashCan.h"

#include <gio/gio.h>

TrashCan::Result GioTrashCan::MoveToTrash(const std::string& path)
{
    GFile* file = g_file_new_for_path(path.c_str());
    GError* error = nullptr;
    const gboolean trashed = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (trashed)
        return Result::Trashed;
    const bool unsupported = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED);
    g_error_free(error);
    return unsupported ? Result::NotSupported : Result::Failed;
}
