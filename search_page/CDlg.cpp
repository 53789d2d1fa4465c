#include "search_page/CDlg.h"

#include "catalog/RecordingNames.h"
#include "platform/ui/CDateTimeCtrl.h"
#include "platform/ui/DialogControlTemplate.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/MessageBoxSeam.h"
#include "platform/ui/QtStrings.h"
#include "platform/ui/ShellLauncher.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "res/StringTable.h"
#include "search_page/BackgroundTask.h"
#include "search_page/MyListCtrl.h"
#include "search_page/PreviewPane.h"
#include "search_page/TextFitting.h"
#include "settings/CLoadUISetting.h"

#include <QComboBox>
#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>

#include <memory>

namespace {

constexpr const char* kSection = "Clipscout";

// Keys whose empty value keeps the control's template text.
struct ControlLabel {
    const char* szKey;
    int nId;
};
constexpr ControlLabel kControlLabels[] = {
    {"GB_SearchingFiles", IDC_GB_SEARCHING_FILES},
    {"S_Start", IDC_S_START},
    {"S_End", IDC_S_END},
    {"S_FileType", IDC_S_FILE_TYPE},
    {"B_Search", IDC_SEARCH},
    {"B_ShowAll", IDC_SHOW_ALL},
    {"B_Playback", IDC_PLAYBACK},
    {"B_Delete", IDC_DELETE},
    {"B_Explore", IDC_EXPLORE},
};

// Keys whose empty value gives a built-in text.
struct DefaultedText {
    const char* szKey;
    const char* szDefault;
};
constexpr DefaultedText kColumnHeadings[] = {
    {"S_FileName", "File Name"},
    {"S_RecordedTime", "Recorded Time"},
    {"S_Duration", "Duration"},
};

constexpr QRgb kRowBackground = qRgb(250, 250, 255);
constexpr int kLabelInset = 2;
constexpr int kSubItemInset = 6;

CTime FirstSearchableTime()
{
    return CTime(2005, 1, 1, 0, 0, 0);
}

// "name" for one file, "these n files" for several.
std::string NameOrCount(const std::vector<ListedFile>& files, const char* several)
{
    if (files.size() == 1)
        return files.front().strName;
    return std::string(several) + std::to_string(files.size()) + " files";
}

template <class Control>
Control* BindControl(const CPropertyPage& page, int id)
{
    auto* control = qobject_cast<Control*>(page.GetDlgItem(id));
    Q_ASSERT_X(control != nullptr, "CDlg::DoDataExchange", "control missing from the template");
    return control;
}

// Before any search under a known category the folder piece is empty, and its
// separator is still there.
std::string WithCategorySeparator(std::string folder, const std::string& categoryFolder)
{
    if (categoryFolder.empty() && (folder.empty() || folder.back() != '/'))
        folder += '/';
    return folder;
}

} // namespace

CDlg::CDlg(std::string caption, const CLoadUISetting& uiSetting)
    : CPropertyPage(SearchPageTemplate(), caption), m_strCaption(std::move(caption)), m_uiSetting(uiSetting)
{ }

void CDlg::SetEmptyListText(std::string text)
{
    m_strEmptyListText = std::move(text);
    if (m_wndList != nullptr)
        m_wndList->SetEmptyText(m_strEmptyListText);
}

const CLoadUISetting& CDlg::UiSetting() const
{
    return m_uiSetting;
}

QWidget* CDlg::CreateTemplateControl(const DialogControlTemplate& control)
{
    if (control.nId == IDC_FILE_LIST)
        return new MyListCtrl(this, control.dwStyle);
    return nullptr;
}

