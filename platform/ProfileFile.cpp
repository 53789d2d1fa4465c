#include "platform/ProfileReader.h"

#include "platform/FileHandle.h"

namespace {

// Settings files are a few KB; a larger file is read only this far.
constexpr std::size_t kMaxProfileFile = 16u << 20;

} // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key, const std::string& path)
{
    if (path.empty())
        return {};
    std::string content;
    if (!FileHandle::ReadAll(path, content, kMaxProfileFile))
        return {};
    return ProfileLookup(content, section, key);
}
