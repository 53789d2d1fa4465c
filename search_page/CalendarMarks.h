#pragma once

#include "catalog/RecordingDays.h"

#include <QDate>
#include <QObject>

#include <memory>
#include <string>
#include <vector>

class AsyncTask;
class CDateTimeCtrl;
class ScanControl;

// Marks in bold, in the calendars of a page's date pickers, the days on which
// the page's category has recordings, and takes a picker to the oldest such
// day with Ctrl+Home and to the newest with Ctrl+End. The days are found off
// the window's thread (RecordingDays) and kept per folder and category for
// the window's life, so that a page shows them at once when it comes back to
// a folder; they are found again when a search of that folder comes after
// kRefreshSeconds.
class CalendarMarks : public QObject {
    Q_OBJECT

public:
    static constexpr int kRefreshSeconds = 60;

    CalendarMarks(QObject* parent, std::vector<CDateTimeCtrl*> pickers);
    ~CalendarMarks() override;

    // The page searched category in folders.
    void Follow(std::vector<std::string> folders, const std::string& category);
    // The page is left: a look under way stops, and the page's return makes
    // it again, so that a hidden page holds no scan of a share.
    void Pause();
    void Resume();
    // The days marked now.
    const std::vector<RecordingDays::Day>& Days() const { return m_aDays; }

signals:
    // The marks follow the last search's days.
    void Marked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Mark(const std::vector<RecordingDays::Day>& days);

    std::vector<CDateTimeCtrl*> m_apPickers;
    std::vector<RecordingDays::Day> m_aDays;
    std::string m_strKey;
    std::vector<std::string> m_aFolders;
    std::string m_strCategory;
    bool m_bPaused = false;
    AsyncTask* m_pTask;
    std::shared_ptr<ScanControl> m_pControl;
};
