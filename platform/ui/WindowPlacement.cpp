#include "platform/ui/WindowPlacement.h"

#include "platform/ConfigPlaces.h"
#include "platform/FileHandle.h"
#include "platform/ui/CPropertySheet.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr auto kSize = "Window/Size";
constexpr auto kMaximized = "Window/Maximized";

// Where the file can be read without waiting: a regular file, not a FIFO
// that no one writes, a device or a folder, nor a link to one.
enum class FileKind { Missing, Regular, Other };

FileKind KindOf(const QString& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path.toStdU16String(), error);
    if (status.type() == std::filesystem::file_type::not_found)
        return FileKind::Missing;
    return !error && status.type() == std::filesystem::file_type::regular ? FileKind::Regular : FileKind::Other;
}

// The file's first kMaxFileBytes bytes, when it is a regular file.
std::optional<QByteArray> ReadRegular(const QString& path)
{
    std::string bytes;
    if (KindOf(path) != FileKind::Regular ||
        !FileHandle::ReadAll(path.toStdString(), bytes, static_cast<std::size_t>(WindowPlacement::kMaxFileBytes)))
        return std::nullopt;
    return QByteArray::fromStdString(bytes);
}

// The [Window] keys as QSettings writes them: "Size=@Size(1200 800)",
// "Maximized=true". A size is taken only as two numbers a screen could have.
WindowPlacement::Kept Parse(const QByteArray& bytes)
{
    WindowPlacement::Kept kept;
    bool inWindow = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inWindow = line == "[Window]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inWindow || equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "Maximized") {
            kept.bMaximized = value == "true";
        } else if (key == "Size" && value.startsWith("@Size(") && value.endsWith(')')) {
            const QList<QByteArray> numbers = value.mid(6, value.size() - 7).split(' ');
            bool width = false, height = false;
            if (numbers.size() == 2) {
                const QSize size(numbers[0].toInt(&width), numbers[1].toInt(&height));
                kept.size = width && height && size.width() > 0 && size.height() > 0 && size.width() <= 65535 &&
                                    size.height() <= 65535
                                ? size
                                : QSize();
            }
        }
    }
    return kept;
}

QRect FreeArea(const QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

} // namespace

WindowPlacement::WindowPlacement(QString file) : m_strFile(std::move(file))
{ }

QString WindowPlacement::DefaultFile()
{
    // The user's settings folder, where the lister also reads the Viewdeck.ini
    // chosen in the window from (SettingsLookup::StateFile).
    const std::vector<std::string> folders = ConfigPlaces::SettingsFolders();
    return folders.empty() ? QString() : QString::fromStdString(folders.front() + "state.conf");
}

WindowPlacement::Kept WindowPlacement::Read() const
{
    const std::optional<QByteArray> bytes = ReadRegular(m_strFile);
    return bytes ? Parse(*bytes) : Kept();
}

void WindowPlacement::Write(const Kept& kept) const
{
    if (KindOf(m_strFile) == FileKind::Other)
        return;
    QSettings file(m_strFile, QSettings::IniFormat);
    file.setValue(kSize, kept.size);
    file.setValue(kMaximized, kept.bMaximized);
}

void WindowPlacement::Restore(CPropertySheet& window, const Kept& kept)
{
    const QRect area = FreeArea(window);
    const int wantedHeight =
        kept.size.isValid() ? std::max(kept.size.height(), window.minimumHeight()) : window.height();
    if (!area.isEmpty())
        window.setMinimumSize(window.minimumSize().boundedTo(area.size()));
    if (kept.size.isValid()) {
        window.resize(kept.size.expandedTo(window.minimumSize()));
        window.CenterWindow();
    }
    // A window as tall as the free area would leave its title bar or its
    // bottom off the screen: maximised, the window manager fits its frame too.
    const bool tooTall = !area.isEmpty() && wantedHeight >= area.height();
    if (!area.isEmpty()) {
        window.resize(window.size().boundedTo(area.size()));
        QRect frame = window.geometry();
        frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1));
        frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1));
        window.move(frame.topLeft());
    }
    if (kept.bMaximized || tooTall)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

WindowPlacement::Kept WindowPlacement::Of(const QWidget& window)
{
    // A maximised window comes back to its last size of its own when it is
    // restored, so that is the size kept.
    Kept kept{window.isMaximized() ? window.normalGeometry().size() : window.size(), window.isMaximized()};
    const QRect area = FreeArea(window);
    if (!area.isEmpty())
        kept.size = kept.size.boundedTo(area.size());
    return kept;
}
