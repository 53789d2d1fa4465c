#pragma once

#include "app/CLoadUISetting.h"
#include "app/ProgramCommandLine.h"
#include "platform/ui/CWinApp.h"

#include <memory>
#include <string>
#include <vector>

class CDlg;
class CPlaceholderPage;
namespace TreeSheet {
class CTreeSheet;
}

inline constexpr unsigned ID_HELP = 57670;

// The application object: InitInstance does the program's whole work and
// returns false, so no message loop of its own ever runs.
class CClipscoutApp : public CWinApp {
public:
    CClipscoutApp();
    ~CClipscoutApp() override;

    bool ReadCommandLine(const std::vector<std::string>& arguments) override;
    bool InitInstance() override;

    // The settings reader of the application object that app points to. A
    // page or sheet that a test builds has none; it gets a reader of the same
    // files, which is all the same since the reader keeps no state.
    static const CLoadUISetting& UiSettingOf(const CWinApp* app)
    {
        if (app != nullptr && app == s_pInstance)
            return *s_pUiSetting;
        static const CLoadUISetting standalone;
        return standalone;
    }
    // The exit status: 0, or that of a bad command line.
    int ExitInstance() override { return m_nExitCode; }

    CLoadUISetting m_uiSetting;
    CClipscoutApp* m_pApp = nullptr;
    int m_nDeviceCount = 0;

protected:
    // The running executable's full path; tests put the program elsewhere.
    virtual std::string GetModulePath() const;
    // A search page for a device folder (or the placeholder title).
    virtual CDlg* NewSearchPage(const std::string& title);

private:
    // Builds the pages from the Viewdeck.ini chosen on the placeholder page,
    // which goes when a device folder is found; otherwise it tells what is
    // missing now.
    void AdoptViewerIni(TreeSheet::CTreeSheet& sheet, std::vector<std::unique_ptr<CDlg>>& pages,
                        CPlaceholderPage& placeholder, const std::string& path);

    // Kept here rather than found by a cast or through a pointer to this
    // class, so windows that only read settings do not pull in the start-up
    // code (and its guard) with them, even in a build that checks types.
    inline static const CWinApp* s_pInstance = nullptr;
    inline static const CLoadUISetting* s_pUiSetting = nullptr;
    int m_nExitCode = 0;
    // The settings files the command line names; none by default.
    ProgramCommandLine m_commandLine;
};
