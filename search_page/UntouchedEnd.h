#pragma once

#include <QObject>

#include <functional>

class CDateTimeCtrl;

// Whether the user has set a page's End Date/Time. Until they do, the end
// means "now" at each search, so that a page left open lists what was
// recorded since; Show All Files gives the end back to the clock. Any change
// of the end's pickers counts as the user's unless the page makes it
// (Showing).
class UntouchedEnd : public QObject {
    Q_OBJECT

public:
    UntouchedEnd(QObject* parent, CDateTimeCtrl* date, CDateTimeCtrl* time);

    bool IsTouched() const { return m_bTouched; }
    void Reset() { m_bTouched = false; }
    // Runs show, which sets the pickers for the page.
    void Showing(const std::function<void()>& show);

private:
    void Follow(CDateTimeCtrl* picker);

    bool m_bTouched = false;
    bool m_bShowing = false;
};
