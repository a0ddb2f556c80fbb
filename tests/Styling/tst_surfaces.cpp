#include "Styling/ButtonStyling.h"
#include "Styling/ContinuousCorners.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassSurface.h"
#include "Styling/PreviewPalettes.h"
#include "Styling/SurfaceStyle.h"
#include "TestSupport/ImageDifference.h"

#include <QPainter>
#include <QThread>
#include <QVBoxLayout>
#include <QtTest>

using namespace mivo;

Q_DECLARE_METATYPE(GlassRole)
Q_DECLARE_METATYPE(GlassTier)
Q_DECLARE_METATYPE(ButtonStyle)
Q_DECLARE_METATYPE(ButtonRendering)
Q_DECLARE_METATYPE(GlassResolver)

using OptionalMaterial = std::optional<Material>;
using OptionalColor = std::optional<ThemeColor>;
using OptionalBorder = std::optional<SurfaceBorder>;
Q_DECLARE_METATYPE(OptionalMaterial)
Q_DECLARE_METATYPE(OptionalColor)
Q_DECLARE_METATYPE(OptionalBorder)

namespace {

const ThemeColor kTint = ThemeColor::fromRgb(200, 40, 40);
const OptionalBorder kThinBorder = SurfaceBorder { ThemeColor::separator().withOpacity(0.5), 0.5 };
const OptionalBorder kFirmBorder = SurfaceBorder { ThemeColor::separator().withOpacity(0.9), 1.0 };
const OptionalColor kUntinted = ThemeColor::fixed(Qt::transparent);

// `style` drawn at `at` in `size` (background, then overlay) on a transparent
// image, on the calling thread.
QImage drawn(const SurfaceStyle& style, const QPalette& palette, QPointF at, QSizeF size)
{
    QImage image(120, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    style.paintBackground(painter, QRectF(at, size), palette);
    style.paintOverlay(painter, QRectF(at, size), palette);
    return image;
}

// The same, on a thread of its own, where nothing is kept between paints.
QImage drawnAfresh(const SurfaceStyle& style, const QPalette& palette, QPointF at, QSizeF size)
{
    QImage image;
    std::unique_ptr<QThread> thread(QThread::create([&] { image = drawn(style, palette, at, size); }));
    thread->start();
    thread->wait();
    return image;
}

using test::largestDifference;

} // namespace

class TestSurfaces : public QObject {
    Q_OBJECT

private slots:
    // Every role in every tier: what lies behind the content and over it.
    void roleInTier_data()
    {
        QTest::addColumn<GlassRole>("role");
        QTest::addColumn<GlassTier>("tier");
        QTest::addColumn<qreal>("radius");
        QTest::addColumn<OptionalColor>("glassTint");
        QTest::addColumn<OptionalMaterial>("material");
        QTest::addColumn<OptionalColor>("fill");
        QTest::addColumn<OptionalColor>("overlay");
        QTest::addColumn<OptionalBorder>("border");
        const OptionalColor none;
        const OptionalMaterial noMaterial;
        const OptionalBorder noBorder;

        QTest::newRow("chrome glass") << GlassRole::chrome() << GlassTier::glass << 0.0 << kUntinted
                                      << noMaterial << none << none << noBorder;
        QTest::newRow("chrome translucent") << GlassRole::chrome() << GlassTier::translucent << 0.0 << none
                                            << OptionalMaterial(Material::bar) << none << none << noBorder;
        QTest::newRow("chrome opaque")
            << GlassRole::chrome() << GlassTier::opaque << 0.0 << none << noMaterial
            << OptionalColor(ThemeColor::windowBackground()) << none << noBorder;

        QTest::newRow("groupCard glass") << GlassRole::groupCard() << GlassTier::glass << 12.0 << kUntinted
                                         << noMaterial << none << none << noBorder;
        QTest::newRow("groupCard translucent")
            << GlassRole::groupCard() << GlassTier::translucent << 12.0 << none
            << OptionalMaterial(Material::regular) << none << none << kThinBorder;
        QTest::newRow("groupCard opaque")
            << GlassRole::groupCard() << GlassTier::opaque << 12.0 << none << noMaterial
            << OptionalColor(ThemeColor::controlBackground()) << none << kFirmBorder;

        QTest::newRow("panel glass") << GlassRole::panel() << GlassTier::glass << 16.0 << kUntinted
                                     << noMaterial << none << none << noBorder;
        QTest::newRow("panel translucent")
            << GlassRole::panel() << GlassTier::translucent << 16.0 << none
            << OptionalMaterial(Material::regular) << none << none << kThinBorder;
        QTest::newRow("panel opaque")
            << GlassRole::panel() << GlassTier::opaque << 16.0 << none << noMaterial
            << OptionalColor(ThemeColor::controlBackground()) << none << kFirmBorder;

        QTest::newRow("floating glass") << GlassRole::floating() << GlassTier::glass << 16.0 << kUntinted
                                        << noMaterial << none << none << noBorder;
        QTest::newRow("floating translucent")
            << GlassRole::floating() << GlassTier::translucent << 16.0 << none
            << OptionalMaterial(Material::thick) << none << none << kThinBorder;
        QTest::newRow("floating opaque")
            << GlassRole::floating() << GlassTier::opaque << 16.0 << none << noMaterial
            << OptionalColor(ThemeColor::windowBackground()) << none << kFirmBorder;

        QTest::newRow("chip glass") << GlassRole::chip() << GlassTier::glass << 6.0 << kUntinted << noMaterial
                                    << none << none << noBorder;
        QTest::newRow("chip translucent")
            << GlassRole::chip() << GlassTier::translucent << 6.0 << none
            << OptionalMaterial(Material::ultraThin) << none << none << kThinBorder;
        QTest::newRow("chip opaque") << GlassRole::chip() << GlassTier::opaque << 6.0 << none << noMaterial
                                     << OptionalColor(ThemeColor::quaternaryLabel()) << none << kFirmBorder;

        const GlassRole selection = GlassRole::selection(kTint);
        QTest::newRow("selection glass")
            << selection << GlassTier::glass << 6.0 << OptionalColor(kTint.withOpacity(0.5)) << noMaterial
            << none << none << noBorder;
        QTest::newRow("selection translucent")
            << selection << GlassTier::translucent << 6.0 << none << OptionalMaterial(Material::ultraThin)
            << none << OptionalColor(kTint.withOpacity(0.16)) << kThinBorder;
        QTest::newRow("selection opaque") << selection << GlassTier::opaque << 6.0 << none << noMaterial
                                          << OptionalColor(kTint.withOpacity(0.18)) << none << kFirmBorder;
    }
    void roleInTier()
    {
        QFETCH(GlassRole, role);
        QFETCH(GlassTier, tier);
        QFETCH(qreal, radius);
        QFETCH(OptionalColor, glassTint);
        QFETCH(OptionalMaterial, material);
        QFETCH(OptionalColor, fill);
        QFETCH(OptionalColor, overlay);
        QFETCH(OptionalBorder, border);
        const SurfaceStyle style = SurfaceStyle::of(role, tier);
        QCOMPARE(style.tier, tier);
        QCOMPARE(style.cornerRadius, radius);
        QCOMPARE(style.glassTint, glassTint);
        QCOMPARE(style.material, material);
        QCOMPARE(style.fill, fill);
        QCOMPARE(style.overlay, overlay);
        QCOMPARE(style.border, border);
    }

