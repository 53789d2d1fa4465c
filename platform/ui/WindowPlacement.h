#pragma once

#include <QSize>
#include <QString>

class CPropertySheet;
class QWidget;

// The size of the program's window and whether it was maximised, kept from
// one run to the next in a file of the program's own, apart from the
// settings files, which are only ever read.
class WindowPlacement {
public:
    // What is kept of the window.
    struct Kept {
        QSize size; // invalid: none kept
        bool bMaximized = false;
    };

    explicit WindowPlacement(QString file);
    // state.conf in the user's settings folder ($XDG_CONFIG_HOME/clipscout/;
    // on Windows %APPDATA%\Clipscout\).
    static QString DefaultFile();

    // Off the window's thread, as the file may lie on a share: what the file
    // keeps; nothing when it is not a regular file.
    Kept Read() const;
    // Off the window's thread too; a file that is not a regular one is left
    // alone, and so are the file's other keys.
    void Write(const Kept& kept) const;

    // Before the window is shown: the kept size, never below the window's
    // least, centred again; maximised when it was. Whatever was kept, the
    // window fits the screen's free area: no larger than it, and within it,
    // its least size lowered for a screen smaller than that; maximised too
    // when it is as tall as that area, so that its frame fits as well.
    static void Restore(CPropertySheet& window, const Kept& kept);
    // When the window has closed: its size, no larger than the screen's free
    // area.
    static Kept Of(const QWidget& window);

    // Bytes of the file read at most: far more than the few keys it holds.
    static constexpr long kMaxFileBytes = 64 * 1024;

private:
    QString m_strFile;
};