void CDlg::DoDataExchange()
{
    m_wndShowAll = BindControl<QPushButton>(*this, IDC_SHOW_ALL);
    m_wndPlayback = BindControl<QPushButton>(*this, IDC_PLAYBACK);
    m_wndExplore = BindControl<QPushButton>(*this, IDC_EXPLORE);
    m_wndDelete = BindControl<QPushButton>(*this, IDC_DELETE);
    m_wndFileType = BindControl<QLabel>(*this, IDC_S_FILE_TYPE);
    m_wndSearchingFiles = BindControl<QLabel>(*this, IDC_GB_SEARCHING_FILES);
    m_wndSearch = BindControl<QPushButton>(*this, IDC_SEARCH);
    m_wndStart = BindControl<QLabel>(*this, IDC_S_START);
    m_wndEnd = BindControl<QLabel>(*this, IDC_S_END);
    m_wndEndTime = BindControl<CDateTimeCtrl>(*this, IDC_END_TIME);
    m_wndStartTime = BindControl<CDateTimeCtrl>(*this, IDC_START_TIME);
    m_wndEndDate = BindControl<CDateTimeCtrl>(*this, IDC_END_DATE);
    m_wndStartDate = BindControl<CDateTimeCtrl>(*this, IDC_START_DATE);
    m_wndCategory = BindControl<QComboBox>(*this, IDC_CATEGORY);
    m_wndList = BindControl<MyListCtrl>(*this, IDC_FILE_LIST);
    m_wndUndo = BindControl<QPushButton>(*this, IDC_UNDO);
}

void CDlg::CreateSearchProgress()
{
    // In the strip left of "Search" (x 7 to 220, y 76 in dialog units), which
    // the template leaves empty, so that nothing of the page moves.
    const DialogUnits units(font());
    m_wndSearchProgress = new QLabel(this);
    m_wndSearchProgress->setObjectName(QString::number(IDC_SEARCH_PROGRESS));
    m_wndSearchProgress->setGeometry(units.MapDialogRect(7, 79, 155, 8));
    m_wndSearchProgress->hide();
    m_wndCancelSearch = new QPushButton(QStringLiteral("Cancel"), this);
    m_wndCancelSearch->setObjectName(QString::number(IDC_CANCEL_SEARCH));
    m_wndCancelSearch->setGeometry(units.MapDialogRect(166, 76, 50, 14));
    m_wndCancelSearch->hide();
    m_pCancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_pCancelShortcut->setContext(Qt::WindowShortcut);
    m_pCancelShortcut->setEnabled(false);
    m_searchTicker.setInterval(100);
}

void CDlg::ConnectHandlers()
{
    connect(m_wndSearch, &QPushButton::clicked, this, &CDlg::OnSearch);
    connect(m_wndPlayback, &QPushButton::clicked, this, &CDlg::OnPlayback);
    connect(m_wndDelete, &QPushButton::clicked, this, &CDlg::OnDelete);
    connect(m_wndExplore, &QPushButton::clicked, this, &CDlg::OnExplore);
    connect(m_wndShowAll, &QPushButton::clicked, this, &CDlg::OnShowAllFiles);
    connect(m_wndUndo, &QPushButton::clicked, this, &CDlg::OnUndo);
    auto* undo = new QShortcut(QKeySequence::Undo, this);
    undo->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QShortcut::activated, this, &CDlg::OnUndo);
    connect(m_wndList, &MyListCtrl::DrawItem, this, &CDlg::OnDrawItem);
    connect(m_wndList, &MyListCtrl::KeyDown, this, &CDlg::OnListKeyDown);
    connect(m_wndList, &MyListCtrl::LButtonDown, this, &CDlg::OnLButtonDown, Qt::QueuedConnection);
    connect(m_wndList, &MyListCtrl::LButtonDblClk, this, &CDlg::OnLButtonDblClk, Qt::QueuedConnection);
    connect(m_wndCancelSearch, &QPushButton::clicked, this, &CDlg::CancelSearch);
    connect(m_pCancelShortcut, &QShortcut::activated, this, &CDlg::CancelSearch);
    connect(&m_searchTicker, &QTimer::timeout, this, &CDlg::OnSearchTick);
    connect(&m_search, &BackgroundSearch::Finished, this, &CDlg::OnSearchFinished);
}

