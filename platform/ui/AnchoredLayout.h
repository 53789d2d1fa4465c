#pragma once

#include <QObject>
#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

class QWidget;

// Lets the controls of a window placed at fixed positions follow its size:
// each control keeps the distance of the edges it is anchored to from the
// same edges of the window, as it had them at the reference size. At the
// reference size every control is where it was placed; below it, a control
// anchored at both edges of a side gives up the room (never below nothing)
// and one anchored at the far edge alone moves back with it.
class AnchoredLayout : public QObject {
public:
    enum Edge : unsigned { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    static constexpr unsigned kAllEdges = Left | Top | Right | Bottom;

    // Follows host's resizes from now on; reference: the size at which the
    // controls' present places hold.
    AnchoredLayout(QWidget* host, QSize reference);

    // Takes control's present geometry as its place at the reference size.
    void Anchor(QWidget* control, unsigned edges);
    // Runs after every placing, for what edges alone cannot say.
    void OnPlaced(std::function<void()> placed) { m_placed = std::move(placed); }
    // Places every control for the host's present size.
    void Place();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Anchored {
        QWidget* pControl;
        QRect rcReference;
        unsigned nEdges;
    };

    QWidget* m_pHost;
    QSize m_reference;
    std::vector<Anchored> m_aControls;
    std::function<void()> m_placed;
};