    // The shape stays inside its rectangle, keeps its middle and cuts its corners
    // for any radius, including ones larger than the rectangle or not a number.
    void continuousCorners_data()
    {
        QTest::addColumn<qreal>("radius");
        QTest::addColumn<bool>("cornerCut");
        QTest::newRow("square corners") << 0.0 << false;
        QTest::newRow("card") << 12.0 << true;
        QTest::newRow("larger than the rectangle") << 500.0 << true;
        QTest::newRow("negative") << -4.0 << false;
        QTest::newRow("not a number") << qQNaN() << false;
    }
    void continuousCorners()
    {
        QFETCH(qreal, radius);
        QFETCH(bool, cornerCut);
        const QRectF rect(10, 20, 120, 40);
        const QPainterPath shape = ContinuousCorners::path(rect, radius);
        QVERIFY(rect.adjusted(-0.001, -0.001, 0.001, 0.001).contains(shape.boundingRect()));
        QVERIFY(shape.contains(rect.center()));
        QCOMPARE(!shape.contains(rect.topLeft() + QPointF(1, 1)), cornerCut);
        QCOMPARE(!shape.contains(rect.bottomRight() - QPointF(1, 1)), cornerCut);
    }

    // A surface takes its tier from its window's policy at paint time.
    void surfaceFollowsThePolicy_data()
    {
        QTest::addColumn<GlassResolver>("policy");
        QTest::addColumn<GlassTier>("tier");
        QTest::addColumn<bool>("opaqueChrome");
        QTest::newRow("no policy") << GlassResolver::fallback() << GlassTier::translucent << false;
        QTest::newRow("glass allowed, none here")
            << GlassResolver { true, false, false, false } << GlassTier::translucent << false;
        QTest::newRow("prefers opaque")
            << GlassResolver { true, true, false, false } << GlassTier::opaque << true;
        QTest::newRow("increased contrast")
            << GlassResolver { false, false, false, true } << GlassTier::opaque << true;
    }
    void surfaceFollowsThePolicy()
    {
        QFETCH(GlassResolver, policy);
        QFETCH(GlassTier, tier);
        QFETCH(bool, opaqueChrome);
        QWidget window;
        window.setPalette(PreviewPalettes::light());
        auto* layout = new QVBoxLayout(&window);
        auto* chrome = new GlassSurface(GlassRole::chrome());
        layout->addWidget(chrome);
        chrome->setFixedSize(40, 20);
        GlassEnvironment::set(&window, policy);
        QCOMPARE(chrome->tier(), tier);
        QCOMPARE(chrome->surfaceStyle(), SurfaceStyle::of(GlassRole::chrome(), tier));

        const QImage image = chrome->grab().toImage();
        const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
        QCOMPARE(centre.alpha() == 255, opaqueChrome);
        if (opaqueChrome)
            QCOMPARE(centre.rgb(), PreviewPalettes::light().color(QPalette::Window).rgb());
    }

