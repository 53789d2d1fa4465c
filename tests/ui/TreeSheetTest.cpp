#include "platform/Utf8Path.h"
#include "platform/ui/CPropertyPage.h"
#include "platform/ui/CTabCtrl.h"
#include "platform/ui/QtStrings.h"
#include "res/Resource.h"
#include "search_page/SearchPageLayout.h"
#include "settings/CLoadUISetting.h"
#include "support/PageTestKit.h"
#include "tree_sheet/CPageFrame.h"
#include "tree_sheet/CTreeSheet.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

using TreeSheet::CTreeSheet;

namespace {

// A page with one edit box; it can refuse to be left and counts being asked.
class TestPage : public CPropertyPage {
public:
    explicit TestPage(std::string caption) : CPropertyPage(std::move(caption)) { setMinimumSize(320, 200); }

    bool OnKillActive() override
    {
        ++m_nKillActive;
        return !m_bRefuseLeave;
    }

    QLineEdit* Edit() const { return findChild<QLineEdit*>(QStringLiteral("100")); }

    bool m_bRefuseLeave = false;
    int m_nKillActive = 0;

protected:
    void CreateControls() override
    {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("100"));
        edit->setGeometry(10, 10, 200, 24);
    }
};

struct Options {
    bool treeMode = true;
    bool caption = true;
    bool titles = true;
    bool treeImages = false;
};

// A sheet with one page per title, in the order start-up builds it.
class SheetKit {
public:
    explicit SheetKit(const std::vector<std::string>& titles, Options options = {})
        : sheet(std::make_unique<CTreeSheet>(std::string("File Manager"), nullptr, 0))
    {
        if (options.titles)
            sheet->UsePageTitles(static_cast<int>(titles.size()));
        sheet->m_psh.dwFlags &= ~PSH_HASHELP;
        sheet->SetTreeOptions(options.treeMode, options.caption, options.treeImages);
        sheet->UseSettingsFile(TestUiSetting().AppIniPath(), [](const std::string& section, const std::string& key) {
            return TestUiSetting().GetAppSetting(section, key);
        });
        for (const std::string& title : titles) {
            pages.push_back(std::make_unique<TestPage>(title));
            if (options.titles)
                sheet->AddPageTitle(title);
            sheet->AddPage(pages.back().get());
        }
    }

    void Show()
    {
        sheet->Create();
        sheet->show();
        if (!QTest::qWaitForWindowExposed(sheet.get()))
            qFatal("sheet not exposed");
    }

    CTreeCtrl* Tree() const { return sheet->GetPageTree(); }
    HTREEITEM Item(const std::string& text) const
    {
        const QList<QTreeWidgetItem*> found =
            Tree()->findItems(QString::fromStdString(text), Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? found.first() : nullptr;
    }
    std::string Selected() const { return Tree()->GetItemText(Tree()->GetSelectedItem()); }
    QPushButton* Button(int id) const { return qobject_cast<QPushButton*>(sheet->GetDlgItem(id)); }
    void Click(HTREEITEM item) const
    {
        Tree()->scrollToItem(item);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, Tree()->visualItemRect(item).center());
    }
    void Key(int key, Qt::KeyboardModifiers modifiers) const
    {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : sheet.get(),
                        static_cast<Qt::Key>(key), modifiers);
    }

    std::vector<std::unique_ptr<TestPage>> pages;
    std::unique_ptr<CTreeSheet> sheet;
};

// Sets and resets the settings files the sheet's texts come from.
class SettingsBeside {
public:
    SettingsBeside()
    {
        TestUiSetting() = OffTheWindowThread([this] { return CLoadUISetting::Locate(Folder() + "clipscout"); });
    }
    ~SettingsBeside() { TestUiSetting() = CLoadUISetting(); }
    void WriteAppIni(const std::string& text) const
    {
        TestStore::Write(TestUiSetting().AppIniPath(), text);
        OffTheWindowThread([] { TestUiSetting().Read(); });
    }
    std::string Folder() const { return m_dir.path().toStdString() + "/"; }

private:
    QTemporaryDir m_dir;
};

// Paths with "/" for each separator: Windows joins a name to its folder with
// a backslash.
std::vector<std::string> WithSlashes(std::vector<std::string> paths)
{
    for (std::string& path : paths) {
        const std::u8string generic = Utf8Path(path).generic_u8string();
        path.assign(generic.begin(), generic.end());
    }
    return paths;
}

} // namespace

class TreeSheetTest : public QObject {
    Q_OBJECT

private slots:
    void buttonsReadExitAndHelpInBothModes();
    void buttonTextsComeFromTheSettingsFile();
    void enterAndEscapeDoNotCloseTheSheetAndCtrlQExits();
    void helpOpensTheHelpFileBesideTheProgram();
    void answersTheInstanceQueryAndComesToFront();
    void pathSegments_data();
    void pathSegments();
    void titlesBuildTheTree();
    void treeImagesUseTheFallbacks();
    void ctrlTabWrapsThroughTheTree();
    void ctrlTabWrapsInTabMode();
    void tabModeAsksBeforeLeavingAPage();
    void captionIconComesFromThePageTab();
    void pageThatRefusesToBeLeftKeepsTheSelection();
    void nodeWithoutPageHidesThePageAndShowsTheMessage();
    void treeFollowsPagesAddedRemovedAndSelected();
    void treeModeWidensAndCaptionOffShortens();
    void optionsApplyOnlyBeforeTheWindowExists();
    void deletedPageLeavesTheSheet();
    void noPageMessageTakesOnlyItsOneArgument();
    void windowGrowsAndShrinksAndTheLeastFitsALaptopAt200Percent();
};

