#pragma once

#include <QIcon>
#include <QWidget>

#include <string>

struct DialogControlTemplate;
struct DialogTemplate;

inline constexpr unsigned PSP_HASHELP = 0x20;
inline constexpr unsigned PSP_USEHICON = 0x2;

// A page of a property sheet. Its controls are created the first time it is
// shown (by a sheet, or on its own), and OnInitDialog then runs once. A page
// made from a dialog template takes its size and controls from it; each
// control's object name is its identifier, and the template order is the tab
// order.
class CPropertyPage : public QWidget {
    Q_OBJECT

public:
    explicit CPropertyPage(std::string caption = {}, QWidget* parent = nullptr);
    explicit CPropertyPage(const DialogTemplate& dialogTemplate, std::string caption = {}, QWidget* parent = nullptr);

    // The template's size for a page made from one.
    QSize sizeHint() const override;
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
    // Builds the page's controls; runs before OnInitDialog. By default the
    // controls of the page's template.
    virtual void CreateControls();
    // The widget for one template control; a page returns its own class for a
    // control it subclasses, or nullptr for the standard one.
    virtual QWidget* CreateTemplateControl(const DialogControlTemplate& control);
    virtual bool OnInitDialog() { return true; }

    void showEvent(QShowEvent* event) override;

private:
    const DialogTemplate* m_pTemplate = nullptr;
    std::string m_strPageCaption;
    bool m_bCreated = false;
};
