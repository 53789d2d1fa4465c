#include "platform/ProfileReader.h"

#include "platform/FileHandle.h"

namespace {

// Settings files are a few KB; a larger file is read only this far.
constexpr std::size_t kMaxProfileFile = 16u << 20;

} // namespace

std::string ReadProfileFile(const std::string& path)
{
    std::string content;
    if (path.empty() || !FileHandle::ReadAll(path, content, kMaxProfileFile))
        return {};
    return content;
}

std::string ProfileValue(std::string_view content, std::string_view section, std::string_view key)
{
    return ProfileLookup(content, section, key);
}
