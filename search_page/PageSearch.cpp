#include "search_page/PageSearch.h"

#include "platform/ui/DialogUnits.h"
#include "res/Resource.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>

namespace {

constexpr int kDelete = 1;

} // namespace

PageSearch::PageSearch(QWidget* page, QPushButton* playback, QPushButton* erase, QPushButton* explore)
    : QObject(page), m_pPage(page), m_apActions{playback, erase, explore}
{
    // In the strip left of "Search" (x 7 to 220, y 76 in dialog units), which
    // the template leaves empty, so that nothing of the page moves.
    const DialogUnits units(page->font());
    m_wndProgress = new QLabel(page);
    m_wndProgress->setObjectName(QString::number(IDC_SEARCH_PROGRESS));
    // Up to Cancel while a search runs; the notice after it takes the strip.
    m_wndProgress->setGeometry(units.MapDialogRect(7, 79, 213, 8));
    m_wndProgress->hide();
    m_wndCancel = new QPushButton(QStringLiteral("Cancel"), page);
    m_wndCancel->setObjectName(QString::number(IDC_CANCEL_SEARCH));
    m_wndCancel->setGeometry(units.MapDialogRect(166, 76, 50, 14));
    m_wndCancel->hide();
    m_pCancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), page);
    m_pCancelShortcut->setContext(Qt::WindowShortcut);
    m_pCancelShortcut->setEnabled(false);
    m_ticker.setInterval(100);

    connect(m_wndCancel, &QPushButton::clicked, this, &PageSearch::Cancel);
    connect(m_pCancelShortcut, &QShortcut::activated, this, &PageSearch::Cancel);
    connect(&m_ticker, &QTimer::timeout, this, &PageSearch::OnTick);
    connect(&m_search, &BackgroundSearch::RowsArrived, this, [this] {
        m_bRowsCame = true;
        emit RowsArrived();
    });
    connect(&m_search, &BackgroundSearch::Finished, this, [this] {
        End();
        emit Finished();
    });
}

void PageSearch::Start(BackgroundSearch::Request request)
{
    Stop();
    m_wndProgress->hide();
    // Nothing may act on rows that are about to go.
    for (int i = 0; i < 3; ++i) {
        m_abEnabled[i] = m_apActions[i]->isEnabled();
        m_apActions[i]->setEnabled(false);
    }
    m_pCancelShortcut->setEnabled(true);
    m_bRowsCame = false;
    m_clock.start();
    m_ticker.start();
    m_search.Start(std::move(request));
}

void PageSearch::Stop()
{
    if (!m_search.IsRunning())
        return;
    m_search.Stop();
    End();
    if (m_bRowsCame) {
        SetFound(true);
        return;
    }
    for (int i = 0; i < 3; ++i)
        m_apActions[i]->setEnabled(m_abEnabled[i] && !(i == kDelete && m_bDeleteHeld));
}

void PageSearch::Cancel()
{
    if (!IsRunning())
        return;
    Stop();
    m_wndProgress->setText(m_bRowsCame ? QStringLiteral("Search stopped: the list shows the recordings found so far")
                                       : QStringLiteral("Search stopped: the list shows the previous results"));
    m_wndProgress->show();
}

void PageSearch::SetFound(bool found)
{
    for (int i = 0; i < 3; ++i)
        m_apActions[i]->setEnabled(found && !(i == kDelete && m_bDeleteHeld));
}

void PageSearch::HoldDelete(bool hold)
{
    m_bDeleteHeld = hold;
    if (hold)
        m_apActions[kDelete]->setEnabled(false);
}

void PageSearch::End()
{
    m_ticker.stop();
    m_pCancelShortcut->setEnabled(false);
    m_wndProgress->hide();
    m_wndCancel->hide();
    m_pPage->unsetCursor();
}

void PageSearch::OnTick()
{
    if (m_clock.elapsed() < kBusyDelayMs)
        return;
    if (m_wndProgress->isHidden()) {
        m_pPage->setCursor(Qt::BusyCursor);
        m_wndProgress->show();
        m_wndCancel->show();
    }
    m_wndProgress->setText(
        QStringLiteral("%1 of %2 files examined").arg(m_search.FilesExamined()).arg(m_search.FilesListed()));
}
