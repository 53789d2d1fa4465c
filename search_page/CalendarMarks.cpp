#include "search_page/CalendarMarks.h"

#include "catalog/ScanControl.h"
#include "platform/ThisThread.h"
#include "platform/ui/AsyncTask.h"
#include "platform/ui/CDateTimeCtrl.h"

#include <QCalendarWidget>
#include <QDateTime>
#include <QKeyEvent>
#include <QTextCharFormat>

#include <map>

namespace {

struct KnownDays {
    std::vector<RecordingDays::Day> days;
    QDateTime found;
};

// Per folder and category, for every page of the window; touched on the
// window's thread only.
std::map<std::string, KnownDays>& Known()
{
    static std::map<std::string, KnownDays> known;
    return known;
}

QDate DateOf(RecordingDays::Day day)
{
    return QDate(day / 10000, day / 100 % 100, day % 100);
}

} // namespace

CalendarMarks::CalendarMarks(QObject* parent, std::vector<CDateTimeCtrl*> pickers)
    : QObject(parent), m_apPickers(std::move(pickers)), m_pTask(new AsyncTask(this))
{
    for (CDateTimeCtrl* picker : m_apPickers)
        picker->installEventFilter(this);
}

CalendarMarks::~CalendarMarks()
{
    if (m_pControl)
        m_pControl->Cancel();
}

void CalendarMarks::Follow(std::vector<std::string> folders, const std::string& category)
{
    std::string key = category;
    for (const std::string& folder : folders)
        key += '\n' + folder;
    const auto known = Known().find(key);
    if (known != Known().end()) {
        Mark(known->second.days);
        m_strKey = key;
        if (known->second.found.secsTo(QDateTime::currentDateTimeUtc()) < kRefreshSeconds) {
            emit Marked();
            return;
        }
    } else if (key != m_strKey) {
        // The previous folder's days are not this one's.
        Mark({});
        m_strKey = key;
    }
    if (m_pControl)
        m_pControl->Cancel();
    m_aFolders = folders;
    m_strCategory = category;
    m_bPaused = false;
    m_pControl = std::make_shared<ScanControl>();
    m_pTask->Run(
        [folders = std::move(folders), category, control = m_pControl](const std::stop_token&) {
            ThisThread::SetName("clipscout-days");
            ThisThread::RunInBackground();
            return RecordingDays::Of(folders, category, control.get());
        },
        [this, key](const std::vector<RecordingDays::Day>& days) {
            Known()[key] = {days, QDateTime::currentDateTimeUtc()};
            if (key == m_strKey)
                Mark(days);
            emit Marked();
        });
}

void CalendarMarks::Pause()
{
    if (!m_pTask->IsRunning())
        return;
    m_pControl->Cancel();
    m_pTask->Stop();
    m_bPaused = true;
}

void CalendarMarks::Resume()
{
    if (m_bPaused)
        Follow(m_aFolders, m_strCategory);
}

void CalendarMarks::Mark(const std::vector<RecordingDays::Day>& days)
{
    m_aDays = days;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (CDateTimeCtrl* picker : m_apPickers) {
        QCalendarWidget* calendar = picker->calendarWidget();
        if (calendar == nullptr)
            continue;
        // A null date clears every day's format.
        calendar->setDateTextFormat(QDate(), QTextCharFormat());
        for (const RecordingDays::Day day : days)
            calendar->setDateTextFormat(DateOf(day), bold);
    }
}

bool CalendarMarks::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && !m_aDays.empty()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool home = key->key() == Qt::Key_Home, end = key->key() == Qt::Key_End;
        if ((home || end) && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            static_cast<CDateTimeCtrl*>(watched)->setDate(DateOf(home ? m_aDays.front() : m_aDays.back()));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
