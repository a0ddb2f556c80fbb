#include "Styling/Typography.h"

#include <QtTest>

using namespace mivo;

class TestTypography : public QObject {
    Q_OBJECT

private slots:
    // Desktop bodies are smaller than the 13 points the proportions are made
    // for; the small styles stop at the floor, the large ones keep growing, and
    // no style is smaller than a style meant to be smaller than it.
    void stylesStayLegible_data()
    {
        QTest::addColumn<qreal>("body");
        for (const qreal body : { 9.0, 10.0, 11.0, 13.0, 16.0 })
            QTest::addRow("body %g", body) << body;
    }
    void stylesStayLegible()
    {
        QFETCH(qreal, body);
        const QList<TextStyle> largestFirst { TextStyle::largeTitle, TextStyle::title, TextStyle::title2,
            TextStyle::title3, TextStyle::body, TextStyle::callout, TextStyle::subheadline,
            TextStyle::footnote, TextStyle::caption, TextStyle::caption2 };
        QFont base;
        base.setPointSizeF(body);
        qreal previous = 1000;
        for (const TextStyle style : largestFirst) {
            const QFont font = Typography::font(style, base);
            QVERIFY2(font.pointSizeF() >= Typography::kMinimumPointSize,
                qPrintable(QStringLiteral("style %1: %2 pt").arg(int(style)).arg(font.pointSizeF())));
            QVERIFY(font.pointSizeF() <= previous);
            previous = font.pointSizeF();
        }
        QCOMPARE(Typography::font(TextStyle::body, base).pointSizeF(), body);
        QVERIFY(Typography::font(TextStyle::title, base).pointSizeF() > body);
        if (body >= 13)
            QCOMPARE(Typography::font(TextStyle::caption, base).pointSizeF(), body * 10 / 13);
    }
};

QTEST_MAIN(TestTypography)
#include "tst_typography.moc"
