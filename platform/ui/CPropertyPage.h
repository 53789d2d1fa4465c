#pragma once

#include <QIcon>
#include <QWidget>

#include <string>

inline constexpr unsigned PSP_HASHELP = 0x20;
inline constexpr unsigned PSP_USEHICON = 0x2;

// A page of a property sheet. Its controls are created the first time it is
// shown (by a sheet, or on its own), and OnInitDialog then runs once.
class CPropertyPage : public QWidget {
    Q_OBJECT

public:
    explicit CPropertyPage(std::string caption = {}, QWidget* parent = nullptr);
    ~CPropertyPage() override;

    struct PropSheetPage {
        unsigned dwFlags = PSP_HASHELP;
        // Shown on the page's tab (and picked up by a tree of pages) when
        // PSP_USEHICON is set.
        QIcon hIcon;
    } m_psp;

    // The title the sheet shows for this page.
    const std::string& GetPageCaption() const { return m_strPageCaption; }

    bool IsCreated() const { return m_bCreated; }
    // Creates the controls and runs OnInitDialog, the first time only.
    void EnsureCreated();

    // The child control whose object name is the decimal identifier.
    QWidget* GetDlgItem(int id) const;

    // Answer to PSN_KILLACTIVE: false refuses to let the page be left.
    virtual bool OnKillActive() { return true; }
    // Called each time the page becomes the sheet's current page.
    virtual bool OnSetActive() { return true; }

protected:
    // Builds the page's controls; runs before OnInitDialog.
    virtual void CreateControls() {}
    virtual bool OnInitDialog() { return true; }

    void showEvent(QShowEvent* event) override;

private:
    std::string m_strPageCaption;
    bool m_bCreated = false;
};
