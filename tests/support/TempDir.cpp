#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace {

// Paths are UTF-8 in the program on every system; std::filesystem takes them
// so on Windows only when told.
std::filesystem::path PathOf(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

TempDir::TempDir()
{
#ifdef _WIN32
    // A fresh name below the system's temporary folder; taken names are passed over.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("clipscout-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(path, error))
            m_path = Utf8Of(path);
    }
    if (m_path.empty())
        throw std::runtime_error("cannot create a temporary folder");
#else
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/clipscout-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
#endif
}

TempDir::~TempDir()
{
    std::error_code ignored;
    // Make read-only folders that a test left behind removable again.
    for (auto it = std::filesystem::recursive_directory_iterator(
             PathOf(m_path), std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(PathOf(m_path), ignored);
}

std::string TempDir::MakeDir(std::string_view relative) const
{
    const std::filesystem::path path = PathOf(m_path) / PathOf(relative);
    std::filesystem::create_directories(path);
    return Utf8Of(path);
}

std::string TempDir::WriteFile(std::string_view relative, std::string_view content) const
{
    const std::filesystem::path path = PathOf(m_path) / PathOf(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + Utf8Of(path));
    return Utf8Of(path);
}
