#include "Styling/AppStyle.h"
#include "Styling/ButtonStyling.h"
#include "Styling/FocusRing.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/Material.h"
#include "Styling/PreviewPalettes.h"
#include "Styling/Tokens.h"
#include "Views/Onboarding/ToggleSwitch.h"
#include "Views/Settings/SwitchButton.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace mivo;

Q_DECLARE_METATYPE(ButtonStyle)
Q_DECLARE_METATYPE(ControlSize)
Q_DECLARE_METATYPE(std::optional<mivo::ThemeColor>)

namespace {

std::unique_ptr<QPushButton> makeButton(
    const QString& text, ButtonStyle style, ControlSize size = ControlSize::regular)
{
    auto button = std::make_unique<QPushButton>(text);
    button->setPalette(PreviewPalettes::light());
    ButtonStyling::setStyle(button.get(), style);
    ButtonStyling::setControlSize(button.get(), size);
    button->resize(button->sizeHint());
    return button;
}

// A pixel inside the bezel, clear of the label; or, with `corner`, the top-left
// pixel, which a borderless button's label never reaches.
QColor bezelPixel(QPushButton& button, bool corner = false)
{
    const QImage image = button.grab().toImage();
    return corner ? image.pixelColor(0, 0) : image.pixelColor(4, image.height() / 2);
}

} // namespace

class TestButtonStyle : public QObject {
    Q_OBJECT

private slots:
    void buttonsGetTheApplicationStyle()
    {
        const auto button = makeButton(QStringLiteral("Sync"), ButtonStyle::glassProminentAdaptive);
        QVERIFY(qobject_cast<AppStyle*>(button->style()));
        QCOMPARE(ButtonStyling::style(button.get()), ButtonStyle::glassProminentAdaptive);
        QPushButton plain(QStringLiteral("Plain"));
        QCOMPARE(ButtonStyling::style(&plain), std::nullopt);
        QCOMPARE(ButtonStyling::controlSize(&plain), ControlSize::regular);
        QVERIFY(plain.styleSheet().isEmpty() && button->styleSheet().isEmpty());
    }

    // Larger control sizes give larger buttons, for every bezel kind.
    void controlSizesGrow_data()
    {
        QTest::addColumn<ButtonStyle>("style");
        QTest::newRow("prominent") << ButtonStyle::glassProminentAdaptive;
        QTest::newRow("secondary") << ButtonStyle::glassAdaptive;
        QTest::newRow("bordered") << ButtonStyle::bordered;
        QTest::newRow("borderless") << ButtonStyle::borderless;
    }
    void controlSizesGrow()
    {
        QFETCH(ButtonStyle, style);
        QSize previous;
        for (const ControlSize size : { ControlSize::mini, ControlSize::small, ControlSize::regular }) {
            const QSize hint = makeButton(QStringLiteral("Keep"), style, size)->sizeHint();
            if (previous.isValid()) {
                // A borderless label is all there is; the small styles stop at the
                // same legible floor, so only the width keeps growing.
                if (style == ButtonStyle::borderless)
                    QVERIFY(hint.height() >= previous.height());
                else
                    QVERIFY2(
                        hint.height() > previous.height(), qPrintable(QStringLiteral("%1").arg(int(size))));
                QVERIFY(hint.width() > previous.width());
            }
            previous = hint;
        }
        if (style != ButtonStyle::borderless) {
            const QSize large = makeButton(QStringLiteral("Keep"), style, ControlSize::large)->sizeHint();
            QVERIFY(large.height() > previous.height());
            QCOMPARE(makeButton(QStringLiteral("Keep"), style, ControlSize::small)->sizeHint().height(), 20);
        }
    }

    void symbolTakesRoomBeforeTheTitle()
    {
        const auto plain = makeButton(QStringLiteral("Review"), ButtonStyle::bordered);
        auto withSymbol = makeButton(QStringLiteral("Review"), ButtonStyle::bordered);
        ButtonStyling::setSymbol(withSymbol.get(), QStringLiteral("exclamationmark.triangle.fill"));
        QVERIFY(withSymbol->sizeHint().width() > plain->sizeHint().width());
        // A symbol alone still makes a usable button.
        auto iconOnly = makeButton(QString(), ButtonStyle::borderless);
        ButtonStyling::setSymbol(iconOnly.get(), QStringLiteral("xmark"));
        QVERIFY(iconOnly->sizeHint().width() >= 8 && iconOnly->sizeHint().height() >= 8);
    }

