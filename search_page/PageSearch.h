#pragma once

#include "search_page/BackgroundSearch.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QLabel;
class QPushButton;
class QShortcut;
class QWidget;

// The life of a page's search: it starts off the window's thread with the
// action buttons disabled, shows its progress and Cancel in the strip left of
// "Search" once it has run a moment, and is stopped by Cancel, Escape or the
// page; a stopped search leaves the action buttons as they were, or, once
// its rows have begun to come, as for a search that found rows. The buttons'
// states are kept here: after a search they follow whether it found rows,
// and Delete stays off while the file actions are busy.
class PageSearch : public QObject {
    Q_OBJECT

public:
    // Time a search runs before the page shows a busy cursor, its progress
    // and Cancel.
    static constexpr int kBusyDelayMs = 300;

    PageSearch(QWidget* page, QPushButton* playback, QPushButton* erase, QPushButton* explore);

    // Stops one still running first.
    void Start(BackgroundSearch::Request request);
    // Leaves the page as it was before the search.
    void Stop();
    // Stop at the user's word (Cancel, Escape): the strip then says, until
    // the next search, that the list shows the previous search's rows.
    void Cancel();
    bool IsRunning() const { return m_search.IsRunning(); }
    // The rows that came, for RowsArrived's handler.
    BackgroundSearch::Arrival TakeRows() { return m_search.TakeRows(); }
    // The result of the search that just finished, for Finished's handler.
    BackgroundSearch::Result TakeResult() { return m_search.TakeResult(); }

    // The buttons after a search that found rows or none.
    void SetFound(bool found);
    // While held, Delete stays disabled.
    void HoldDelete(bool hold);

signals:
    // Rows of the running search are waiting.
    void RowsArrived();
    // A search ended (not when it was stopped); its result is waiting.
    void Finished();

private:
    void OnTick();
    void End();

    QWidget* m_pPage;
    QPushButton* m_apActions[3];
    BackgroundSearch m_search;
    QLabel* m_wndProgress;
    QPushButton* m_wndCancel;
    QShortcut* m_pCancelShortcut;
    QTimer m_ticker;
    QElapsedTimer m_clock;
    // The buttons' states when the search began, for a stopped search.
    bool m_abEnabled[3] = {};
    bool m_bDeleteHeld = false;
    // Rows of the running search have come.
    bool m_bRowsCame = false;
};
