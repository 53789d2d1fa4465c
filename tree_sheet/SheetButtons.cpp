#include "tree_sheet/SheetButtons.h"

#include "platform/ModulePath.h"
#include "platform/Utf8Path.h"
#include "platform/ui/AsyncTask.h"
#include "platform/ui/CPropertySheet.h"
#include "platform/ui/MessageBoxSeam.h"
#include "platform/ui/QtStrings.h"
#include "platform/ui/ShellLauncher.h"
#include "res/Resource.h"

#include <QPushButton>
#include <QShortcut>

#include <filesystem>

namespace TreeSheet {

SheetButtons::SheetButtons(CPropertySheet& sheet)
    : m_sheet(sheet),
      m_aManualFiles(InstalledManualFiles()),
      m_pLauncher(&ShellLauncher::Desktop()),
      m_pHelp(new AsyncTask(&sheet))
{ }

std::vector<std::string> SheetButtons::InstalledManualFiles()
{
    const std::filesystem::path folder = Utf8Path(GetModuleFileName()).parent_path();
    return {PathUtf8(folder / "clipscout.html"),
            PathUtf8((folder / Utf8Path(CLIPSCOUT_MANUAL_INSTALLED)).lexically_normal())};
}

void SheetButtons::UseSettingsFile(std::string path, SettingReader reader)
{
    m_strSettingsFile = std::move(path);
    m_readSetting = std::move(reader);
}

void SheetButtons::SetUp()
{
    auto* ok = qobject_cast<QPushButton*>(m_sheet.GetDlgItem(IDOK));
    auto* cancel = qobject_cast<QPushButton*>(m_sheet.GetDlgItem(IDCANCEL));
    auto* apply = qobject_cast<QPushButton*>(m_sheet.GetDlgItem(ID_APPLY_NOW));
    if (!ok || !cancel || !apply)
        return;
    const QRect r = apply->geometry();
    cancel->setEnabled(false);
    cancel->hide();
    ok->move(r.topLeft());
    apply->move(r.left() - kHelpOffset, r.top());
    const std::string exitText = m_readSetting ? m_readSetting("Clipscout", "B_Exit") : std::string();
    const std::string helpText = m_readSetting ? m_readSetting("Clipscout", "B_Help") : std::string();
    ok->setText(exitText.empty() ? QStringLiteral("Exit") : ToQString(exitText));
    apply->setText(helpText.empty() ? QStringLiteral("Help") : ToQString(helpText));
    apply->setEnabled(true);
    // Ctrl+Q as Exit, named outright: some platforms' Quit key is none. Made
    // with the button, so that each window of the sheet has one.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), ok);
    quit->setContext(Qt::WindowShortcut);
    QObject::connect(quit, &QShortcut::activated, ok, &QPushButton::click);
}

void SheetButtons::OpenHelp()
{
    if (m_pHelp->IsRunning())
        return;
    // The recorder's help where it lies beside the settings, else the manual.
    std::vector<std::string> files{PathUtf8(Utf8Path(m_strSettingsFile).parent_path() / "VIEWDECK.HLP")};
    files.insert(files.end(), m_aManualFiles.begin(), m_aManualFiles.end());
    m_pHelp->Run(
        [files = std::move(files), &launcher = *m_pLauncher](const std::stop_token& stop) {
            for (const std::string& file : files) {
                if (stop.stop_requested())
                    return false;
                std::error_code error;
                if (std::filesystem::is_regular_file(Utf8Path(file), error))
                    return launcher.Open(file) == ShellLauncher::Result::Launched;
            }
            return false;
        },
        [&sheet = m_sheet](bool opened) {
            if (!opened)
                MessageBoxSeam::Show(&sheet, "Unable to open the document");
        });
}

bool SheetButtons::IsOpeningHelp() const
{
    return m_pHelp->IsRunning();
}

void SheetButtons::Stop()
{
    m_pHelp->Stop();
}

} // namespace TreeSheet
