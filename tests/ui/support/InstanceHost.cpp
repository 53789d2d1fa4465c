// The program as it starts up, for tests that must see its window brought
// forward, which the program itself shows only on the screen. Once its sheet
// is shown it minimises it and prints "minimised"; each time the sheet is
// restored it prints "raised <activation token>" and minimises it again.

#include "app/CClipscoutApp.h"
#include "app/CSingleInstanceGuard.h"
#include "tree_sheet/CTreeSheet.h"

#include <QApplication>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include <cstdio>

namespace {

void Say(const QByteArray& line)
{
    std::fputs((line + "\n").constData(), stdout);
    std::fflush(stdout);
}

class SheetWatcher : public QObject {
protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* sheet = qobject_cast<TreeSheet::CTreeSheet*>(object);
        if (!sheet)
            return false;
        if (event->type() == QEvent::Show && !m_bShown) {
            m_bShown = true;
            MinimiseLater(sheet);
        } else if (event->type() == QEvent::WindowStateChange) {
            const auto* change = static_cast<QWindowStateChangeEvent*>(event);
            if (sheet->isMinimized()) {
                Say("minimised");
            } else if (change->oldState() & Qt::WindowMinimized) {
                Say("raised " + qgetenv("XDG_ACTIVATION_TOKEN"));
                MinimiseLater(sheet);
            }
        }
        return false;
    }

private:
    static void MinimiseLater(QWidget* sheet)
    {
        QTimer::singleShot(0, sheet, [sheet] { sheet->showMinimized(); });
    }

    bool m_bShown = false;
};

class HostApp : public CClipscoutApp {
public:
    bool InitInstance() override
    {
        SheetWatcher watcher;
        qApp->installEventFilter(&watcher);
        return CClipscoutApp::InitInstance();
    }
};

} // namespace

CSingleInstanceGuard g_singleInstanceGuard(CSingleInstanceGuard::kGuardName);
HostApp theApp;

int main(int argc, char** argv)
{
    return AfxWinMain(argc, argv);
}