void TreeSheetTest::buttonsReadExitAndHelpInBothModes()
{
    const SettingsBeside settings;
    CPropertySheet plain(std::string("File Manager"));
    TestPage plainPage("Cam1");
    plain.AddPage(&plainPage);
    plain.Create();
    const QRect applyWhere = plain.GetDlgItem(ID_APPLY_NOW)->geometry();

    for (const bool treeMode : {false, true}) {
        SheetKit kit({"Cam1", "Cam2"}, {.treeMode = treeMode});
        kit.Show();
        QCOMPARE(kit.sheet->windowTitle(), QStringLiteral("File Manager"));
        QPushButton* exit = kit.Button(IDOK);
        QPushButton* help = kit.Button(ID_APPLY_NOW);
        QPushButton* cancel = kit.Button(IDCANCEL);
        QCOMPARE(exit->text(), QStringLiteral("Exit"));
        QCOMPARE(help->text(), QStringLiteral("Help"));
        QVERIFY(help->isEnabled());
        QVERIFY(!cancel->isVisible());
        QVERIFY(!cancel->isEnabled());
        QCOMPARE(help->pos(), exit->pos() - QPoint(TreeSheet::SheetButtons::kHelpOffset, 0));
        // The buttons do not overlap, and Exit stays inside the window.
        QVERIFY(help->geometry().right() < exit->geometry().left());
        QVERIFY(kit.sheet->rect().contains(exit->geometry()));
        if (!treeMode) {
            QCOMPARE(exit->pos(), applyWhere.topLeft());
            QCOMPARE(kit.sheet->size(), plain.size());
            QVERIFY(kit.sheet->GetDlgItem(CTreeSheet::PAGE_TREE_ID) == nullptr);
            QVERIFY(kit.sheet->GetDlgItem(CTreeSheet::PAGE_FRAME_ID) == nullptr);
        }
    }
}

void TreeSheetTest::buttonTextsComeFromTheSettingsFile()
{
    const SettingsBeside settings;
    settings.WriteAppIni("[Clipscout]\nB_Exit=Close\nB_Help=\n");
    SheetKit kit({"Cam1"});
    kit.Show();
    QCOMPARE(kit.Button(IDOK)->text(), QStringLiteral("Close"));
    QCOMPARE(kit.Button(ID_APPLY_NOW)->text(), QStringLiteral("Help"));
}

void TreeSheetTest::enterAndEscapeDoNotCloseTheSheetAndCtrlQExits()
{
    const SettingsBeside settings;
    SheetKit kit({"Cam1", "Cam2"});
    int rounds = 0;
    bool stillOpen = false;
    bool quitKeyFailed = false;
    QTimer::singleShot(0, kit.sheet.get(), [&] {
        for (QWidget* target : {static_cast<QWidget*>(kit.pages[0]->Edit()), static_cast<QWidget*>(kit.Tree()),
                                static_cast<QWidget*>(kit.Button(IDOK))}) {
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter);
            QTest::keyClick(target, Qt::Key_Escape);
            ++rounds;
        }
        QTest::keyClick(kit.sheet.get(), Qt::Key_Escape);
        stillOpen = kit.sheet->isVisible();
        // Ctrl+Q does as Exit, from a text field too.
        QVERIFY(QTest::qWaitForWindowActive(kit.sheet.get()));
        kit.pages[0]->Edit()->setFocus();
        QTest::keyClick(kit.pages[0]->Edit(), Qt::Key_Q, Qt::ControlModifier);
        quitKeyFailed = kit.sheet->isVisible();
        if (quitKeyFailed)
            kit.Button(IDOK)->click();
    });
    QCOMPARE(kit.sheet->DoModal(), IDOK);
    QCOMPARE(rounds, 3);
    QVERIFY(stillOpen);
    QVERIFY(!quitKeyFailed);
    // The window went with DoModal, and with it the tree and the frame.
    QVERIFY(!kit.sheet->HasWindow());
    QVERIFY(kit.sheet->GetPageTree() == nullptr);
    QVERIFY(kit.sheet->m_pFrame == nullptr);
}

