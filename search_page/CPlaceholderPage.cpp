#include "search_page/CPlaceholderPage.h"

#include "platform/ui/QtStrings.h"
#include "res/Resource.h"
#include "search_page/MyListCtrl.h"

#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// What a newcomer needs to write: where the recordings are and which camera
// folders to show.
constexpr const char* kExample = "[Directory]\n"
                                 "Recording=/home/you/Viewdeck/Record\n"
                                 "\n"
                                 "[Device1]\n"
                                 "LocalID=Garage\n";

std::string ChooseWithDialog(QWidget* parent)
{
    return ToStdString(QFileDialog::getOpenFileName(parent, QStringLiteral("Choose Viewdeck.ini"), QString(),
                                                    QStringLiteral("Viewdeck settings (*.ini *.INI);;All files (*)")));
}

} // namespace

CPlaceholderPage::CPlaceholderPage(std::string caption, std::string note, const CLoadUISetting& uiSetting)
    : CDlg(std::move(caption), uiSetting), m_strNote(std::move(note))
{ }

void CPlaceholderPage::SetNote(std::string note)
{
    m_strNote = std::move(note);
    if (m_pNote)
        m_pNote->setText(ToQString(m_strNote));
}

bool CPlaceholderPage::OnInitDialog()
{
    const bool result = CDlg::OnInitDialog();
    auto* list = qobject_cast<MyListCtrl*>(GetDlgItem(IDC_FILE_LIST));
    if (!list)
        return result;

    // Real controls rather than text painted on the list, so that a screen
    // reader reads the note and the button can be reached with Tab.
    m_pPanel = new QWidget(list->viewport());
    m_pPanel->setObjectName(QStringLiteral("placeholder"));
    m_pPanel->setAutoFillBackground(true);
    m_pPanel->setBackgroundRole(QPalette::Base);
    auto* layout = new QVBoxLayout(m_pPanel);
    layout->addStretch();

    m_pNote = new QLabel(ToQString(m_strNote), m_pPanel);
    m_pNote->setObjectName(QStringLiteral("placeholderNote"));
    m_pNote->setWordWrap(true);
    m_pNote->setAlignment(Qt::AlignCenter);
    m_pNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_pNote);

    auto* heading =
        new QLabel(QStringLiteral("A Viewdeck.ini names the recording directory and the cameras:"), m_pPanel);
    heading->setWordWrap(true);
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);

    auto* example = new QLabel(QString::fromLatin1(kExample).trimmed(), m_pPanel);
    example->setObjectName(QStringLiteral("placeholderExample"));
    example->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    example->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    example->setMargin(6);
    example->setTextInteractionFlags(Qt::TextSelectableByMouse);
    example->setAccessibleName(QStringLiteral("Example of Viewdeck.ini"));
    heading->setBuddy(example);
    layout->addWidget(example, 0, Qt::AlignHCenter);

    auto* choose = new QPushButton(QStringLiteral("Choose Viewdeck.ini..."), m_pPanel);
    choose->setObjectName(QString::number(IDC_CHOOSE_VIEWER_INI));
    connect(choose, &QPushButton::clicked, this, &CPlaceholderPage::OnChoose);
    layout->addWidget(choose, 0, Qt::AlignHCenter);
    layout->addStretch();

    // The note's controls come right after the list in the tab order.
    setTabOrder(list, choose);
    list->viewport()->installEventFilter(this);
    m_pPanel->setGeometry(list->viewport()->rect());
    m_pPanel->show();
    return result;
}

bool CPlaceholderPage::eventFilter(QObject* watched, QEvent* event)
{
    if (m_pPanel && watched == m_pPanel->parent() && event->type() == QEvent::Resize)
        m_pPanel->setGeometry(static_cast<QWidget*>(watched)->rect());
    return CDlg::eventFilter(watched, event);
}

void CPlaceholderPage::OnChoose()
{
    const std::string path = m_chooseFile ? m_chooseFile(this) : ChooseWithDialog(this);
    if (!path.empty())
        emit ViewerIniChosen(ToQString(path));
}
