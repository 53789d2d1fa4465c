#include "search_page/SearchSummary.h"

#include "platform/ui/QtStrings.h"
#include "res/Resource.h"

#include <QEvent>
#include <QLabel>
#include <QLocale>

SearchSummary::SearchSummary(QWidget* page, QLabel* progress)
    : QObject(page), m_wndProgress(progress), m_wndSummary(new QLabel(page))
{
    m_wndSummary->setObjectName(QString::number(IDC_SEARCH_SUMMARY));
    m_wndSummary->hide();
    m_wndProgress->installEventFilter(this);
    Follow();
}

std::string SearchSummary::Text(std::size_t count, std::uint64_t bytes)
{
    if (count == 0)
        return "No recordings";
    const QString size = QLocale::c().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeSIFormat);
    return std::to_string(count) + (count == 1 ? " recording, " : " recordings, ") + ToStdString(size);
}

void SearchSummary::Set(std::size_t count, std::uint64_t bytes)
{
    m_wndSummary->setText(ToQString(Text(count, bytes)));
    Follow();
}

bool SearchSummary::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_wndProgress && (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
                                     event->type() == QEvent::Move || event->type() == QEvent::Resize))
        Follow();
    return QObject::eventFilter(watched, event);
}

void SearchSummary::Follow()
{
    m_wndSummary->setGeometry(m_wndProgress->geometry());
    m_wndSummary->setVisible(!m_wndProgress->isVisibleTo(m_wndProgress->parentWidget()) &&
                             !m_wndSummary->text().isEmpty());
}
