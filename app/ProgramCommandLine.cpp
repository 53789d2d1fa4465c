#include "app/ProgramCommandLine.h"

#include "platform/ui/QtStrings.h"

#include <QCommandLineParser>

#include <cstdio>

bool ProgramCommandLine::Parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Finds, lists, plays back and deletes the recordings of the Viewdeck camera recorder.\n"
                       "Clipscout.ini and Viewdeck.ini are looked for beside the program, then in\n"
                       "$XDG_CONFIG_HOME/clipscout/ (~/.config/clipscout/), then in /etc/xdg/clipscout/.\n"
                       "Exit status: 0 done, 2 bad usage."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this usage and end."));
    const QCommandLineOption viewerIni(QStringLiteral("viewer-ini"),
                                       QStringLiteral("The recorder's settings file (Viewdeck.ini) to read."),
                                       QStringLiteral("PATH"));
    const QCommandLineOption appIni(QStringLiteral("app-ini"),
                                    QStringLiteral("The program's own settings file (Clipscout.ini) to read."),
                                    QStringLiteral("PATH"));
    parser.addOptions({help, viewerIni, appIni});

    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString reason =
            parser.positionalArguments().isEmpty()
                ? parser.errorText()
                : QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().front());
        std::fprintf(stderr, "clipscout: %s\n%s", qPrintable(reason), qPrintable(parser.helpText()));
        m_nExitCode = kExitUsage;
        return false;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        m_nExitCode = 0;
        return false;
    }
    m_strViewerIni = ToStdString(parser.value(viewerIni));
    m_strAppIni = ToStdString(parser.value(appIni));
    return true;
}
