#include "platform/ui/QtDiagnosticLog.h"

// Above debug lines: they stay off unless a rule turns them on.
Q_LOGGING_CATEGORY(lcSearch, "clipscout.search", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDelete, "clipscout.delete", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPreview, "clipscout.preview", QtInfoMsg)
Q_LOGGING_CATEGORY(lcExport, "clipscout.export", QtInfoMsg)

const QLoggingCategory& QtDiagnosticLog::Category(DiagnosticLog::Topic topic)
{
    switch (topic) {
    case DiagnosticLog::Topic::Search:
        break;
    case DiagnosticLog::Topic::Delete:
        return lcDelete();
    case DiagnosticLog::Topic::Preview:
        return lcPreview();
    case DiagnosticLog::Topic::Export:
        return lcExport();
    }
    return lcSearch();
}

void QtDiagnosticLog::RouteCore()
{
    static constexpr DiagnosticLog::Route kToQt{
        [](DiagnosticLog::Topic topic) { return Category(topic).isDebugEnabled(); },
        [](DiagnosticLog::Topic topic, std::string_view text) {
            qCDebug(Category(topic)).noquote() << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        },
    };
    DiagnosticLog::SetRoute(&kToQt);
}
