#include "platform/ui/WindowPlacement.h"

#include "platform/ui/CPropertySheet.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

constexpr auto kSize = "Window/Size";
constexpr auto kMaximized = "Window/Maximized";

} // namespace

WindowPlacement::WindowPlacement(QString file) : m_strFile(std::move(file))
{ }

QString WindowPlacement::DefaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/clipscout/state.conf");
}

void WindowPlacement::Restore(CPropertySheet& window) const
{
    const QSettings file(m_strFile, QSettings::IniFormat);
    const QSize size = file.value(kSize).toSize();
    if (size.isValid()) {
        window.resize(size.expandedTo(window.minimumSize()));
        window.CenterWindow();
    }
    if (file.value(kMaximized, false).toBool())
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void WindowPlacement::Save(const QWidget& window) const
{
    QSettings file(m_strFile, QSettings::IniFormat);
    // A maximised window comes back to its last size of its own when it is
    // restored, so that is the size kept.
    file.setValue(kSize, window.isMaximized() ? window.normalGeometry().size() : window.size());
    file.setValue(kMaximized, window.isMaximized());
}