bool CDlg::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    DoDataExchange();
    CreateSearchProgress();
    m_pFileTask = new BackgroundTask(this);
    ConnectHandlers();
    // Shown only while there is something to undo.
    m_wndUndo->hide();
    m_pPreview = new PreviewPane(m_wndList, this);

    setWindowTitle(ToQString(m_strCaption));

    for (const ControlLabel& label : kControlLabels) {
        const std::string text = UiSetting().GetAppSetting(kSection, label.szKey);
        if (text.empty())
            continue;
        QWidget* control = GetDlgItem(label.nId);
        if (auto* button = qobject_cast<QPushButton*>(control))
            button->setText(ToQString(text));
        else if (auto* staticText = qobject_cast<QLabel*>(control))
            staticText->setText(ToQString(text));
    }
    auto readText = [this](const DefaultedText& entry) {
        std::string text = UiSetting().GetAppSetting(kSection, entry.szKey);
        return text.empty() ? std::string(entry.szDefault) : text;
    };
    std::string headings[std::size(kColumnHeadings)];
    for (std::size_t i = 0; i < std::size(kColumnHeadings); ++i)
        headings[i] = readText(kColumnHeadings[i]);
    for (const CategoryLabel& category : kCategoryLabels)
        m_wndCategory->addItem(ToQString(readText({category.szKey, category.text.data()})));
    m_wndCategory->setCurrentIndex(0);

    SetSearchRange(FirstSearchableTime(), CTime::GetCurrentTime());

    m_strCategory = ToStdString(m_wndCategory->currentText());

    m_wndList->SetExtendedStyle(m_wndList->GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_wndList->SetEmptyText(m_strEmptyListText);

    // Widths from the list's outer width, border included, as the template
    // sized it.
    const int width = m_wndList->width();
    m_wndList->InsertColumn(0, headings[0], LVCFMT_LEFT, 99 * width / 200);
    m_wndList->InsertColumn(1, headings[1], LVCFMT_LEFT, 5 * width / 20);
    m_wndList->InsertColumn(2, headings[2], LVCFMT_LEFT, 5 * width / 20 - 1);
    m_wndList->InsertColumn(3, std::string(), LVCFMT_LEFT, 0);

    m_wndStartDate->setDisplayFormat(QStringLiteral("MM-dd-yy"));
    m_wndEndDate->setDisplayFormat(QStringLiteral("MM-dd-yy"));
    m_wndStartTime->setDisplayFormat(QStringLiteral("HH:mm"));
    m_wndEndTime->setDisplayFormat(QStringLiteral("HH:mm"));

    m_wndCategory->setCurrentIndex(0);
    m_nCurrentRow = 0;
    OnSearch();
    return true;
}

void CDlg::SetSearchRange(const CTime& start, const CTime& end)
{
    m_wndStartDate->setDate(QDate(start.GetYear(), start.GetMonth(), start.GetDay()));
    m_wndStartTime->setTime(QTime(start.GetHour(), start.GetMinute(), start.GetSecond()));
    m_wndEndDate->setDate(QDate(end.GetYear(), end.GetMonth(), end.GetDay()));
    m_wndEndTime->setTime(QTime(end.GetHour(), end.GetMinute(), end.GetSecond()));
}

void CDlg::ReadSearchRange(CTime& start, CTime& end) const
{
    const QDate startDate = m_wndStartDate->date();
    const QTime startTime = m_wndStartTime->time();
    const QDate endDate = m_wndEndDate->date();
    const QTime endTime = m_wndEndTime->time();
    start = CTime(startDate.year(), startDate.month(), startDate.day(), startTime.hour(), startTime.minute(), 0);
    end = CTime(endDate.year(), endDate.month(), endDate.day(), endTime.hour(), endTime.minute(), 0);
}

