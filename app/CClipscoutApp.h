#pragma once

#include "app/ProgramCommandLine.h"
#include "platform/DetachedTask.h"
#include "platform/ui/CWinApp.h"
#include "settings/CLoadUISetting.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class AsyncTask;
class CDlg;
class CPlaceholderPage;
class QWidget;
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

    // The exit status: 0, or that of a bad command line.
    int ExitInstance() override { return m_nExitCode; }

    // How the placeholder page asks for a Viewdeck.ini; empty when the user
    // cancels. A file dialog unless another is handed in before InitInstance.
    using FileChooser = std::function<std::string(QWidget* parent)>;
    void SetViewerIniChooser(FileChooser chooser) { m_chooseViewerIni = std::move(chooser); }

    CLoadUISetting m_uiSetting;
    CClipscoutApp* m_pApp = nullptr;
    int m_nDeviceCount = 0;

protected:
    // The running executable's full path; tests put the program elsewhere.
    virtual std::string GetModulePath() const;
    // A search page for a device folder (or the placeholder title).
    virtual CDlg* NewSearchPage(const std::string& title);

private:
    // Builds the pages from the Viewdeck.ini chosen on the placeholder page
    // and remembers the choice.
    void AdoptViewerIni(TreeSheet::CTreeSheet& sheet, std::vector<std::unique_ptr<CDlg>>& pages,
                        CPlaceholderPage& placeholder, AsyncTask& task, const std::string& path);
    // Looks for Viewdeck.ini and reads both settings files off the window's
    // thread (Viewdeck.ini may lie on a share), then finds the device folders.
    void DiscoverDevices(TreeSheet::CTreeSheet& sheet, std::vector<std::unique_ptr<CDlg>>& pages,
                         CPlaceholderPage& placeholder, AsyncTask& task, const std::string& namedViewerIni,
                         const std::string& rememberedViewerIni);
    // Finds the device folders settings name off the window's thread; then
    // their pages replace the placeholder, or it tells what is missing.
    void FindDevices(TreeSheet::CTreeSheet& sheet, std::vector<std::unique_ptr<CDlg>>& pages,
                     CPlaceholderPage& placeholder, AsyncTask& task, const CLoadUISetting& settings,
                     const std::string& namedViewerIni);

    int m_nExitCode = 0;
    // The settings files the command line names; none by default.
    ProgramCommandLine m_commandLine;
    FileChooser m_chooseViewerIni;
    // Keeps the window's size once it has closed.
    DetachedTask m_placementSave;
};
