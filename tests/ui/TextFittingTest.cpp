#include "search_page/TextFitting.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTest>

class TextFittingTest : public QObject {
    Q_OBJECT

private slots:
    void aTextThatFitsWithItsMarginIsKept()
    {
        const QFontMetrics metrics(QApplication::font());
        const QString text = QStringLiteral("Sr0001.asf");
        const int exact = metrics.horizontalAdvance(text) + 12;
        bool shortened = true;
        QCOMPARE(FitText(metrics, text, exact, 12, &shortened), text);
        QVERIFY(!shortened);
        QCOMPARE(FitText(metrics, QString(), 0, 12, &shortened), QString());
        QVERIFY(!shortened);

        // One pixel less and the margin no longer fits.
        QVERIFY(FitText(metrics, text, exact - 1, 12, &shortened).endsWith("..."));
        QVERIFY(shortened);
    }

    void aLongTextKeepsTheLongestPrefixThatFitsWithTheEllipsis()
    {
        const QFontMetrics metrics(QApplication::font());
        const QString text = QStringLiteral("Sr20060314-100000-front-door-camera.asf");
        const int ellipsis = metrics.horizontalAdvance(QStringLiteral("..."));
        for (int available : {40, 75, 120, 200}) {
            bool shortened = false;
            const QString fitted = FitText(metrics, text, available, 4, &shortened);
            QVERIFY(shortened);
            QVERIFY(fitted.endsWith("..."));
            const QString kept = fitted.chopped(3);
            QVERIFY(text.startsWith(kept));
            QVERIFY(metrics.horizontalAdvance(kept) + ellipsis + 4 <= available);
            QVERIFY(metrics.horizontalAdvance(text.left(kept.size() + 1)) + ellipsis + 4 > available);
        }
    }

    void atLeastOneCharacterIsKeptWhateverTheWidth()
    {
        const QFontMetrics metrics(QApplication::font());
        QCOMPARE(FitText(metrics, QStringLiteral("Sr0001.asf"), 3, 12), QStringLiteral("S..."));
        QCOMPARE(FitText(metrics, QStringLiteral("W"), 1, 4), QStringLiteral("W..."));
        // A character outside the basic plane is never cut in two.
        const QString wide = QString::fromUtf8("\xF0\x9F\x8E\xA5 clip.asf");
        QCOMPARE(FitText(metrics, wide, 1, 4), wide.left(2) + "...");
    }
};

QTEST_MAIN(TextFittingTest)
#include "TextFittingTest.moc"