void CDlg::OnSearch()
{
    CancelSearch();
    SetUndo({});
    m_pPreview->Dismiss();

    BackgroundSearch::Request request;
    request.pSettings = &UiSetting();
    request.strDevice = m_strCaption;
    request.strCategory = ToStdString(m_wndCategory->currentText());
    for (int i = 0; i < m_wndCategory->count(); ++i)
        request.aCategoryTexts.push_back(ToStdString(m_wndCategory->itemText(i)));
    request.nCategoryEntry = m_wndCategory->currentIndex();
    request.strCategoryFolder = m_strCategoryFolder;
    ReadSearchRange(request.tSearchStart, request.tSearchEnd);

    // Nothing may act on rows that are about to go.
    QPushButton* const actions[] = {m_wndPlayback, m_wndDelete, m_wndExplore};
    for (int i = 0; i < 3; ++i) {
        m_bActionsEnabled[i] = actions[i]->isEnabled();
        actions[i]->setEnabled(false);
    }
    m_pCancelShortcut->setEnabled(true);
    m_searchClock.start();
    m_searchTicker.start();
    m_search.Start(std::move(request));
}

void CDlg::CancelSearch()
{
    if (!m_search.IsRunning())
        return;
    m_search.Stop();
    EndSearch();
    QPushButton* const actions[] = {m_wndPlayback, m_wndDelete, m_wndExplore};
    for (int i = 0; i < 3; ++i)
        actions[i]->setEnabled(m_bActionsEnabled[i]);
}

void CDlg::EndSearch()
{
    m_searchTicker.stop();
    m_pCancelShortcut->setEnabled(false);
    m_wndSearchProgress->hide();
    m_wndCancelSearch->hide();
    unsetCursor();
}

void CDlg::OnSearchTick()
{
    if (m_searchClock.elapsed() < kBusyDelayMs)
        return;
    if (m_wndSearchProgress->isHidden()) {
        setCursor(Qt::BusyCursor);
        m_wndSearchProgress->show();
        m_wndCancelSearch->show();
    }
    m_wndSearchProgress->setText(
        QStringLiteral("%1 of %2 files examined").arg(m_search.FilesExamined()).arg(m_search.FilesListed()));
}

void CDlg::OnSearchFinished()
{
    EndSearch();
    BackgroundSearch::Result result = m_search.TakeResult();
    m_strCategory = std::move(result.request.strCategory);
    m_tSearchStart = result.request.tSearchStart;
    m_tSearchEnd = result.request.tSearchEnd;
    m_strCategoryFolder = std::move(result.strCategoryFolder);
    m_aFiles = std::move(result.aRows);
    m_nFiles = static_cast<int>(m_aFiles.size());
    m_wndList->DeleteAllItems();

    if (!result.bScanned)
        MessageBoxSeam::Show(this, LoadResourceString(IDS_START_AFTER_END));

    std::vector<ResultListModel::Row> items;
    items.reserve(m_aFiles.size());
    for (RecordedFile& row : m_aFiles) {
        CopyField(row.szStartTime, ToDisplayTime(row.szStartTime));
        items.push_back({row.szFileName, row.szStartTime, row.szDuration});
    }
    m_wndList->AppendItems(std::move(items));
    m_strFolderPath = std::move(result.strFolderPath);
    m_pPreview->SetFolder(GetCategoryFolderPath());

    const bool found = m_nFiles != 0;
    if (found && m_wndList->GetItemCount() > 0)
        m_nCurrentRow = 0;
    m_selection.Reset(m_wndList->GetItemCount(), found ? m_nCurrentRow : -1);
    m_wndExplore->setEnabled(found);
    m_wndPlayback->setEnabled(found);
    m_wndDelete->setEnabled(found && !m_pFileTask->IsRunning());
    if (found)
        FollowCurrentRow();
    emit SearchFinished();
}

std::string CDlg::GetCategoryFolderPath() const
{
    return WithCategorySeparator(m_strFolderPath, m_strCategoryFolder);
}

