#include "app/ViewerIniChoice.h"

#include "platform/Utf8Path.h"
#include "platform/ui/QtStrings.h"
#include "settings/CLoadUISetting.h"
#include "settings/SettingsLookup.h"

#include <QSettings>

#include <filesystem>

namespace {

// As the state file's reader in the core reads it.
const QString kKey = QString::fromLatin1(SettingsLookup::kChoiceSection) + '/' + SettingsLookup::kChoiceKey;

bool IsFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(Utf8Path(path), error);
}

} // namespace

ViewerIniChoice::ViewerIniChoice(QString stateFile) : m_strStateFile(std::move(stateFile))
{ }

std::string ViewerIniChoice::Choose(const std::string& executablePath, const std::string& namedPath) const
{
    if (!namedPath.empty())
        return namedPath;
    return SettingsLookup::RememberedViewerIni(executablePath, ToStdString(m_strStateFile));
}

void ViewerIniChoice::Remember(const std::string& path) const
{
    if (std::error_code error;
        std::filesystem::exists(Utf8Path(ToStdString(m_strStateFile)), error) && !IsFile(ToStdString(m_strStateFile)))
        return;
    QSettings(m_strStateFile, QSettings::IniFormat).setValue(kKey, ToQString(path));
}
