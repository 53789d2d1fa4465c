#include "app/ProgramCommandLine.h"

#include "platform/ui/QtStrings.h"
#include "tree_sheet/SheetButtons.h"

#include <QCommandLineParser>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// The toolkit's own options, which it takes from the command line once it
// starts; they are read here only to be let through.
constexpr const char* kToolkitOptionsWithValue[] = {"platform",
                                                    "platformpluginpath",
                                                    "platformtheme",
                                                    "plugin",
                                                    "qwindowgeometry",
                                                    "geometry",
                                                    "qwindowicon",
                                                    "icon",
                                                    "qwindowtitle",
                                                    "title",
                                                    "session",
                                                    "style",
                                                    "stylesheet",
                                                    "display",
                                                    "name",
                                                    "visual",
                                                    "qmljsdebugger"};
constexpr const char* kToolkitFlags[] = {"reverse", "testability", "widgetcount", "nograb", "dograb"};

// The manual Help opens: the first one there, else where it belongs.
std::string ManualFile()
{
    const std::vector<std::string> files = TreeSheet::SheetButtons::InstalledManualFiles();
    for (const std::string& file : files)
        if (std::error_code error; std::filesystem::is_regular_file(file, error))
            return file;
    return files.back();
}

} // namespace

bool ProgramCommandLine::Parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    // As the toolkit does, -platform and --platform are the same option.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Finds, lists, plays back and deletes the recordings of the Viewdeck camera recorder.\n"
                       "Clipscout.ini and Viewdeck.ini are looked for beside the program, then in\n"
                       "$XDG_CONFIG_HOME/clipscout/ (~/.config/clipscout/), then in /etc/xdg/clipscout/.\n"
                       "Help and F1 open the manual, ") +
        QString::fromStdString(ManualFile()) + QStringLiteral(".\nExit status: 0 done, 2 bad usage."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this usage and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the program's version and end."));
    const QCommandLineOption viewerIni(QStringLiteral("viewer-ini"),
                                       QStringLiteral("The recorder's settings file (Viewdeck.ini) to read."),
                                       QStringLiteral("PATH"));
    const QCommandLineOption appIni(QStringLiteral("app-ini"),
                                    QStringLiteral("The program's own settings file (Clipscout.ini) to read."),
                                    QStringLiteral("PATH"));
    parser.addOptions({help, version, viewerIni, appIni});
    for (const char* name : kToolkitOptionsWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : kToolkitFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    // With no application object yet the parser cannot know the program's
    // name; the usage shows it as it was started.
    QString usage = parser.helpText();
    usage.replace(QStringLiteral("<executable_name>"), arguments.value(0, QStringLiteral("clipscout")));

    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString reason =
            parser.positionalArguments().isEmpty()
                ? parser.errorText()
                : QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().front());
        std::fprintf(stderr, "clipscout: %s\n%s", qPrintable(reason), qPrintable(usage));
        m_nExitCode = kExitUsage;
        return false;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(usage), stdout);
        m_nExitCode = 0;
        return false;
    }
    if (parser.isSet(version)) {
        std::puts("clipscout " CLIPSCOUT_VERSION);
        m_nExitCode = 0;
        return false;
    }
    m_strViewerIni = ToStdString(parser.value(viewerIni));
    m_strAppIni = ToStdString(parser.value(appIni));
    return true;
}