    // The selection tint lies over content that was added after the surface was made.
    void selectionTintCoversLaterContent()
    {
        QWidget window;
        window.setPalette(PreviewPalettes::light());
        auto* surface = new GlassSurface(GlassRole::selection(ThemeColor::fromRgb(255, 0, 0)), &window);
        surface->setFixedSize(60, 30);
        auto* content = new QWidget(surface);
        QPalette white = window.palette();
        white.setColor(QPalette::Window, Qt::white);
        content->setPalette(white);
        content->setAutoFillBackground(true);
        content->setGeometry(5, 5, 50, 20);
        window.resize(80, 40);

        const QImage image = surface->grab().toImage();
        const QColor centre = image.pixelColor(30, 15);
        QCOMPARE(centre.red(), 255);
        QVERIFY2(centre.green() < 240 && centre.blue() < 240, qPrintable(centre.name(QColor::HexArgb)));
    }

    // Surfaces repainted often are drawn from a kept picture; it must look as a
    // fresh drawing would, in every palette, size and place, the second time too.
    void keptPictureLooksLikeAFreshDrawing_data()
    {
        QTest::addColumn<GlassRole>("role");
        QTest::addColumn<GlassTier>("tier");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QSizeF>("size");
        QTest::newRow("floating, translucent, light")
            << GlassRole::floating() << GlassTier::translucent << false << QPointF(10, 10) << QSizeF(80, 36);
        QTest::newRow("floating, translucent, dark")
            << GlassRole::floating() << GlassTier::translucent << true << QPointF(10, 10) << QSizeF(80, 36);
        QTest::newRow("group card, opaque, light, wider")
            << GlassRole::groupCard() << GlassTier::opaque << false << QPointF(10, 10) << QSizeF(100, 36);
        QTest::newRow("group card, opaque, dark, moved")
            << GlassRole::groupCard() << GlassTier::opaque << true << QPointF(3, 17) << QSizeF(100, 36);
        QTest::newRow("selection, between pixels") << GlassRole::selection(kTint) << GlassTier::translucent
                                                   << false << QPointF(10.5, 10.25) << QSizeF(80, 36);
    }
    void keptPictureLooksLikeAFreshDrawing()
    {
        QFETCH(GlassRole, role);
        QFETCH(GlassTier, tier);
        QFETCH(bool, dark);
        QFETCH(QPointF, at);
        QFETCH(QSizeF, size);

        const SurfaceStyle style = SurfaceStyle::of(role, tier);
        const QPalette palette = dark ? PreviewPalettes::dark() : PreviewPalettes::light();
        const QImage fresh = drawnAfresh(style, palette, at, size);
        const QImage first = drawn(style, palette, at, size);
        const QImage second = drawn(style, palette, at, size);
        QVERIFY(
            fresh.pixelColor(int(at.x() + size.width() / 2), int(at.y() + size.height() / 2)).alpha() > 0);
        QCOMPARE(first, second);
        // Blending a kept picture rounds antialiased edges a little differently.
        const int difference = largestDifference(first, fresh);
        QVERIFY2(difference <= 8, qPrintable(QString::number(difference)));
    }

