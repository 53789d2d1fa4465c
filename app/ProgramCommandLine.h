#pragma once

#include <QStringList>

#include <string>

// The program's command line: --viewer-ini PATH and --app-ini PATH name the
// settings files outright, over the usual lookup; --help prints the usage and
// --version the version. The toolkit's own options (-platform and the like)
// are let through for it. Needs no window system.
class ProgramCommandLine {
public:
    static constexpr int kExitUsage = 2;

    // Parses arguments, the program's name first. False when the program is
    // to end at once with m_nExitCode: 0 after printing the usage or the
    // version, kExitUsage for bad usage, with the reason on standard error.
    bool Parse(const QStringList& arguments);

    std::string m_strAppIni;
    std::string m_strViewerIni;
    int m_nExitCode = 0;
};
