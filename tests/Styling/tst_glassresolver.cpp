#include "Styling/AccessibilityPreferences.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassResolver.h"
#include "Support/UserDefaults.h"

#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

using namespace mivo;

Q_DECLARE_METATYPE(GlassTier)

namespace {

class FakeAccessibilityPreferences : public AccessibilityPreferences {
public:
    bool reduceTransparency() const override { return m_reduceTransparency; }
    bool reduceMotion() const override { return m_reduceMotion; }
    bool increaseContrast() const override { return m_increaseContrast; }

    void set(bool reduceTransparency, bool reduceMotion, bool increaseContrast)
    {
        m_reduceTransparency = reduceTransparency;
        m_reduceMotion = reduceMotion;
        m_increaseContrast = increaseContrast;
        emit changed();
    }

private:
    bool m_reduceTransparency = false;
    bool m_reduceMotion = false;
    bool m_increaseContrast = false;
};

} // namespace

class TestGlassResolver : public QObject {
    Q_OBJECT

private slots:
    // Every combination of the five inputs; the tier with and without the system
    // glass at the point of use.
    void everyCombination_data()
    {
        QTest::addColumn<bool>("osSupportsGlass");
        QTest::addColumn<bool>("reduceTransparency");
        QTest::addColumn<bool>("appReduceGlass");
        QTest::addColumn<bool>("increaseContrast");
        QTest::addColumn<bool>("reduceMotion");
        QTest::addColumn<bool>("usesGlass");
        QTest::addColumn<bool>("usesTranslucency");
        QTest::addColumn<GlassTier>("tierWithGlass");
        QTest::addColumn<GlassTier>("tierWithoutGlass");
        const auto row = [](const char* name, bool os, bool rt, bool app, bool hc, bool rm, bool glass,
                             bool translucent, GlassTier withGlass, GlassTier withoutGlass) {
            QTest::newRow(name) << os << rt << app << hc << rm << glass << translucent << withGlass
                                << withoutGlass;
        };
        row("os glass", true, false, false, false, false, true, true, GlassTier::glass,
            GlassTier::translucent);
        row("os glass, reduce motion", true, false, false, false, true, true, true, GlassTier::glass,
            GlassTier::translucent);
        row("os glass, increased contrast", true, false, false, true, false, false, false, GlassTier::opaque,
            GlassTier::opaque);
        row("os glass, increased contrast, reduce motion", true, false, false, true, true, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("os glass, reduceGlassEffects", true, false, true, false, false, false, false, GlassTier::opaque,
            GlassTier::opaque);
        row("os glass, reduceGlassEffects, reduce motion", true, false, true, false, true, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("os glass, reduceGlassEffects, increased contrast", true, false, true, true, false, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("os glass, reduceGlassEffects, increased contrast, reduce motion", true, false, true, true, true,
            false, false, GlassTier::opaque, GlassTier::opaque);
        row("os glass, reduce transparency", true, true, false, false, false, false, false, GlassTier::opaque,
            GlassTier::opaque);
        row("os glass, reduce transparency, reduce motion", true, true, false, false, true, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("os glass, reduce transparency, increased contrast", true, true, false, true, false, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("os glass, reduce transparency, increased contrast, reduce motion", true, true, false, true, true,
            false, false, GlassTier::opaque, GlassTier::opaque);
        row("os glass, reduce transparency, reduceGlassEffects", true, true, true, false, false, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("os glass, reduce transparency, reduceGlassEffects, reduce motion", true, true, true, false, true,
            false, false, GlassTier::opaque, GlassTier::opaque);
        row("os glass, reduce transparency, reduceGlassEffects, increased contrast", true, true, true, true,
            false, false, false, GlassTier::opaque, GlassTier::opaque);
        row("os glass, reduce transparency, reduceGlassEffects, increased contrast, reduce motion", true,
            true, true, true, true, false, false, GlassTier::opaque, GlassTier::opaque);
        row("nothing set", false, false, false, false, false, false, true, GlassTier::translucent,
            GlassTier::translucent);
        row("reduce motion", false, false, false, false, true, false, true, GlassTier::translucent,
            GlassTier::translucent);
        row("increased contrast", false, false, false, true, false, false, false, GlassTier::opaque,
            GlassTier::opaque);
        row("increased contrast, reduce motion", false, false, false, true, true, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("reduceGlassEffects", false, false, true, false, false, false, false, GlassTier::opaque,
            GlassTier::opaque);
        row("reduceGlassEffects, reduce motion", false, false, true, false, true, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("reduceGlassEffects, increased contrast", false, false, true, true, false, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("reduceGlassEffects, increased contrast, reduce motion", false, false, true, true, true, false,
            false, GlassTier::opaque, GlassTier::opaque);
        row("reduce transparency", false, true, false, false, false, false, false, GlassTier::opaque,
            GlassTier::opaque);
        row("reduce transparency, reduce motion", false, true, false, false, true, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("reduce transparency, increased contrast", false, true, false, true, false, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("reduce transparency, increased contrast, reduce motion", false, true, false, true, true, false,
            false, GlassTier::opaque, GlassTier::opaque);
        row("reduce transparency, reduceGlassEffects", false, true, true, false, false, false, false,
            GlassTier::opaque, GlassTier::opaque);
        row("reduce transparency, reduceGlassEffects, reduce motion", false, true, true, false, true, false,
            false, GlassTier::opaque, GlassTier::opaque);
        row("reduce transparency, reduceGlassEffects, increased contrast", false, true, true, true, false,
            false, false, GlassTier::opaque, GlassTier::opaque);
        row("reduce transparency, reduceGlassEffects, increased contrast, reduce motion", false, true, true,
            true, true, false, false, GlassTier::opaque, GlassTier::opaque);
    }
    void everyCombination()
    {
        QFETCH(bool, osSupportsGlass);
        QFETCH(bool, reduceTransparency);
        QFETCH(bool, appReduceGlass);
        QFETCH(bool, increaseContrast);
        QFETCH(bool, reduceMotion);
        QFETCH(bool, usesGlass);
        QFETCH(bool, usesTranslucency);
        QFETCH(GlassTier, tierWithGlass);
        QFETCH(GlassTier, tierWithoutGlass);

        const GlassResolver resolver = GlassResolver::resolve(
            osSupportsGlass, reduceTransparency, reduceMotion, increaseContrast, appReduceGlass);
        QCOMPARE(resolver.osSupportsGlass, osSupportsGlass);
        QCOMPARE(resolver.prefersOpaque, reduceTransparency || appReduceGlass);
        QCOMPARE(resolver.reduceMotion, reduceMotion);
        QCOMPARE(resolver.increaseContrast, increaseContrast);
        QCOMPARE(resolver.usesGlass(), usesGlass);
        QCOMPARE(resolver.usesTranslucency(), usesTranslucency);
        QCOMPARE(resolver.tier(true), tierWithGlass);
        QCOMPARE(resolver.tier(false), tierWithoutGlass);
    }

    void outsideARootIsTheFallback()
    {
        QWidget window;
        auto* child = new QWidget(&window);
        QCOMPARE(GlassEnvironment::of(child), GlassResolver::fallback());
        QCOMPARE(GlassEnvironment::of(nullptr), GlassResolver::fallback());
        QCOMPARE(GlassResolver::fallback(), (GlassResolver { false, false, false, false }));
        QCOMPARE(GlassResolver::fallback().tier(true), GlassTier::translucent);
    }

    void nearestRootWins()
    {
        QWidget window;
        auto* inner = new QWidget(&window);
        auto* leaf = new QWidget(inner);
        const GlassResolver outerPolicy { true, false, false, false };
        const GlassResolver innerPolicy { true, true, true, false };
        GlassEnvironment::set(&window, outerPolicy);
        QCOMPARE(GlassEnvironment::of(leaf), outerPolicy);
        GlassEnvironment::set(inner, innerPolicy);
        QCOMPARE(GlassEnvironment::of(leaf), innerPolicy);
        QCOMPARE(GlassEnvironment::of(&window), outerPolicy);
        // A separate window does not see either.
        QWidget other;
        QCOMPARE(GlassEnvironment::of(&other), GlassResolver::fallback());
    }

    // A root's policy goes with it: a widget made later in the same place does
    // not inherit it.
    void policyEndsWithItsRoot()
    {
        alignas(QWidget) unsigned char place[sizeof(QWidget)];
        auto* root = new (place) QWidget;
        GlassEnvironment::set(root, GlassResolver { true, true, true, true });
        QCOMPARE(GlassEnvironment::of(root), (GlassResolver { true, true, true, true }));
        root->~QWidget();

        auto* successor = new (place) QWidget;
        QCOMPARE(GlassEnvironment::of(successor), GlassResolver::fallback());
        successor->~QWidget();
    }

    // The bound policy follows the accessibility settings and the preference at once.
    void boundPolicyFollowsItsInputs()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QSettingsUserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));
        FakeAccessibilityPreferences preferences;
        QWidget window;
        auto* child = new QWidget(&window);
        GlassEnvironment::bind(&window, &preferences, &defaults);

        // There is no system glass here: the default policy is translucent.
        QCOMPARE(GlassEnvironment::of(child), GlassResolver::fallback());
        QCOMPARE(GlassEnvironment::of(child).tier(false), GlassTier::translucent);

        defaults.setReduceGlassEffects(true);
        QCOMPARE(GlassEnvironment::of(child), (GlassResolver { false, true, false, false }));
        QCOMPARE(GlassEnvironment::of(child).tier(false), GlassTier::opaque);

        defaults.setReduceGlassEffects(false);
        preferences.set(false, true, false);
        QCOMPARE(GlassEnvironment::of(child), (GlassResolver { false, false, true, false }));
        QCOMPARE(GlassEnvironment::of(child).tier(false), GlassTier::translucent);

        preferences.set(false, false, true);
        QCOMPARE(GlassEnvironment::of(child).tier(false), GlassTier::opaque);

        // Other preferences do not disturb the policy.
        defaults.setDidOnboard(true);
        QCOMPARE(GlassEnvironment::of(child), (GlassResolver { false, false, false, true }));
    }

    void bindingOutlivesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QSettingsUserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));
        FakeAccessibilityPreferences preferences;
        {
            QWidget window;
            GlassEnvironment::bind(&window, &preferences, &defaults);
        }
        // The window is gone; changes must not reach it.
        preferences.set(true, false, false);
        defaults.setReduceGlassEffects(true);
        {
            QWidget window;
            auto prefs = std::make_unique<FakeAccessibilityPreferences>();
            GlassEnvironment::bind(&window, prefs.get(), &defaults);
            prefs.reset();
            defaults.setReduceGlassEffects(false);
            QCOMPARE(GlassEnvironment::of(&window).prefersOpaque, true);
        }
    }
};

QTEST_MAIN(TestGlassResolver)
#include "tst_glassresolver.moc"
