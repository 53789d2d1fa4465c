#pragma once

#include <QString>

class CPropertySheet;
class QWidget;

// The size of the program's window and whether it was maximised, kept from
// one run to the next in a file of the program's own, apart from the
// settings files, which are only ever read.
class WindowPlacement {
public:
    explicit WindowPlacement(QString file);
    // state.conf in the user's configuration folder ($XDG_CONFIG_HOME/clipscout/).
    static QString DefaultFile();

    // Before the window is shown: the kept size, never below the window's
    // least, centred again; maximised when it was.
    void Restore(CPropertySheet& window) const;
    // When the window has closed.
    void Save(const QWidget& window) const;

private:
    QString m_strFile;
};
