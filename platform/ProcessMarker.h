#pragma once

#include <cstdint>
#include <string>

// A named marker that exists while a process of this user holds it and that
// goes with the process however it ends: an exclusive, non-blocking lock on a
// file in the user's runtime folder. The folder is private to the user, so a
// marker of another user can neither be seen nor taken.
class ProcessMarker {
public:
    static constexpr std::uint32_t kAlreadyExists = 183; // another process holds it
    static constexpr std::uint32_t kAccessDenied = 5;    // the file may not be opened
    static constexpr std::uint32_t kNoRuntimeFolder = 3; // no private folder to put it in

    explicit ProcessMarker(const std::string& name);
    ~ProcessMarker();
    ProcessMarker(const ProcessMarker&) = delete;
    ProcessMarker& operator=(const ProcessMarker&) = delete;

    // 0 when this process took the marker, else one of the codes above or the
    // system's error number.
    std::uint32_t GetCreateError() const { return m_dwCreateError; }
    // This process took the marker; only such a process may answer for the user.
    bool IsHeld() const { return m_nFd >= 0 && m_dwCreateError == 0; }
    // Gives the marker up at once, as the end of the process would.
    void Release();

    // $XDG_RUNTIME_DIR when it is a folder of this user that nobody else may
    // enter, else "clipscout-<uid>" in the temporary folder, created with mode
    // 0700 and refused when it is not exactly that. Empty when neither is safe.
    static std::string RuntimeFolder();
    // File name derived from a marker name: characters other than letters,
    // digits, '-', '_', '.', '{' and '}' become '_', so no name can leave the folder.
    static std::string FileNameFor(const std::string& name);

private:
    int m_nFd = -1;
    std::uint32_t m_dwCreateError = 0;
};
