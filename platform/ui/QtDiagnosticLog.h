#pragma once

#include "platform/DiagnosticLog.h"

#include <QLoggingCategory>

// The program's logging categories, one for each topic of the core's
// DiagnosticLog and named as its lines are ("clipscout.search", ...). Their
// debug lines are off unless QT_LOGGING_RULES or a qtlogging.ini turns them
// on; widget code writes to them with qCDebug.
Q_DECLARE_LOGGING_CATEGORY(lcSearch)
Q_DECLARE_LOGGING_CATEGORY(lcDelete)
Q_DECLARE_LOGGING_CATEGORY(lcPreview)
Q_DECLARE_LOGGING_CATEGORY(lcExport)

class QtDiagnosticLog {
public:
    static const QLoggingCategory& Category(DiagnosticLog::Topic topic);
    // Sends the core's lines through the same categories, so that Qt's rules
    // and message handler govern them too. Called before any other thread starts.
    static void RouteCore();
};
