#include "app/ViewerIniChoice.h"

#include "platform/ui/QtStrings.h"
#include "settings/CLoadUISetting.h"
#include "settings/SettingsLookup.h"

#include <QSettings>

#include <filesystem>

namespace {

constexpr auto kKey = "Settings/ViewerIni";

bool IsFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

ViewerIniChoice::ViewerIniChoice(QString stateFile) : m_strStateFile(std::move(stateFile))
{ }

std::string ViewerIniChoice::Choose(const std::string& executablePath, const std::string& namedPath) const
{
    if (!namedPath.empty())
        return namedPath;
    for (const std::string& candidate : SettingsLookup::Candidates(executablePath, kViewerIniName))
        if (IsFile(candidate))
            return {};
    // A state file that is no regular file (a FIFO, say) would block the start.
    if (!IsFile(ToStdString(m_strStateFile)))
        return {};
    const std::string remembered = ToStdString(QSettings(m_strStateFile, QSettings::IniFormat).value(kKey).toString());
    return IsFile(remembered) ? remembered : std::string();
}

void ViewerIniChoice::Remember(const std::string& path) const
{
    if (std::error_code error;
        std::filesystem::exists(ToStdString(m_strStateFile), error) && !IsFile(ToStdString(m_strStateFile)))
        return;
    QSettings(m_strStateFile, QSettings::IniFormat).setValue(kKey, ToQString(path));
}
