#include "search_page/ResultSummary.h"

#include <QLocale>

std::string ResultSummary(std::size_t count, std::uint64_t bytes)
{
    if (count == 0)
        return "No recordings";
    const QString size = QLocale::c().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeSIFormat);
    return std::to_string(count) + (count == 1 ? " recording, " : " recordings, ") + size.toStdString();
}