std::string CDlg::GetCurrentFilePath() const
{
    return GetCategoryFolderPath() + "/" + m_wndList->GetItemText(m_nCurrentRow, 0);
}

void CDlg::OnPlayback()
{
    // A double click reaches here while a search has the buttons disabled.
    if (m_search.IsRunning())
        return;
    if (ShellLauncher::Instance().Open(GetCurrentFilePath()) == ShellLauncher::Result::NoAssociation)
        MessageBoxSeam::Show(this, "Unable to play ASF file");
}

std::vector<ListedFile> CDlg::GetSelectedFiles() const
{
    std::vector<int> rows = m_selection.Rows();
    if (rows.empty() && m_nCurrentRow >= 0 && m_nCurrentRow < m_nFiles)
        rows.push_back(m_nCurrentRow);
    std::vector<ListedFile> files;
    for (int row : rows) {
        if (row >= m_nFiles)
            continue;
        const RecordedFile& listed = m_aFiles[static_cast<std::size_t>(row)];
        files.push_back({{}, m_wndList->GetItemText(row, 0), listed.idFolder, listed.idFile});
    }
    return files;
}

void CDlg::OnDelete()
{
    // The rows of a running search are about to go.
    if (m_pFileTask->IsRunning() || IsSearching())
        return;
    std::vector<ListedFile> files = GetSelectedFiles();
    m_aTrashed.clear();
    m_failures.Clear();
    // With no row to act on, the search runs again as after any delete.
    if (files.empty()) {
        OnSearch();
        return;
    }
    RunFileTask(true, std::move(files));
}

void CDlg::OnDeletePermanently()
{
    // The rows of a running search are about to go.
    if (m_pFileTask->IsRunning() || IsSearching())
        return;
    std::vector<ListedFile> files = GetSelectedFiles();
    if (files.empty())
        return;
    if (!MessageBoxSeam::Ask(this, "Delete " + NameOrCount(files, "these ") + " permanently?"))
        return;
    m_aTrashed.clear();
    m_failures.Clear();
    RunFileTask(false, std::move(files));
}

void CDlg::RunFileTask(bool bToTrash, std::vector<ListedFile> files)
{
    auto outcomes = std::make_shared<std::vector<FileOutcome>>();
    for (ListedFile& file : files)
        outcomes->push_back({std::move(file), {}, std::nullopt, {}});
    m_wndDelete->setEnabled(false);
    m_pFileTask->Start(
        [outcomes, bToTrash, folder = m_strFolderPath](std::stop_token stop) {
            for (FileOutcome& outcome : *outcomes) {
                if (stop.stop_requested())
                    return;
                outcome.file.strFolder = folder;
                outcome.result = bToTrash ? FileDeleter::MoveToTrash(outcome.file, outcome.trashed, outcome.strReason)
                                          : FileDeleter::DeletePermanently(outcome.file, outcome.strReason);
            }
        },
        [this, outcomes, bToTrash] { FinishFileTask(bToTrash, *outcomes); });
}

void CDlg::FinishFileTask(bool bToTrash, const std::vector<FileOutcome>& outcomes)
{
    std::vector<ListedFile> noTrash;
    for (const FileOutcome& outcome : outcomes) {
        if (!outcome.result)
            continue;
        if (*outcome.result == FileDeleter::Result::Done && bToTrash)
            m_aTrashed.push_back(outcome.trashed);
        else if (*outcome.result == FileDeleter::Result::NoTrash)
            noTrash.push_back(outcome.file);
        m_failures.AddDelete(outcome.file.strName, *outcome.result, bToTrash, outcome.strReason);
    }
    if (!noTrash.empty()) {
        const std::string question =
            noTrash.size() == 1
                ? noTrash.front().strName + " cannot be moved to the trash. Delete it permanently?"
                : std::to_string(noTrash.size()) + " files cannot be moved to the trash. Delete them permanently?";
        if (MessageBoxSeam::Ask(this, question)) {
            RunFileTask(false, std::move(noTrash));
            return;
        }
    }
    EndDelete();
}

