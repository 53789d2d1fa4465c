#pragma once

#include "app/CLoadUISetting.h"
#include "platform/ui/CWinApp.h"

#include <string>

class CPropertyPage;

inline constexpr unsigned ID_HELP = 57670;

// The application object: InitInstance does the program's whole work and
// returns false, so no message loop of its own ever runs.
class CClipscoutApp : public CWinApp {
public:
    CClipscoutApp();
    ~CClipscoutApp() override;

    bool InitInstance() override;
    const CLoadUISetting* GetSettingsReader() const override { return &m_pApp->m_uiSetting; }

    CLoadUISetting m_uiSetting;
    CClipscoutApp* m_pApp = nullptr;
    int m_nDeviceCount = 0;

protected:
    // The running executable's full path; tests put the program elsewhere.
    virtual std::string GetModulePath() const;
    // A search page for a device folder (or the placeholder title).
    virtual CPropertyPage* NewSearchPage(const std::string& title);
};