    // The bezel: the tint (or the accent) for a prominent button, nothing behind a
    // borderless one; on this platform the glass styles draw their fallbacks.
    void bezelColour_data()
    {
        QTest::addColumn<ButtonStyle>("style");
        QTest::addColumn<bool>("tinted");
        QTest::addColumn<bool>("allowGlass");
        QTest::addColumn<QColor>("expected");
        const QPalette light = PreviewPalettes::light();
        const QColor red = ThemeColor::red().resolve(light);
        const QColor accent = light.color(QPalette::Highlight);
        QTest::newRow("prominent, tinted") << ButtonStyle::glassProminentAdaptive << true << false << red;
        QTest::newRow("prominent, accent") << ButtonStyle::glassProminentAdaptive << false << false << accent;
        QTest::newRow("prominent under a glass policy")
            << ButtonStyle::glassProminentAdaptive << true << true << red;
        QTest::newRow("bordered prominent") << ButtonStyle::borderedProminent << true << false << red;
        QTest::newRow("borderless shows the window")
            << ButtonStyle::borderless << true << false << light.color(QPalette::Window);
    }
    void bezelColour()
    {
        QFETCH(ButtonStyle, style);
        QFETCH(bool, tinted);
        QFETCH(bool, allowGlass);
        QFETCH(QColor, expected);
        QWidget window;
        window.setPalette(PreviewPalettes::light());
        if (allowGlass)
            GlassEnvironment::set(&window, GlassResolver { true, false, false, false });
        auto* button = new QPushButton(QStringLiteral("Move to Trash"), &window);
        ButtonStyling::setStyle(button, style);
        ButtonStyling::setControlSize(button, ControlSize::small);
        if (tinted)
            ButtonStyling::setTint(button, ThemeColor::red());
        button->resize(button->sizeHint());
        QCOMPARE(bezelPixel(*button, style == ButtonStyle::borderless).rgb(), expected.rgb());
    }

    // A prominent bezel is the accent of the appearance, deepened where white
    // would not read on it.
    void tintFollowsThePalette()
    {
        QWidget window;
        auto* button = new QPushButton(QStringLiteral("Sync"), &window);
        ButtonStyling::setStyle(button, ButtonStyle::borderedProminent);
        button->resize(button->sizeHint());
        window.setPalette(PreviewPalettes::light());
        const QColor light = bezelPixel(*button);
        window.setPalette(PreviewPalettes::dark());
        const QColor dark = bezelPixel(*button);
        QCOMPARE(light.rgb(), PreviewPalettes::light().color(QPalette::Highlight).rgb());
        QVERIFY(dark.rgb() != light.rgb());
        QCOMPARE(dark.rgb(),
            AppStyle::buttonColors(std::nullopt, ButtonRendering::borderedProminent, PreviewPalettes::dark())
                .fill.rgb());
        QVERIFY(dark.hue() >= 200 && dark.hue() <= 225);
    }

    // Every label reads at 4.5 : 1 or better on its bezel over the window, a
    // list or a card, in either appearance, for every colour a view tints a
    // button with, at rest and pressed; and the tint still shows in the label.
    void labelsReachTheirContrast_data()
    {
        QTest::addColumn<int>("rendering");
        QTest::addColumn<std::optional<ThemeColor>>("tint");
        QTest::addColumn<bool>("dark");
        const QList<std::pair<const char*, std::optional<ThemeColor>>> tints {
            { "plain", std::nullopt },
            { "accent", ThemeColor::accent() },
            { "red", ThemeColor::red() },
            { "green", ThemeColor::green() },
            { "orange", ThemeColor::orange() },
            { "secondary", ThemeColor::secondary() },
            { "apple", Tokens::Source::apple() },
            { "spotify", Tokens::Source::spotify() },
            { "soundcloud", Tokens::Source::soundcloud() },
            { "bandcamp", Tokens::Source::bandcamp() },
            { "youtube", Tokens::Source::youtube() },
            { "soulseek", Tokens::Source::soulseek() },
        };
        const QList<std::pair<const char*, ButtonRendering>> renderings {
            { "prominent", ButtonRendering::borderedProminent },
            { "bordered", ButtonRendering::bordered },
            { "borderless", ButtonRendering::borderless },
        };
        for (const auto& [renderingName, rendering] : renderings) {
            for (const auto& [tintName, tint] : tints) {
                for (const bool dark : { false, true })
                    QTest::addRow("%s %s %s", renderingName, tintName, dark ? "dark" : "light")
                        << int(rendering) << tint << dark;
            }
        }
    }
    void labelsReachTheirContrast()
    {
        QFETCH(int, rendering);
        QFETCH(std::optional<ThemeColor>, tint);
        QFETCH(bool, dark);
        const QPalette palette = dark ? PreviewPalettes::dark() : PreviewPalettes::light();
        const QColor window = palette.color(QPalette::Window);
        const QColor card = ThemeColor::composite(Materials::fill(Material::regular, palette), window);
        for (const bool pressed : { false, true }) {
            const AppStyle::ButtonColors colors = AppStyle::buttonColors(tint, ButtonRendering(rendering),
                palette, pressed && rendering != int(ButtonRendering::borderless));
            for (const QColor& behind : { window, palette.color(QPalette::Base), card }) {
                const QColor bezel = ThemeColor::composite(colors.fill, behind);
                const double ratio = ThemeColor::contrast(ThemeColor::composite(colors.label, bezel), bezel);
                QVERIFY2(ratio >= 4.5,
                    qPrintable(
                        QStringLiteral("%1 on %2: %3").arg(colors.label.name(), bezel.name()).arg(ratio)));
            }
        }
        // The role colour survives: a tinted label (or a prominent bezel) keeps the tint's hue.
        if (tint && tint->name() != ThemeColor::Named::secondary) {
            const AppStyle::ButtonColors colors
                = AppStyle::buttonColors(tint, ButtonRendering(rendering), palette);
            const QColor shown
                = rendering == int(ButtonRendering::borderedProminent) ? colors.fill : colors.label;
            const QColor role = tint->resolve(palette);
            const int difference = std::abs(shown.hue() - role.hue());
            QVERIFY2(std::min(difference, 360 - difference) <= 12,
                qPrintable(QStringLiteral("%1 for %2").arg(shown.name(), role.name())));
        }
    }

