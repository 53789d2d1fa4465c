#pragma once

#include "platform/CTime.h"

class CDateTimeCtrl;

// The four pickers of a search's range: start date and time, end date and
// time, each showing its part of a time.
struct SearchRangePickers {
    CDateTimeCtrl* pStartDate;
    CDateTimeCtrl* pStartTime;
    CDateTimeCtrl* pEndDate;
    CDateTimeCtrl* pEndTime;

    // Dates as month-day-year, times to the minute.
    void UseDisplayFormats() const;
    void Show(const CTime& start, const CTime& end) const;
    // To the minute, as the time pickers show it.
    void Read(CTime& start, CTime& end) const;
};
