#include "Styling/Material.h"
#include "Styling/PreviewPalettes.h"
#include "Styling/ThemeColor.h"

#include <QStyle>
#include <QStyleFactory>
#include <QtTest>
#include <cmath>
#include <memory>

using namespace mivo;

namespace {

double luminance(const QColor& color)
{
    const auto channel
        = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF())
        + 0.0722 * channel(color.blueF());
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

    // Secondary text reads at 4.5:1 and tertiary text at 3:1 on the window, a
    // list, a card and a card on a panel, in the application's appearances and
    // in the desktop's own palette; and tertiary stays visibly quieter. (In the
    // desktop's light palette, once, tertiary was grey 119 beside secondary's 108.)
    void secondaryAndTertiaryTextStayApart_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("light") << PreviewPalettes::light();
        QTest::newRow("dark") << PreviewPalettes::dark();
        QTest::newRow("the desktop's light palette")
            << std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion")))->standardPalette();
        QPalette black = PreviewPalettes::light();
        black.setColor(QPalette::WindowText, Qt::black);
        QTest::newRow("black text") << black;
    }
    void secondaryAndTertiaryTextStayApart()
    {
        QFETCH(QPalette, palette);
        const QColor window = palette.color(QPalette::Window);
        const QColor material = Materials::fill(Material::regular, palette);
        const QColor card = ThemeColor::composite(material, window);
        const QList<std::pair<const char*, QColor>> surfaces { { "window", window },
            { "list", palette.color(QPalette::Base) }, { "card", card },
            { "card on a panel", ThemeColor::composite(material, card) } };
        for (const auto& [name, surface] : surfaces) {
            const QColor secondary = ThemeColor::composite(ThemeColor::secondary().resolve(palette), surface);
            const QColor tertiary = ThemeColor::composite(ThemeColor::tertiary().resolve(palette), surface);
            const double secondaryRatio = contrast(secondary, surface);
            const double tertiaryRatio = contrast(tertiary, surface);
            const QString what = QStringLiteral("on the %1: secondary %2 (%3 : 1), tertiary %4 (%5 : 1)")
                                     .arg(QLatin1String(name), secondary.name())
                                     .arg(secondaryRatio, 0, 'f', 2)
                                     .arg(tertiary.name())
                                     .arg(tertiaryRatio, 0, 'f', 2);
            QVERIFY2(secondaryRatio >= 4.5, qPrintable(what));
            QVERIFY2(tertiaryRatio >= 3.0, qPrintable(what));
            QVERIFY2(secondaryRatio >= 1.3 * tertiaryRatio, qPrintable(what));
        }
    }
};

QTEST_MAIN(TestThemeColor)
#include "tst_themecolor.moc"
