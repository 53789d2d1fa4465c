#include "tree_sheet/CPageFrameDefault.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <memory>

using namespace TreeSheet;

namespace {

// The frame's base computations, without a default frame's extras.
class BareFrame : public CPageFrame {
public:
    bool CreateFrame(const QRect& rect, QWidget* parent, unsigned) override
    {
        m_window.setParent(parent);
        m_window.setGeometry(rect);
        return true;
    }
    QWidget* GetFrameWnd() override { return &m_window; }

private:
    QWidget m_window;
};

QIcon SolidIcon(const QColor& colour, int size = 16)
{
    QPixmap pixmap(size, size);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// Paints the frame as its window would, into an image.
QImage Render(CPageFrameDefault& frame)
{
    QImage image(frame.size(), QImage::Format_RGB32);
    image.fill(frame.palette().color(QPalette::Window));
    QPainter dc(&image);
    frame.Paint(dc);
    return image;
}

} // namespace

class PageFrameTest : public QObject {
    Q_OBJECT

private slots:
    void newFrameHasNoCaptionAndCentredMessage();
    void captionAndMessageAreas();
    void gradientFadesFromCaptionColourIntoBackground();
    void iconAndTextPlaces();
    void iconIsTheFramesOwnCopy();
    void longCaptionStaysOnOneLine();
    void deletingThroughTheInterfaceDeletesTheWindow();
};

void PageFrameTest::newFrameHasNoCaptionAndCentredMessage()
{
    CPageFrameDefault frame;
    QVERIFY(!frame.IsCaptionEnabled());
    QCOMPARE(frame.GetCaptionBarHeight(), 0);
    QCOMPARE(frame.GetCaptionText(), std::string());
    QCOMPARE(frame.GetMessageText(), std::string());
    QCOMPARE(frame.GetMessageFormat(), 0x825u);
    QCOMPARE(CPageFrame::ToQtTextFlags(0x825), int(Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine));
}

void PageFrameTest::captionAndMessageAreas()
{
    QWidget sheet;
    CPageFrameDefault frame;
    QVERIFY(frame.CreateFrame(QRect(10, 20, 300, 200), &sheet, 0xFFFF));
    QCOMPARE(frame.objectName(), QStringLiteral("65535"));
    frame.SetCaptionBarHeight(24);

    // Off: no caption area, the message takes the whole client area.
    QVERIFY(frame.GetCaptionRect().isEmpty());
    QCOMPARE(frame.GetMessageRect(), QRect(0, 0, 300, 200));

    frame.EnableCaption(true);
    QCOMPARE(frame.GetCaptionRect(), QRect(0, 0, 300, 24));
    // One row between caption bar and message belongs to neither.
    QCOMPARE(frame.GetMessageRect(), QRect(0, 25, 300, 175));

    BareFrame bare;
    bare.CreateFrame(QRect(0, 0, 300, 200), &sheet, 1);
    bare.EnableCaption(true);
    bare.SetCaptionBarHeight(24);
    QCOMPARE(bare.GetCaptionRect(), QRect(0, 0, 300, 24));
    QCOMPARE(bare.GetMessageRect(), QRect(0, 24, 300, 176));

    // Nothing of the caption is drawn while it is off.
    frame.EnableCaption(false);
    frame.SetCaptionText("Cam1");
    const QImage off = Render(frame);
    QCOMPARE(off.pixelColor(0, 0), frame.palette().color(QPalette::Window));
}

void PageFrameTest::gradientFadesFromCaptionColourIntoBackground()
{
    QImage image(101, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter dc(&image);
    CPageFrameDefault::FillHorzGradient(dc, QRect(0, 0, 100, 10), QColor(0, 100, 200), QColor(100, 200, 0));
    dc.end();
    QCOMPARE(image.pixelColor(0, 5), QColor(0, 100, 200));
    QCOMPARE(image.pixelColor(50, 9), QColor(50, 150, 100));
    QCOMPARE(image.pixelColor(99, 0), QColor(99, 199, 2));
    // The line at the right edge itself reaches the target colour.
    QCOMPARE(image.pixelColor(100, 0), QColor(100, 200, 0));

    QImage single(1, 1, QImage::Format_RGB32);
    QPainter one(&single);
    CPageFrameDefault::FillHorzGradient(one, QRect(0, 0, 0, 1), QColor(1, 2, 3), QColor(9, 9, 9));
    one.end();
    QCOMPARE(single.pixelColor(0, 0), QColor(1, 2, 3));

    // In the frame: from the inactive caption colour to the erased background.
    CPageFrameDefault frame;
    frame.resize(200, 100);
    frame.EnableCaption(true);
    frame.SetCaptionBarHeight(20);
    const QImage painted = Render(frame);
    QCOMPARE(painted.pixelColor(0, 10), frame.InactiveCaptionColour());
    const QColor background = frame.palette().color(QPalette::Window);
    const QColor last = painted.pixelColor(199, 10);
    QVERIFY(qAbs(last.red() - background.red()) <= 2 && qAbs(last.blue() - background.blue()) <= 2);
    QCOMPARE(painted.pixelColor(100, 20), background);
}

void PageFrameTest::iconAndTextPlaces()
{
    CPageFrameDefault frame;
    frame.resize(200, 100);
    frame.EnableCaption(true);
    frame.SetCaptionBarHeight(24);
    const QRect caption = frame.GetCaptionRect();

    frame.SetCaptionText("Cam1");
    QCOMPARE(frame.GetCaptionTextRect(caption, QIcon()).left(), 2);

    const QIcon icon = SolidIcon(Qt::magenta);
    frame.SetCaptionText("Cam1", icon);
    QCOMPARE(frame.GetCaptionTextRect(caption, icon).left(), 21);
    const QImage image = Render(frame);
    // Drawn at x = 3, centred on the bar: rows 4 to 19.
    QCOMPARE(image.pixelColor(3, 4), QColor(Qt::magenta));
    QCOMPARE(image.pixelColor(18, 19), QColor(Qt::magenta));
    QVERIFY(image.pixelColor(2, 12) != QColor(Qt::magenta));
    QVERIFY(image.pixelColor(19, 12) != QColor(Qt::magenta));
    QVERIFY(image.pixelColor(10, 3) != QColor(Qt::magenta));
}

void PageFrameTest::iconIsTheFramesOwnCopy()
{
    CPageFrameDefault frame;
    frame.resize(200, 100);
    frame.EnableCaption(true);
    frame.SetCaptionBarHeight(24);
    {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::cyan);
        QIcon icon(pixmap);
        frame.SetCaptionText("Cam1", icon);
        pixmap.fill(Qt::black);
    }
    QCOMPARE(Render(frame).pixelColor(10, 12), QColor(Qt::cyan));
}

void PageFrameTest::longCaptionStaysOnOneLine()
{
    CPageFrameDefault frame;
    frame.resize(120, 100);
    frame.EnableCaption(true);
    frame.SetCaptionBarHeight(24);
    frame.SetCaptionText(std::string(200, 'W'));
    const QImage image = Render(frame);
    // Nothing of the text spills below the bar.
    const QColor background = frame.palette().color(QPalette::Window);
    for (int x = 0; x < 120; ++x)
        QCOMPARE(image.pixelColor(x, 30), background);
}

void PageFrameTest::deletingThroughTheInterfaceDeletesTheWindow()
{
    QWidget sheet;
    CPageFrame* frame = new CPageFrameDefault;
    frame->CreateFrame(QRect(0, 0, 100, 100), &sheet, 0xFFFF);
    QCOMPARE(sheet.findChildren<QWidget*>().size(), 1);
    delete frame;
    QVERIFY(sheet.findChildren<QWidget*>().isEmpty());
}

QTEST_MAIN(PageFrameTest)
#include "PageFrameTest.moc"