void CDlg::EndDelete()
{
    if (!m_failures.IsEmpty())
        MessageBoxSeam::Show(this, m_failures.Text());
    OnSearch();
    SetUndo(std::move(m_aTrashed));
    m_aTrashed.clear();
    m_failures.Clear();
}

void CDlg::SetUndo(std::vector<TrashedFile> files)
{
    m_aUndo = std::move(files);
    m_wndUndo->setVisible(!m_aUndo.empty());
}

void CDlg::OnUndo()
{
    if (m_aUndo.empty() || m_pFileTask->IsRunning() || IsSearching())
        return;
    struct Restore {
        TrashedFile file;
        std::optional<FileDeleter::RestoreResult> result;
        std::string strReason;
    };
    auto restores = std::make_shared<std::vector<Restore>>();
    for (TrashedFile& file : m_aUndo)
        restores->push_back({std::move(file), std::nullopt, {}});
    SetUndo({});
    m_wndDelete->setEnabled(false);
    m_pFileTask->Start(
        [restores](std::stop_token stop) {
            for (Restore& restore : *restores) {
                if (stop.stop_requested())
                    return;
                restore.result = FileDeleter::Restore(restore.file, restore.strReason);
            }
        },
        [this, restores] {
            DeleteReport failures("These files were not put back:");
            for (const Restore& restore : *restores) {
                const std::string& path = restore.file.strOriginalPath;
                if (restore.result)
                    failures.AddRestore(path.substr(path.rfind('/') + 1), *restore.result, restore.strReason);
            }
            if (!failures.IsEmpty())
                MessageBoxSeam::Show(this, failures.Text());
            OnSearch();
        });
}

void CDlg::OnExplore()
{
    if (ShellLauncher::Instance().Explore(GetCategoryFolderPath()) == ShellLauncher::Result::NoAssociation)
        MessageBoxSeam::Show(this, "Unable to open the document");
}

void CDlg::OnShowAllFiles()
{
    SetSearchRange(FirstSearchableTime(), CTime::GetCurrentTime());
    OnSearch();
}

void CDlg::mousePressEvent(QMouseEvent* event)
{
    // A click on the page itself is hit-tested as if in the list's coordinates.
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(event->position().toPoint(), event->modifiers());
    event->accept();
}

void CDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        OnLButtonDblClk(event->position().toPoint(), event->modifiers());
    event->accept();
}

void CDlg::hideEvent(QHideEvent* event)
{
    // Another page is shown or the sheet closes; a minimised window (a hide
    // from the window system) goes on searching.
    if (!event->spontaneous()) {
        CancelSearch();
        // Undo is offered only until the page is left.
        SetUndo({});
    }
    CPropertyPage::hideEvent(event);
}

void CDlg::OnLButtonDown(QPoint listPoint, Qt::KeyboardModifiers modifiers)
{
    const int row = m_wndList->HitTest(listPoint);
    if (row >= 0 && (modifiers & Qt::ShiftModifier) != 0)
        m_selection.Extend(row);
    else if (row >= 0 && (modifiers & Qt::ControlModifier) != 0)
        m_selection.Toggle(row);
    else
        m_selection.Reset(m_wndList->GetItemCount(), row);
    m_nCurrentRow = row;
    update();
    m_wndList->EnsureVisible(row);
    m_wndList->viewport()->update();
    m_wndList->setFocus(Qt::MouseFocusReason);
    FollowCurrentRow();
}

void CDlg::OnLButtonDblClk(QPoint listPoint, Qt::KeyboardModifiers)
{
    m_nCurrentRow = m_wndList->HitTest(listPoint);
    m_selection.Reset(m_wndList->GetItemCount(), m_nCurrentRow);
    update();
    m_wndList->viewport()->update();
    OnPlayback();
}

