#include "Styling/PreviewPalettes.h"
#include "Styling/ThemeColor.h"

#include <QtTest>
#include <cmath>

using namespace mivo;

namespace {

double luminance(const QColor& color)
{
    const auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class TestThemeColor : public QObject {
    Q_OBJECT

private slots:
    // Status texts in the standard hues and white labels on them stay legible.
    void standardHuesAreLegible_data()
    {
        QTest::addColumn<int>("name");
        QTest::addColumn<bool>("dark");
        using Named = ThemeColor::Named;
        for (const Named name : { Named::orange, Named::yellow, Named::green, Named::red }) {
            for (const bool dark : { false, true }) {
                QTest::addRow("%d %s", int(name), dark ? "dark" : "light") << int(name) << dark;
            }
        }
    }
    void standardHuesAreLegible()
    {
        QFETCH(int, name);
        QFETCH(bool, dark);
        const QPalette palette = dark ? PreviewPalettes::dark() : PreviewPalettes::light();
        const ThemeColor color = ThemeColor::named(ThemeColor::Named(name));
        const QColor text = color.resolve(palette);
        QVERIFY2(contrast(text, palette.color(QPalette::Window)) >= 4.5, qPrintable(text.name()));
        QVERIFY2(contrast(text, palette.color(QPalette::Base)) >= 4.5, qPrintable(text.name()));
        QVERIFY(contrast(Qt::white, color.resolveAsFill(palette)) >= 4.5);
    }
};

QTEST_MAIN(TestThemeColor)
#include "tst_themecolor.moc"