void TreeSheetTest::helpOpensTheHelpFileBesideTheProgram()
{
    const SettingsBeside settings;
    RecordingLauncher launcher;
    MessageRecorder messages;
    SheetKit kit({"Cam1"});
    const std::string hlp = settings.Folder() + "VIEWDECK.HLP";
    const std::string manual = settings.Folder() + "share/clipscout.html";
    kit.sheet->SetManualFiles({settings.Folder() + "build/clipscout.html", manual});
    kit.sheet->UseLauncher(launcher);
    kit.Show();
    // Help and F1 alike; each waits until the file has been looked for off
    // the window's thread and the answer is back.
    int presses = 0;
    const auto pressHelp = [&] {
        if (++presses % 2 == 0)
            QTest::keyClick(kit.Tree(), Qt::Key_F1);
        else
            kit.Button(ID_APPLY_NOW)->click();
        QVERIFY(kit.sheet->IsOpeningHelp());
        QTRY_VERIFY(!kit.sheet->IsOpeningHelp());
    };

    // Nothing to open: neither the recorder's help nor the manual is there.
    pressHelp();
    QVERIFY(launcher.Opened().empty());
    QCOMPARE(messages.Texts(), std::vector<std::string>{"Unable to open the document"});

    // The manual, found in the second place it is looked for.
    std::filesystem::create_directories(settings.Folder() + "share");
    TestStore::Write(manual, "<html></html>");
    messages.Clear();
    pressHelp();
    QCOMPARE(launcher.Opened(), std::vector<std::string>{manual});
    QVERIFY(messages.Texts().empty());

    // The recorder's help file beside the settings wins where it exists.
    TestStore::Write(hlp, "");
    pressHelp();
    QCOMPARE(WithSlashes(launcher.Opened()), (std::vector<std::string>{manual, hlp}));
    QVERIFY(messages.Texts().empty());
    QVERIFY(kit.sheet->isVisible());

    for (const auto result : {ShellLauncher::Result::NoAssociation, ShellLauncher::Result::Failed}) {
        launcher.SetResult(result);
        messages.Clear();
        pressHelp();
        QCOMPARE(messages.Texts(), std::vector<std::string>{"Unable to open the document"});
    }

    // A sheet that closes while Help looks says nothing afterwards.
    messages.Clear();
    kit.Button(ID_APPLY_NOW)->click();
    kit.sheet->DestroyWindow();
    QTRY_VERIFY(!kit.sheet->IsOpeningHelp());
    QVERIFY(messages.Texts().empty());
}

void TreeSheetTest::answersTheInstanceQueryAndComesToFront()
{
    SheetKit kit({"Cam1"});
    QCOMPARE(kit.sheet->OnInstanceQuery(), 1321L);
    kit.Show();
    kit.sheet->showMinimized();
    QTRY_VERIFY(kit.sheet->isMinimized());
    kit.sheet->ComeToFront();
    QTRY_VERIFY(!kit.sheet->isMinimized());
    QVERIFY(kit.sheet->isVisible());
}

void TreeSheetTest::pathSegments_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("segment");
    QTest::addColumn<QString>("rest");
    QTest::newRow("plain") << "A::B::C"
                           << "A"
                           << "B::C";
    QTest::newRow("single") << "Cam1"
                            << "Cam1"
                            << "";
    QTest::newRow("escaped separator") << R"(A\::B::C)"
                                       << "A::B"
                                       << "C";
    QTest::newRow("escaped in last segment stays") << R"(B\::C)"
                                                   << R"(B\::C)"
                                                   << "";
    QTest::newRow("escaped backslash splits") << R"(A\\::B)"
                                              << R"(A\)"
                                              << "B";
    QTest::newRow("three backslashes") << R"(A\\\::B::C)"
                                       << R"(A\::B)"
                                       << "C";
    QTest::newRow("leading separator") << "::A"
                                       << "::A"
                                       << "";
    QTest::newRow("leading then real") << "::A::B"
                                       << "::A"
                                       << "B";
    QTest::newRow("empty segment") << "A::::B"
                                   << "A"
                                   << "::B";
}

void TreeSheetTest::pathSegments()
{
    QFETCH(QString, path);
    QFETCH(QString, segment);
    QFETCH(QString, rest);
    std::string remaining = path.toStdString();
    QCOMPARE(QString::fromStdString(CTreeSheet::TakeFirstPathSegment(remaining)), segment);
    QCOMPARE(QString::fromStdString(remaining), rest);
}

