#include "Styling/ExpandSpring.h"

#include <QtTest>

using namespace mivo;

class TestExpandSpring : public QObject {
    Q_OBJECT

private slots:
    // The fold as the views play it: from where it starts to exactly where it
    // ends, most of the way within half the response, and at rest by the
    // response itself.
    void curveOverTime_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("least");
        QTest::addColumn<double>("most");

        QTest::newRow("starts at 0") << 0.0 << 0.0 << 0.0;
        QTest::newRow("under way, far from rest, at 0.1 s") << 0.1 << 0.3 << 0.5;
        QTest::newRow("most of the way at 0.25 s") << 0.25 << 0.85 << 0.95;
        QTest::newRow("within 1 % of rest at 0.5 s") << 0.5 << 0.99 << 1.01;
        QTest::newRow("exactly at rest at the end") << ExpandSpring::kDurationMs / 1000.0 << 1.0 << 1.0;
    }
    void curveOverTime()
    {
        QFETCH(double, seconds);
        QFETCH(double, least);
        QFETCH(double, most);
        const double value
            = ExpandSpring::curve().valueForProgress(seconds * 1000 / ExpandSpring::kDurationMs);
        QVERIFY2(value >= least && value <= most, qPrintable(QString::number(value, 'g', 17)));
    }

    // Neither the curve nor the spring itself goes back past its start or
    // overshoots its rest by 1 % or more, and the spring comes to rest.
    void overshootIsBounded()
    {
        const QEasingCurve curve = ExpandSpring::curve();
        for (int step = 0; step <= 1000; ++step) {
            const double value = curve.valueForProgress(step / 1000.0);
            QVERIFY2(value >= 0 && value < 1.01, qPrintable(QStringLiteral("%1 at %2").arg(value).arg(step)));
        }
        for (int ms = 0; ms <= 3000; ++ms) {
            const double value = ExpandSpring::position(ms / 1000.0);
            QVERIFY2(
                value >= 0 && value < 1.01, qPrintable(QStringLiteral("%1 at %2 ms").arg(value).arg(ms)));
        }
        QVERIFY(qAbs(ExpandSpring::position(3.0) - 1) < 1e-6);
    }
};

QTEST_APPLESS_MAIN(TestExpandSpring)
#include "tst_expandspring.moc"
