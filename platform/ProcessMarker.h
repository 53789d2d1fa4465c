#pragma once

#include <string>

// A named marker that exists while a process of this user holds it and that
// goes with the process however it ends: an exclusive, non-blocking lock on a
// file in a folder private to the user, so a marker of another user can
// neither be seen nor taken.
class ProcessMarker {
public:
    enum class Result {
        Created,         // this process holds the marker
        HeldByAnother,   // another process of the user holds it
        NoPrivateFolder, // no folder of the user's own to put it in
        Failed,          // the lock file could not be opened or locked
    };

    explicit ProcessMarker(const std::string& name);
    ~ProcessMarker();
    ProcessMarker(const ProcessMarker&) = delete;
    ProcessMarker& operator=(const ProcessMarker&) = delete;

    Result GetResult() const { return m_eResult; }
    // This process took the marker; only such a process may answer for the user.
    bool IsHeld() const { return m_nFd >= 0 && m_eResult == Result::Created; }
    // The folder the marker was looked for in; empty without one.
    const std::string& GetFolder() const { return m_strFolder; }
    // Gives the marker up at once, as the end of the process would.
    void Release();

    // The same folder for every process of the user: $XDG_RUNTIME_DIR when it
    // is a folder of this user that nobody else may enter and this user may
    // write, else the session's runtime folder of this user when it is such a
    // folder, else "clipscout" in the user's cache folder ($XDG_CACHE_HOME, or
    // .cache in the home folder), created with mode 0700 and refused when it
    // is not exactly that. Empty when neither will do.
    static std::string RuntimeFolder();
    // Where the login session keeps this user's runtime folder.
    static std::string SessionRuntimeFolder();
    // File name derived from a marker name: characters other than letters,
    // digits, '-', '_', '.', '{' and '}' become '_', so no name can leave the folder.
    static std::string FileNameFor(const std::string& name);

private:
    int m_nFd = -1;
    Result m_eResult = Result::Failed;
    std::string m_strFolder;
};
