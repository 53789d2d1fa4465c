#include "search_page/SearchRangePickers.h"

#include "catalog/LocalZone.h"
#include "platform/ui/CDateTimeCtrl.h"

void SearchRangePickers::UseDisplayFormats() const
{
    for (CDateTimeCtrl* date : {pStartDate, pEndDate})
        date->setDisplayFormat(QStringLiteral("MM-dd-yy"));
    for (CDateTimeCtrl* time : {pStartTime, pEndTime})
        time->setDisplayFormat(QStringLiteral("HH:mm"));
}

void SearchRangePickers::Show(const CTime& start, const CTime& end) const
{
    pStartDate->setDate(QDate(start.GetYear(), start.GetMonth(), start.GetDay()));
    pStartTime->setTime(QTime(start.GetHour(), start.GetMinute(), start.GetSecond()));
    pEndDate->setDate(QDate(end.GetYear(), end.GetMonth(), end.GetDay()));
    pEndTime->setTime(QTime(end.GetHour(), end.GetMinute(), end.GetSecond()));
}

void SearchRangePickers::Read(CTime& start, CTime& end) const
{
    const QDate startDate = pStartDate->date();
    const QTime startTime = pStartTime->time();
    const QDate endDate = pEndDate->date();
    const QTime endTime = pEndTime->time();
    // As the lister reads its range: a time shown twice is first and last.
    start = LocalZone::RangeInstant(RangeEnd::Start, startDate.year(), startDate.month(), startDate.day(),
                                    startTime.hour(), startTime.minute())
                .value_or(CTime(startDate.year(), startDate.month(), startDate.day(), startTime.hour(),
                                startTime.minute(), 0));
    end = LocalZone::RangeInstant(RangeEnd::End, endDate.year(), endDate.month(), endDate.day(), endTime.hour(),
                                  endTime.minute())
              .value_or(CTime(endDate.year(), endDate.month(), endDate.day(), endTime.hour(), endTime.minute(), 0));
}