void TreeSheetTest::titlesBuildTheTree()
{
    SheetKit kit({"A::B", "A::C", R"(X\::Y::Z)", R"(P::Q\::R)", R"(M\\::N)", "::L", "Dup", "Dup"});
    kit.Show();
    CTreeCtrl* tree = kit.Tree();
    QStringList top;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        top << tree->topLevelItem(i)->text(0);
    QCOMPARE(top, (QStringList{"A", "X::Y", "P", R"(M\)", "::L", "Dup"}));

    HTREEITEM a = tree->topLevelItem(0);
    QCOMPARE(tree->GetItemData(a), -1L);
    QCOMPARE(a->childCount(), 2);
    QCOMPARE(a->child(0)->text(0), QStringLiteral("B"));
    QCOMPARE(tree->GetItemData(a->child(0)), 0L);
    QCOMPARE(tree->GetItemData(a->child(1)), 1L);
    QCOMPARE(tree->topLevelItem(1)->child(0)->text(0), QStringLiteral("Z"));
    QCOMPARE(tree->topLevelItem(2)->child(0)->text(0), QStringLiteral(R"(Q\::R)"));
    QCOMPARE(tree->topLevelItem(3)->child(0)->text(0), QStringLiteral("N"));
    // Of two pages with one path the later one is reached through the tree.
    QCOMPARE(tree->GetItemData(kit.Item("Dup")), 7L);
    QCOMPARE(kit.sheet->FindTreeItemForPage(6, TVI_ROOT), nullptr);
    QCOMPARE(kit.sheet->FindTreeItemForPage(4, TVI_ROOT), tree->topLevelItem(3)->child(0));
    QCOMPARE(kit.sheet->FindTreeItemForPage(8, TVI_ROOT), nullptr);
    // The first page is active and its item selected.
    QCOMPARE(kit.sheet->GetActiveIndex(), 0);
    QCOMPARE(kit.Selected(), std::string("B"));

    // Without a title list the tab captions are the paths.
    SheetKit untitled({"One::Two", "Three"}, {.titles = false});
    untitled.Show();
    QCOMPARE(untitled.sheet->GetPageTitle(0), std::string());
    QCOMPARE(untitled.Tree()->topLevelItemCount(), 2);
    QCOMPARE(untitled.Tree()->topLevelItem(0)->child(0)->text(0), QStringLiteral("Two"));

    // A title longer than the platform's buffer is cut, not split in a character.
    // A title in a single-byte code page ("\xB0" is a degree sign in Latin-1)
    // keeps its first bytes instead of being emptied.
    SheetKit longKit({std::string(258, 'y') + "\xC3\xA9" + "z", std::string(300, '\xB0')});
    longKit.Show();
    QCOMPARE(longKit.Tree()->topLevelItem(0)->text(0), QString(258, QLatin1Char('y')));
    QCOMPARE(longKit.Tree()->topLevelItem(1)->text(0), ToQString(std::string(259, '\xB0')));
}

void TreeSheetTest::treeImagesUseTheFallbacks()
{
    CImageList fallback;
    fallback.Create(16, 16);
    QPixmap red(16, 16);
    red.fill(Qt::red);
    QPixmap blue(16, 16);
    blue.fill(Qt::blue);
    fallback.Add(QIcon(red));
    QVERIFY(!CTreeSheet().SetFallbackImages(fallback));
    fallback.Add(QIcon(blue));

    SheetKit kit({"A::B", "C", "D"}, {.treeImages = true});
    QVERIFY(kit.sheet->SetFallbackImages(fallback));
    QPixmap green(16, 16);
    green.fill(Qt::green);
    QVERIFY(CTreeSheet::AttachPageIcon(kit.pages[2].get(), QIcon(green)));
    kit.Show();

    // One page icon, then fallback 0 (nodes), then fallback 1 (pages without an icon).
    QCOMPARE(kit.sheet->m_TreeImages.GetImageCount(), 3);
    CTreeCtrl* tree = kit.Tree();
    QCOMPARE(tree->GetItemImage(kit.Item("A")), 1);
    QCOMPARE(tree->GetItemImage(kit.Item("B")), 2);
    QCOMPARE(tree->GetItemImage(kit.Item("C")), 2);
    QCOMPARE(tree->GetItemImage(kit.Item("D")), 0);

    // The caption shows the selected item's image.
    QVERIFY(tree->SelectItem(kit.Item("D")));
    QIcon captionIcon;
    QCOMPARE(kit.sheet->m_pFrame->GetCaptionText(&captionIcon), std::string("D"));
    QCOMPARE(captionIcon.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::green));

    QVERIFY(CTreeSheet::ReleasePageIcon(kit.pages[2].get()));
    QVERIFY(!CTreeSheet::ReleasePageIcon(kit.pages[2].get()));
    QVERIFY(!(kit.pages[2]->m_psp.dwFlags & PSP_USEHICON));
}

