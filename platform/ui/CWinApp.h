#pragma once

#include <string>
#include <vector>

// The application object. Exactly one is constructed during static
// initialisation and registers itself there; AfxWinMain reads the command
// line, then makes the Qt application and runs it: InitInstance, the message
// loop only when InitInstance returns true, then ExitInstance.
class CWinApp {
public:
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Reads the command line, the program's name first, before the window
    // system is reached. False when the program is to end at once, with
    // ExitInstance's status.
    virtual bool ReadCommandLine(const std::vector<std::string>& arguments);
    virtual bool InitInstance();
    // Runs the message loop; returns ExitInstance's result.
    virtual int Run();
    virtual int ExitInstance();

    const std::string& GetAppName() const { return m_strAppName; }

private:
    std::string m_strAppName;
};

// The application object constructed last, or null when there is none.
CWinApp* AfxGetApp();

// The program's main: creates the Qt application and drives the application object.
int AfxWinMain(int argc, char** argv);