    // The keyboard's ring reads at 3 : 1 against the control's own fill and the
    // window around it, light and dark, also on a bezel of the ring's own hue:
    // a gap where the window shows separates it from the fill (a button's ring
    // takes its bezel's outer edge, a switch's lies around its track), and it
    // is the focus's own: without the focus, its pixels differ as much.
    void focusRingReadsAroundTheControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("dark");
        for (const char* control : { "prominent", "destructive prominent", "destructive", "secondary",
                 "borderless", "switch on", "switch off", "wizard switch on", "wizard switch off" }) {
            QTest::addRow("%s, light", control) << QString::fromLatin1(control) << false;
            QTest::addRow("%s, dark", control) << QString::fromLatin1(control) << true;
        }
    }
    void focusRingReadsAroundTheControl()
    {
        QFETCH(QString, control);
        QFETCH(bool, dark);
        QWidget window;
        window.setPalette(dark ? PreviewPalettes::dark() : PreviewPalettes::light());
        auto* layout = new QHBoxLayout(&window);
        layout->setContentsMargins(16, 16, 16, 16);
        auto* before = new QPushButton(QStringLiteral("Before"));
        layout->addWidget(before);
        QWidget* widget = nullptr;
        if (control.contains(u"switch")) {
            QAbstractButton* toggle = nullptr;
            if (control.startsWith(u"wizard"))
                toggle = new ToggleSwitch(QStringLiteral("Soulseek"));
            else
                toggle = new SwitchButton(QStringLiteral("Lossless only"));
            toggle->setChecked(control.endsWith(u"on"));
            widget = toggle;
        } else {
            auto* button = new QPushButton(
                control == u"prominent" ? QStringLiteral("Accept Best") : QStringLiteral("Skip"));
            ButtonStyling::setStyle(button,
                control.endsWith(u"prominent") ? ButtonStyle::glassProminentAdaptive
                    : control == u"borderless" ? ButtonStyle::borderless
                                               : ButtonStyle::glassAdaptive);
            if (control.startsWith(u"destructive"))
                ButtonStyling::setTint(button, ThemeColor::red());
            widget = button;
        }
        layout->addWidget(widget);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(before, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), widget);
        const QImage focused = widget->grab().toImage();
        QTest::keyClick(widget, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), before);
        const QImage resting = widget->grab().toImage();

        const int y = focused.height() / 2;
        const QColor surface = window.palette().color(QPalette::Window);
        const QColor ring = focused.pixelColor(1, y);
        const QColor gap = focused.pixelColor(FocusRing::kOutset - 1, y);
        const QColor fill = focused.pixelColor(FocusRing::kOutset + 1, y);
        const auto says = [&](const char* what, const QColor& a, const QColor& b) {
            return qPrintable(QStringLiteral("%1: %2 against %3, %4")
                                  .arg(QString::fromLatin1(what), a.name(), b.name())
                                  .arg(ThemeColor::contrast(a, b)));
        };
        QVERIFY2(ThemeColor::contrast(ring, surface) >= FocusRing::kContrast,
            says("ring on the window", ring, surface));
        QVERIFY2(
            ThemeColor::contrast(ring, fill) >= FocusRing::kContrast, says("ring on the fill", ring, fill));
        QVERIFY2(
            ThemeColor::contrast(gap, surface) < ThemeColor::contrast(gap, ring), says("gap", gap, surface));
        QVERIFY2(ThemeColor::contrast(ring, resting.pixelColor(1, y)) >= FocusRing::kContrast,
            says("ring against its place at rest", ring, resting.pixelColor(1, y)));
        QCOMPARE(resting.pixelColor(FocusRing::kOutset + 1, y).rgb(), fill.rgb());
    }

    // A push button nobody styled (a dialog's, say) is drawn as a bordered one,
    // not as the stock square button.
    void unstyledButtonsAreBordered()
    {
        QWidget window;
        window.setStyle(&AppStyle::shared());
        window.setPalette(PreviewPalettes::light());
        auto* plain = new QPushButton(QStringLiteral("Choose…"), &window);
        auto* bordered = new QPushButton(QStringLiteral("Choose…"), &window);
        plain->setStyle(&AppStyle::shared());
        ButtonStyling::setStyle(bordered, ButtonStyle::bordered);
        QCOMPARE(plain->sizeHint(), bordered->sizeHint());
        plain->resize(plain->sizeHint());
        bordered->resize(bordered->sizeHint());
        QCOMPARE(plain->grab().toImage(), bordered->grab().toImage());
    }
};

QTEST_MAIN(TestButtonStyle)
#include "tst_buttonstyle.moc"
