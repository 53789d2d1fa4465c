#pragma once

#include <string>
#include <string_view>

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Creates the folder (and its parents) below the temporary folder; returns its path.
    std::string MakeDir(std::string_view relative) const;
    // Writes a file below the temporary folder, creating parents; returns its path.
    std::string WriteFile(std::string_view relative, std::string_view content) const;

private:
    std::string m_path;
};