void TreeSheetTest::ctrlTabWrapsThroughTheTree()
{
    SheetKit kit({"A::B", "A::C", "D"});
    kit.Show();
    QCOMPARE(kit.Selected(), std::string("B"));
    const auto next = [&] { kit.Key(Qt::Key_Tab, Qt::ControlModifier); };
    const auto previous = [&] { kit.Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier); };

    next();
    QCOMPARE(kit.Selected(), std::string("C"));
    QCOMPARE(kit.sheet->GetActiveIndex(), 1);
    next();
    QCOMPARE(kit.Selected(), std::string("D"));
    QCOMPARE(kit.sheet->GetActiveIndex(), 2);
    next(); // from the last item of the tree to the first top-level item
    QCOMPARE(kit.Selected(), std::string("A"));
    previous(); // from the first top-level item to the last item of the tree
    QCOMPARE(kit.Selected(), std::string("D"));
    previous();
    QCOMPARE(kit.Selected(), std::string("C"));
    previous();
    QCOMPARE(kit.Selected(), std::string("B"));
    QCOMPARE(kit.sheet->GetActiveIndex(), 0);
    previous(); // to the parent
    QCOMPARE(kit.Selected(), std::string("A"));
    // The same keys with the focus inside a page.
    next();
    kit.pages[0]->Edit()->setFocus();
    QTest::keyClick(kit.pages[0]->Edit(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(kit.Selected(), std::string("A"));

    // Ctrl+Page Down and Up step through the pages; the tree and the caption follow.
    QVERIFY(kit.Tree()->SelectItem(kit.Item("B")));
    kit.Key(Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(kit.sheet->GetActiveIndex(), 1);
    QCOMPARE(kit.Selected(), std::string("C"));
    QCOMPARE(kit.sheet->m_pFrame->GetCaptionText(), std::string("C"));
    kit.Key(Qt::Key_PageUp, Qt::ControlModifier);
    kit.Key(Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(kit.sheet->GetActiveIndex(), 2);
    QCOMPARE(kit.Selected(), std::string("D"));
}

void TreeSheetTest::ctrlTabWrapsInTabMode()
{
    SheetKit kit({"One", "Two", "Three"}, {.treeMode = false});
    kit.Show();
    QCOMPARE(kit.sheet->GetActiveIndex(), 0);
    kit.Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(kit.sheet->GetActiveIndex(), 2);
    QVERIFY(kit.pages[2]->isVisible());
    QVERIFY(!kit.pages[0]->isVisible());
    kit.Key(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(kit.sheet->GetActiveIndex(), 0);
    QCOMPARE(kit.sheet->GetTabControl()->GetCurSel(), 0);
    kit.Key(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(kit.sheet->GetActiveIndex(), 1);
}

void TreeSheetTest::tabModeAsksBeforeLeavingAPage()
{
    SheetKit kit({"One", "Two"}, {.treeMode = false});
    kit.Show();
    auto* strip = kit.sheet->GetTabControl()->findChild<QTabBar*>();
    QVERIFY(strip && strip->isVisible());
    kit.pages[0]->m_bRefuseLeave = true;
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->tabRect(1).center());
    QCOMPARE(kit.sheet->GetActiveIndex(), 0);
    QCOMPARE(strip->currentIndex(), 0);
    QVERIFY(kit.pages[0]->isVisible());

    kit.pages[0]->m_bRefuseLeave = false;
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->tabRect(1).center());
    QCOMPARE(kit.sheet->GetActiveIndex(), 1);
    QVERIFY(kit.pages[1]->isVisible());
    QVERIFY(!kit.pages[0]->isVisible());
}

void TreeSheetTest::captionIconComesFromThePageTab()
{
    SheetKit kit({"Lit", "Plain"});
    QPixmap green(16, 16);
    green.fill(Qt::green);
    QVERIFY(CTreeSheet::AttachPageIcon(kit.pages[0].get(), QIcon(green)));
    QVERIFY(!CTreeSheet::AttachPageIcon(kit.pages[1].get(), QIcon()));
    kit.Show();

    QIcon icon;
    QCOMPARE(kit.sheet->m_pFrame->GetCaptionText(&icon), std::string("Lit"));
    QCOMPARE(icon.pixmap(16, 16).toImage().pixelColor(4, 4), QColor(Qt::green));
    QVERIFY(kit.Tree()->SelectItem(kit.Item("Plain")));
    QCOMPARE(kit.sheet->m_pFrame->GetCaptionText(&icon), std::string("Plain"));
    QVERIFY(icon.isNull());

    QCOMPARE(kit.sheet->SetNoPageMessageFormat(TreeSheet::DT_LEFT | TreeSheet::DT_WORDBREAK), 0x825u);
    QCOMPARE(kit.sheet->m_pFrame->GetMessageFormat(), TreeSheet::DT_LEFT | TreeSheet::DT_WORDBREAK);
}

void TreeSheetTest::pageThatRefusesToBeLeftKeepsTheSelection()
{
    SheetKit kit({"Cam1", "Cam2"});
    kit.Show();
    kit.pages[0]->m_bRefuseLeave = true;

    kit.Click(kit.Item("Cam2"));
    QCOMPARE(kit.pages[0]->m_nKillActive, 1);
    QCOMPARE(kit.Selected(), std::string("Cam1"));
    QCOMPARE(kit.sheet->GetActiveIndex(), 0);
    QVERIFY(kit.pages[0]->isVisible());
    QVERIFY(!kit.pages[1]->isVisible());
    QCOMPARE(kit.Tree()->selectedItems(), QList<QTreeWidgetItem*>{kit.Item("Cam1")});

    kit.Key(Qt::Key_Down, {});
    QCOMPARE(kit.Selected(), std::string("Cam1"));

    kit.pages[0]->m_bRefuseLeave = false;
    kit.Click(kit.Item("Cam2"));
    QCOMPARE(kit.Selected(), std::string("Cam2"));
    QCOMPARE(kit.sheet->GetActiveIndex(), 1);
    QVERIFY(kit.pages[1]->isVisible());
    QVERIFY(!kit.pages[0]->isVisible());
    QCOMPARE(kit.sheet->m_pFrame->GetCaptionText(), std::string("Cam2"));
    QCOMPARE(kit.Tree()->selectedItems(), QList<QTreeWidgetItem*>{kit.Item("Cam2")});
}

void TreeSheetTest::nodeWithoutPageHidesThePageAndShowsTheMessage()
{
    SheetKit kit({"Site::Gate", "Site::Yard"});
    kit.sheet->SetNoPageMessage("Pick a camera under %s");
    kit.Show();
    QCOMPARE(kit.sheet->m_pFrame->GetMessageText(), std::string());

    kit.pages[0]->m_bRefuseLeave = true;
    QVERIFY(!kit.Tree()->SelectItem(kit.Item("Site")));
    QVERIFY(kit.pages[0]->isVisible());

    kit.pages[0]->m_bRefuseLeave = false;
    QVERIFY(kit.Tree()->SelectItem(kit.Item("Site")));
    QVERIFY(!kit.pages[0]->isVisible());
    QCOMPARE(kit.sheet->m_pFrame->GetMessageText(), std::string("Pick a camera under Site"));
    QCOMPARE(kit.sheet->m_pFrame->GetCaptionText(), std::string("Site"));
    QCOMPARE(kit.sheet->GetCurrentPageWindow(), kit.pages[0].get());

    // Back to the page that was hidden: it is shown again without being asked twice.
    const int asked = kit.pages[0]->m_nKillActive;
    QVERIFY(kit.Tree()->SelectItem(kit.Item("Gate")));
    QVERIFY(kit.pages[0]->isVisible());
    QCOMPARE(kit.pages[0]->m_nKillActive, asked);
    QVERIFY(kit.Tree()->SelectItem(kit.Item("Site")));
    QVERIFY(kit.Tree()->SelectItem(kit.Item("Yard")));
    QVERIFY(kit.pages[1]->isVisible());
    QCOMPARE(kit.sheet->GetActiveIndex(), 1);
}

void TreeSheetTest::treeFollowsPagesAddedRemovedAndSelected()
{
    SheetKit kit({"Cam1", "Cam2"});
    kit.Show();
    TestPage extra("Cam3");
    kit.sheet->AddPageTitle("Cam3");
    kit.sheet->AddPage(&extra);
    QCOMPARE(kit.Tree()->topLevelItemCount(), 3);
    QCOMPARE(kit.Selected(), std::string("Cam1"));

    QVERIFY(kit.sheet->SetActivePage(2));
    QCOMPARE(kit.Selected(), std::string("Cam3"));
    QVERIFY(extra.isVisible());
    QCOMPARE(kit.sheet->m_pFrame->GetCaptionText(), std::string("Cam3"));

    kit.sheet->RemovePage(&extra);
    QCOMPARE(kit.Tree()->topLevelItemCount(), 2);
    QCOMPARE(kit.sheet->GetActiveIndex(), 1);
    QCOMPARE(kit.Selected(), std::string("Cam2"));
    QVERIFY(kit.pages[1]->isVisible());
    QVERIFY(extra.parent() == nullptr);
}

void TreeSheetTest::treeModeWidensAndCaptionOffShortens()
{
    SheetKit tabs({"Cam1"}, {.treeMode = false});
    tabs.Show();
    const QRect plain = tabs.sheet->geometry();
    const QRect tabRect = tabs.sheet->GetTabControl()->geometry();

    SheetKit withCaption({"Cam1"});
    withCaption.Show();
    const QRect wide = withCaption.sheet->geometry();
    QCOMPARE(wide.width(), plain.width() + 250);
    QCOMPARE(wide.height(), plain.height());
    QCOMPARE(wide.center().x(), plain.center().x());
    QCOMPARE(withCaption.Tree()->geometry(), QRect(tabRect.topLeft(), QSize(245, tabRect.height())));
    QWidget* frame = withCaption.sheet->GetDlgItem(CTreeSheet::PAGE_FRAME_ID);
    QCOMPARE(frame->geometry(), tabRect.translated(250, 0));
    // The page sits inside the frame, below its caption bar.
    const int h = withCaption.sheet->m_pFrame->GetCaptionBarHeight();
    QVERIFY(h > 0);
    QVERIFY(frame->geometry()
                .adjusted(0, h, 0, 0)
                .contains(QRect(withCaption.pages[0]->mapTo(withCaption.sheet.get(), QPoint()),
                                withCaption.pages[0]->size())));

    SheetKit noCaption({"Cam1"}, {.caption = false});
    noCaption.Show();
    const QRect shorter = noCaption.sheet->geometry();
    QCOMPARE(shorter.width(), plain.width() + 250);
    QCOMPARE(shorter.height(), plain.height() - h);
    QCOMPARE(shorter.top(), plain.top() + h / 2);
    QWidget* bareFrame = noCaption.sheet->GetDlgItem(CTreeSheet::PAGE_FRAME_ID);
    QCOMPARE(bareFrame->geometry().top(), tabRect.top());
    QCOMPARE(bareFrame->geometry().height(), tabRect.height() - h);
    QCOMPARE(noCaption.Tree()->geometry().height(), tabRect.height() - h);
    QVERIFY(bareFrame->geometry().contains(
        QRect(noCaption.pages[0]->mapTo(noCaption.sheet.get(), QPoint()), noCaption.pages[0]->size())));
    QVERIFY(noCaption.sheet->rect().contains(noCaption.Button(IDOK)->geometry()));
    QVERIFY(noCaption.Button(IDOK)->geometry().top() > bareFrame->geometry().bottom());
}

void TreeSheetTest::optionsApplyOnlyBeforeTheWindowExists()
{
    CTreeSheet sheet;
    QVERIFY(sheet.SetTreeOptions(true, true, true));
    QVERIFY(sheet.SetTreeOptions(false, false, false));
    QVERIFY(!sheet.m_bTreeMode);
    QVERIFY(sheet.m_bShowPageCaption);
    QVERIFY(sheet.m_bTreeImages);

    SheetKit kit({"Cam1"});
    kit.Show();
    const int width = kit.Tree()->width();
    QVERIFY(!kit.sheet->SetTreePaneWidth(300));
    QVERIFY(!kit.sheet->SetTreeOptions(false, false, false));
    QCOMPARE(kit.sheet->m_nTreeWidth, 250);
    QVERIFY(kit.sheet->m_bTreeMode);
    QCOMPARE(kit.Tree()->width(), width);

    SheetKit narrow({"Cam1"});
    QVERIFY(narrow.sheet->SetTreePaneWidth(150));
    narrow.Show();
    QCOMPARE(narrow.Tree()->width(), 145);
}

void TreeSheetTest::deletedPageLeavesTheSheet()
{
    SheetKit kit({"Cam1", "Cam2", "Cam3"});
    kit.Show();
    QVERIFY(kit.sheet->SetActivePage(2));
    kit.pages[0].reset();
    QCOMPARE(kit.sheet->GetPageCount(), 2);
    QCOMPARE(kit.sheet->GetActiveIndex(), 1);
    QCOMPARE(kit.Tree()->topLevelItemCount(), 2);
    // Pages outliving their sheet are given back, not deleted with it.
    kit.sheet.reset();
    QVERIFY(kit.pages[1]->parent() == nullptr);
    QCOMPARE(kit.pages[2]->GetPageCaption(), std::string("Cam3"));
}

void TreeSheetTest::noPageMessageTakesOnlyItsOneArgument()
{
    CTreeSheet sheet;
    QCOMPARE(sheet.FormatNoPageMessage("", "Site"), std::string());
    QCOMPARE(sheet.FormatNoPageMessage("%s has %d%% %s %n", "Site"), std::string("Site has %d% %s %n"));
    QCOMPARE(sheet.FormatNoPageMessage("trailing %", "x"), std::string("trailing %"));
}

void TreeSheetTest::windowGrowsAndShrinksAndTheLeastFitsALaptopAt200Percent()
{
    TestStore store;
    MessageRecorder messages;
    auto page = NewPage(store.Device());
    CTreeSheet sheet(std::string("File Manager"), nullptr, 0);
    sheet.UsePageTitles(1);
    sheet.SetTreeOptions(true, true, false);
    sheet.AddPageTitle(store.Device());
    sheet.AddPage(page.get());
    sheet.Create();
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    WaitForSearch(*page);
    QCOMPARE(QAccessible::queryAccessibleInterface(sheet.GetPageTree())->text(QAccessible::Name),
             QStringLiteral("Pages"));

    // Where everything is: the sheet's tree, frame and buttons, and the page's controls.
    const std::vector<int> above = {IDC_CATEGORY, IDC_START_DATE, IDC_START_TIME,  IDC_END_DATE, IDC_END_TIME,
                                    IDC_SEARCH,   IDC_SHOW_ALL,   IDC_S_FILE_TYPE, IDC_S_START};
    const std::vector<int> below = {IDC_PLAYBACK, IDC_DELETE, IDC_EXPLORE};
    const auto placesOf = [&] {
        std::map<std::string, QRect> places{{"tree", sheet.GetPageTree()->geometry()},
                                            {"frame", sheet.GetPageFrame()->GetFrameWnd()->geometry()},
                                            {"exit", sheet.GetDlgItem(IDOK)->geometry()},
                                            {"help", sheet.GetDlgItem(ID_APPLY_NOW)->geometry()},
                                            {"list", page->GetDlgItem(IDC_FILE_LIST)->geometry()}};
        for (const std::vector<int>* ids : {&above, &below})
            for (int id : *ids)
                places[std::to_string(id)] = page->GetDlgItem(id)->geometry();
        return places;
    };
    MyListCtrl* list = List(*page);
    const auto columnsFollowTheList = [&] {
        for (int column = 0; column < 3; ++column)
            QCOMPARE(list->columnWidth(column), SearchPageLayout::ColumnWidth(column, list->width()));
    };

    // The window opens at its pages' size, the page at its template's.
    const QSize opened = sheet.size();
    QCOMPARE(page->size(), page->sizeHint());
    const auto before = placesOf();

    const QSize grow(200, 150);
    sheet.resize(opened + grow);
    QTRY_COMPARE(page->size(), page->sizeHint() + grow);
    auto after = placesOf();
    QCOMPARE(after["tree"], before.at("tree").adjusted(0, 0, 0, grow.height()));
    QCOMPARE(after["frame"], before.at("frame").adjusted(0, 0, grow.width(), grow.height()));
    // The list takes the room, less its top, where the timeline now shows.
    const QRect grown = before.at("list").adjusted(0, 0, grow.width(), grow.height());
    const QWidget* timeline = page->GetDlgItem(IDC_TIMELINE);
    QVERIFY(timeline->isVisible());
    QCOMPARE(timeline->geometry().top(), grown.top());
    QVERIFY(after["list"].top() > timeline->geometry().bottom());
    QCOMPARE(after["list"].bottomRight(), grown.bottomRight());
    QCOMPARE(after["list"].left(), grown.left());
    for (const char* button : {"exit", "help"})
        QCOMPARE(after[button], before.at(button).translated(grow.width(), grow.height()));
    for (int id : below)
        QCOMPARE(after[std::to_string(id)], before.at(std::to_string(id)).translated(grow.width(), grow.height()));
    for (int id : above)
        QCOMPARE(after[std::to_string(id)], before.at(std::to_string(id)));
    columnsFollowTheList();

    // A 1280x720 screen at 200 %, less a task bar and a title: the list gives
    // up its height, and the page scrolls where even that is not enough. Every
    // control can be brought into sight, by the scroll bars or by Tab, and
    // none covers another; the list still shows rows.
    const QSize laptop(640, 330);
    QVERIFY(sheet.minimumSize().width() <= laptop.width() && sheet.minimumSize().height() <= laptop.height());
    sheet.resize(laptop);
    QTRY_COMPARE(sheet.size(), laptop);
    QVERIFY(sheet.rect().contains(sheet.GetDlgItem(IDOK)->geometry()));
    QVERIFY(sheet.rect().contains(sheet.GetDlgItem(ID_APPLY_NOW)->geometry()));
    QVERIFY(!sheet.GetDlgItem(ID_APPLY_NOW)->geometry().intersects(sheet.GetPageTree()->geometry()));
    QVERIFY(page->height() < page->sizeHint().height());
    QVERIFY(list->viewport()->height() >= 2 * list->RowHeight());
    QScrollArea* view = nullptr;
    for (QWidget* w = page->parentWidget(); w != nullptr && view == nullptr; w = w->parentWidget())
        view = qobject_cast<QScrollArea*>(w);
    QVERIFY(view != nullptr);
    QTRY_VERIFY(view->horizontalScrollBar()->isVisible() && view->verticalScrollBar()->isVisible());
    const QRect seen = view->viewport()->rect();
    QVERIFY(sheet.rect().contains(QRect(view->viewport()->mapTo(&sheet, QPoint()), seen.size())));
    std::vector<QWidget*> controls{list};
    for (const std::vector<int>* ids : {&above, &below})
        for (int id : *ids)
            controls.push_back(page->GetDlgItem(id));
    const auto onView = [&](const QWidget* control) {
        return QRect(control->mapTo(view->viewport(), QPoint()), control->size());
    };
    // The list is wider than the page area there: a few of its rows will do.
    const auto shownWhole = [&](const QWidget* control) {
        return control == list ? seen.intersected(onView(list)).height() >= 3 * list->RowHeight()
                               : seen.contains(onView(control));
    };
    for (QWidget* control : controls) {
        // What the scroll bars reach: the whole control in sight.
        const QRect inPages(control->mapTo(view->widget(), QPoint()), control->size());
        view->ensureVisible(inPages.left() + inPages.width() / 2, inPages.top() + inPages.height() / 2,
                            inPages.width() - inPages.width() / 2, inPages.height() - inPages.height() / 2);
        QVERIFY2(shownWhole(control), qPrintable(control->objectName()));
        for (const QWidget* other : controls)
            QVERIFY2(other == control || !other->geometry().intersects(control->geometry()),
                     qPrintable(control->objectName() + " " + other->objectName()));
    }
    // Tab scrolls to where the control takes what is typed.
    view->ensureVisible(0, 0);
    page->GetDlgItem(IDC_CATEGORY)->setFocus();
    for (int press = 0; press < 12; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        if (focus != nullptr && page->isAncestorOf(focus))
            QVERIFY2(seen.intersects(onView(focus)), qPrintable(focus->objectName()));
    }

    // Back at the size it opened at, all is as it was.
    sheet.resize(opened);
    QTRY_COMPARE(page->size(), page->sizeHint());
    QVERIFY(placesOf() == before);
    columnsFollowTheList();
    QTRY_VERIFY(!view->horizontalScrollBar()->isVisible() && !view->verticalScrollBar()->isVisible());
    QCOMPARE(onView(page.get()), view->viewport()->rect());
}

QTEST_MAIN(TreeSheetTest)
#include "TreeSheetTest.moc"