void CDlg::OnListKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const int count = m_wndList->GetItemCount();
    const bool shift = (modifiers & Qt::ShiftModifier) != 0;
    if (key == Qt::Key_Delete) {
        if (shift)
            OnDeletePermanently();
        else
            OnDelete();
        return;
    }
    if (key == Qt::Key_A && modifiers == Qt::ControlModifier) {
        m_selection.SelectAll();
        m_wndList->viewport()->update();
        return;
    }
    int row = m_nCurrentRow;
    if (key == Qt::Key_Down) {
        if (row != count - 1)
            ++row;
    } else if (key == Qt::Key_Up) {
        if (row != 0)
            --row;
    } else if (shift && key == Qt::Key_Home && count > 0) {
        row = 0;
    } else if (shift && key == Qt::Key_End && count > 0) {
        row = count - 1;
    } else {
        return;
    }
    m_nCurrentRow = row;
    if (shift)
        m_selection.Extend(row);
    else
        m_selection.Reset(count, row);
    m_wndList->EnsureVisible(row);
    m_wndList->viewport()->update();
    FollowCurrentRow();
}

void CDlg::FollowCurrentRow()
{
    // The rows of a running search are about to go, and Escape stops it.
    if (IsSearching())
        m_pPreview->Dismiss();
    else
        m_pPreview->Follow(m_wndList->GetItemText(m_nCurrentRow, 0), m_nCurrentRow);
}

void CDlg::OnDrawItem(QPainter* painter, int nItem)
{
    const QRect bounds = m_wndList->GetItemRect(nItem, LVIR_BOUNDS);
    const QRect label = m_wndList->GetItemRect(nItem, LVIR_LABEL);
    constexpr unsigned kMarked = LVIS_SELECTED | LVIS_FOCUSED;
    const QPen previousPen = painter->pen();
    // The list's own marks follow the page's: selected rows, and the focus
    // on the current row.
    const bool selected = m_selection.IsSelected(nItem);
    const unsigned marks = (selected ? LVIS_SELECTED : 0u) | (nItem == m_nCurrentRow ? LVIS_FOCUSED : 0u);
    if (m_wndList->GetItemState(nItem, kMarked) != marks)
        m_wndList->SetItemState(nItem, marks, kMarked);
    if (selected) {
        const QPalette& palette = m_wndList->palette();
        painter->setPen(palette.color(QPalette::HighlightedText));
        painter->fillRect(bounds, palette.color(QPalette::Highlight));
    } else {
        painter->fillRect(bounds, QColor(kRowBackground));
    }

    constexpr int kTextFlags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
    const QFontMetrics metrics = painter->fontMetrics();
    const QString name = FitText(metrics, ToQString(m_wndList->GetItemText(nItem, 0)), label.width(), 2 * kLabelInset);
    painter->drawText(label.adjusted(kLabelInset, 0, -kLabelInset, 0), Qt::AlignLeft | kTextFlags, name);

    int left = label.left() + label.width();
    int format = LVCFMT_LEFT;
    int width = 0;
    for (int column = 1; m_wndList->GetColumn(column, format, width); ++column) {
        const QRect cell(left, label.top(), width, label.height());
        left += width;
        const std::string& text = m_wndList->GetItemText(nItem, column);
        if (text.empty())
            continue;
        bool shortened = false;
        const QString fitted = FitText(metrics, ToQString(text), width, 2 * kSubItemInset, &shortened);
        Qt::Alignment alignment = Qt::AlignLeft;
        if (!shortened && format == LVCFMT_RIGHT)
            alignment = Qt::AlignRight;
        else if (!shortened && format == LVCFMT_CENTER)
            alignment = Qt::AlignHCenter;
        painter->drawText(cell.adjusted(kSubItemInset, 0, -kSubItemInset, 0), alignment | kTextFlags, fitted);
    }

    if (selected)
        painter->setPen(previousPen);
}
