#pragma once

#include "search_page/CDlg.h"

#include <QString>

#include <functional>
#include <string>

class QLabel;
class QPushButton;

// The one page of a window that found no device folder. Over its empty list
// it says why (the note), shows what a Viewdeck.ini holds and offers
// "Choose Viewdeck.ini..."; otherwise it is a search page like any other.
class CPlaceholderPage : public CDlg {
    Q_OBJECT

public:
    CPlaceholderPage(std::string caption, std::string note, const CLoadUISetting& uiSetting);

    void SetNote(std::string note);

    // No device folder was found: there is nothing to search.
    void OnSearch() override { }

    // Asks for a file; empty when the user cancels. A file dialog unless
    // another is handed in: tests, which must not block on one, hand in theirs.
    using FileChooser = std::function<std::string(QWidget* parent)>;
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

signals:
    void ViewerIniChosen(const QString& path);

protected:
    bool OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnChoose();

    std::string m_strNote;
    FileChooser m_chooseFile;
    QWidget* m_pPanel = nullptr;
    QLabel* m_pNote = nullptr;
};
