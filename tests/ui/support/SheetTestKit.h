#pragma once

// The program and its sheet for widget tests: the application object with its
// executable placed in a test folder, and two search pages in a sheet whose
// page tree is clicked as a user would.

#include "PageTestKit.h"
#include "app/CClipscoutApp.h"
#include "tree_sheet/CTreeSheet.h"

#include <QApplication>
#include <QTest>
#include <QTreeWidgetItem>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

class TestApp : public CClipscoutApp {
public:
    // The program declares its window's thread once it has read its settings;
    // from then on any file-system call there ends the test.
    explicit TestApp(std::string modulePath) : m_strModulePath(std::move(modulePath)) { WindowThreadCheck::TurnOn(); }

protected:
    std::string GetModulePath() const override { return m_strModulePath; }

private:
    std::string m_strModulePath;
};

// The program's window while InitInstance runs it: a sheet shown on its own.
inline TreeSheet::CTreeSheet* RunningSheet()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* sheet = qobject_cast<TreeSheet::CTreeSheet*>(window); sheet != nullptr && sheet->isVisible())
            return sheet;
    return nullptr;
}

// The device's page first and a page of a device without recordings second,
// shown; each has been visited and done its first search, and the first is
// active again.
struct TwoPageSheet {
    std::unique_ptr<CDlg> first;
    std::unique_ptr<CDlg> second;
    std::unique_ptr<TreeSheet::CTreeSheet> sheet;

    explicit TwoPageSheet(const std::string& device)
        : first(NewPage(device)),
          second(NewPage("Cam2")),
          sheet(std::make_unique<TreeSheet::CTreeSheet>(std::string("File Manager"), nullptr, 0))
    {
        sheet->AddPage(first.get());
        sheet->AddPage(second.get());
        sheet->Create();
        sheet->show();
        if (!QTest::qWaitForWindowExposed(sheet.get()))
            throw std::runtime_error("the sheet was never shown");
        WaitForSearch(*first);
        ShowPage("Cam2", 1);
        WaitForSearch(*second);
        ShowPage(device, 0);
    }

    // Clicks the page's title and waits until it is the active page.
    void ShowPage(const std::string& title, int index) const
    {
        ClickPage(title);
        if (!QTest::qWaitFor([this, index] { return sheet->GetActiveIndex() == index; }))
            throw std::runtime_error("the page " + title + " never became active");
    }

    void ClickPage(const std::string& title) const
    {
        CTreeCtrl* tree = sheet->GetPageTree();
        QTreeWidgetItem* item = tree->findItems(title.c_str(), Qt::MatchExactly | Qt::MatchRecursive).value(0);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }
};