    // The adaptive buttons use the system glass only where the policy allows it
    // and the system has it; the other styles never change.
    void buttonRendering_data()
    {
        QTest::addColumn<ButtonStyle>("style");
        QTest::addColumn<GlassResolver>("policy");
        QTest::addColumn<bool>("available");
        QTest::addColumn<ButtonRendering>("rendering");
        const GlassResolver glass { true, false, false, false };
        const GlassResolver opaque { true, true, false, false };
        const GlassResolver contrast { true, false, false, true };
        const GlassResolver old = GlassResolver::fallback();
        const GlassResolver motion { true, false, true, false };
        struct Case {
            const char* name;
            ButtonStyle style;
            ButtonRendering withGlass;
            ButtonRendering otherwise;
        };
        const Case cases[] = {
            { "prominent", ButtonStyle::glassProminentAdaptive, ButtonRendering::glassProminent,
                ButtonRendering::borderedProminent },
            { "secondary", ButtonStyle::glassAdaptive, ButtonRendering::glass, ButtonRendering::bordered },
            { "bordered prominent", ButtonStyle::borderedProminent, ButtonRendering::borderedProminent,
                ButtonRendering::borderedProminent },
            { "bordered", ButtonStyle::bordered, ButtonRendering::bordered, ButtonRendering::bordered },
            { "borderless", ButtonStyle::borderless, ButtonRendering::borderless,
                ButtonRendering::borderless },
        };
        for (const Case& c : cases) {
            const QByteArray n(c.name);
            QTest::newRow(n + ", glass") << c.style << glass << true << c.withGlass;
            QTest::newRow(n + ", glass with reduce motion") << c.style << motion << true << c.withGlass;
            QTest::newRow(n + ", glass allowed but missing") << c.style << glass << false << c.otherwise;
            QTest::newRow(n + ", prefers opaque") << c.style << opaque << true << c.otherwise;
            QTest::newRow(n + ", increased contrast") << c.style << contrast << true << c.otherwise;
            QTest::newRow(n + ", older system") << c.style << old << true << c.otherwise;
        }
    }
    void buttonRendering()
    {
        QFETCH(ButtonStyle, style);
        QFETCH(GlassResolver, policy);
        QFETCH(bool, available);
        QFETCH(ButtonRendering, rendering);
        QCOMPARE(ButtonStyling::rendering(style, policy, available), rendering);
    }
};

QTEST_MAIN(TestSurfaces)
#include "tst_surfaces.moc"
