#include "App/AppModel.h"
#include "Services/UpdateFramework.h"
#include "Services/UpdaterModel.h"
#include "State/OrphansStore.h"
#include "Styling/AppStyle.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/PreviewPalettes.h"
#include "Styling/ThemeColor.h"
#include "Styling/Typography.h"
#include "Support/SampleData.h"
#include "TestSupport/OnboardingHarness.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Transport/ResultRecords.h"
#include "Views/Banners/OrphansBanner.h"
#include "Views/ElidedLabel.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/SetupSheet.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsWindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyleOptionButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace mivo;
using Outcome = test::ScriptedHelperClient::Outcome;

namespace {

struct NoUpdates : UpdateFramework {
    void checkForUpdates() override { }
    bool automaticallyChecksForUpdates() const override { return false; }
    void setAutomaticallyChecksForUpdates(bool) override { }
};

// The widgets of `root` that show, with a font under the floor.
QStringList tooSmall(const QWidget& root)
{
    QStringList found;
    const auto check = [&found](const QWidget* widget) {
        const QFont font = widget->font();
        const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
        if (points < Typography::kMinimumPointSize - 0.01)
            found << QStringLiteral("%1 %2: %3 pt")
                         .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName())
                         .arg(points);
    };
    check(&root);
    for (const QWidget* widget : root.findChildren<QWidget*>()) {
        if (widget->isVisibleTo(&root))
            check(widget);
    }
    return found;
}

// The contrast of the strongest ink in `area` of `image` against the surface
// there, the colour most of the area's pixels have.
double inkContrast(const QImage& image, const QRect& area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    }
    QRgb surface = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            surface = it.key();
        }
    }
    double strongest = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        strongest = std::max(strongest, ThemeColor::contrast(QColor(it.key()), QColor(surface)));
    return strongest;
}

// The contrast of the left edge of a control drawn at `control` in `image`
// against the surface just outside it, across the control's middle.
double edgeContrast(const QImage& image, const QRect& control)
{
    const int y = control.center().y();
    const QColor outside(image.pixel(control.left() - 3, y));
    double strongest = 1;
    for (int x = control.left() - 1; x <= control.left() + 2; ++x)
        strongest = std::max(strongest, ThemeColor::contrast(QColor(image.pixel(x, y)), outside));
    return strongest;
}

QRect rectIn(const QWidget* widget, const QWidget* window, const QRect& rect)
{
    return QRect(widget->mapTo(window, rect.topLeft()), rect.size());
}

QString ratioText(const char* what, double ratio)
{
    return QStringLiteral("%1: %2 : 1").arg(QString::fromLatin1(what)).arg(ratio, 0, 'f', 2);
}

} // namespace

class TestLegibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QApplication::setStyle(new AppStyle);
        // A desktop whose body font is small, where the small styles once fell
        // under the floor.
        QFont small = QApplication::font();
        small.setPointSizeF(9);
        QApplication::setFont(small);
    }

    // No screen of the setup wizard shows text smaller than the caption floor.
    void wizardScreensHaveNoTinyText()
    {
        test::OnboardingHarness harness;
        harness.loadConfig(SampleData::sampleConfig());
        QWidget window;
        SetupSheet sheet(*harness.model, &window);
        sheet.startIfFirstLaunch();
        QTRY_VERIFY(sheet.scaffold());
        SetupScaffold* scaffold = sheet.scaffold();
        scaffold->show();
        SetupCoordinator* coordinator = scaffold->coordinator();
        for (int step = 0; step < 6; ++step) {
            QCoreApplication::processEvents();
            const QStringList found = tooSmall(*scaffold);
            QVERIFY2(found.isEmpty(),
                qPrintable(QStringLiteral("screen %1: %2")
                               .arg(int(coordinator->currentScreen()))
                               .arg(found.join(u", "))));
            if (coordinator->currentScreen() == SetupCoordinator::Screen::finish)
                break;
            coordinator->advance();
        }
        QCOMPARE(coordinator->currentScreen(), SetupCoordinator::Screen::finish);
    }

    // No pane of the Settings window shows text smaller than the caption floor.
    void settingsPanesHaveNoTinyText()
    {
        AppModel::Options options;
        options.cliTool.toolPaths = { QDir::temp().filePath(QStringLiteral("mivo-legibility/bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        owned->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
        test::ScriptedHelperClient* client = owned.get();
        AppModel model(std::move(owned), options);
        UpdaterModel updater(std::make_unique<NoUpdates>(), QStringLiteral("1.2.3"));
        SettingsWindow window(model, updater);
        window.show();
        QTRY_VERIFY(!client->sent().isEmpty());
        QTRY_VERIFY(model.settings()->config());
        for (int pane = 0; pane < window.paneCount(); ++pane) {
            window.setCurrentPane(pane);
            QCoreApplication::processEvents();
            const QStringList found = tooSmall(window);
            QVERIFY2(
                found.isEmpty(), qPrintable(QStringLiteral("pane %1: %2").arg(pane).arg(found.join(u", "))));
        }
    }

    // Tertiary text stays quieter than secondary text yet reaches 3:1 against
    // the surface it is drawn on, read from the drawn pixels, light and dark:
    // the trademark note on the General pane's card and the count of further
    // leftover files on the orphans banner.
    void tertiaryTextReachesThreeToOne_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void tertiaryTextReachesThreeToOne()
    {
        QFETCH(bool, dark);
        const QPalette palette = dark ? PreviewPalettes::dark() : PreviewPalettes::light();
        const QColor surface = palette.color(QPalette::Base);
        const auto onSurface = [&](const ThemeColor& text) {
            return ThemeColor::contrast(ThemeColor::composite(text.resolve(palette), surface), surface);
        };
        QVERIFY(onSurface(ThemeColor::tertiary()) < onSurface(ThemeColor::secondary()));
        QApplication::setPalette(palette);

        AppModel::Options options;
        options.cliTool.toolPaths = { QDir::temp().filePath(QStringLiteral("mivo-legibility/bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        owned->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
        AppModel model(std::move(owned), options);
        UpdaterModel updater(std::make_unique<NoUpdates>(), QStringLiteral("1.2.3"));
        {
            SettingsWindow window(model, updater);
            window.show();
            QTRY_VERIFY(model.settings()->config());
            QScrollArea* general = qobject_cast<QScrollArea*>(window.pane(0));
            QVERIFY(general);
            FormText* note = nullptr;
            for (FormText* text : general->findChildren<FormText*>()) {
                if (text->text().contains(QStringLiteral("trademarks")))
                    note = text;
            }
            QVERIFY(note);
            general->ensureWidgetVisible(note);
            QCoreApplication::processEvents();
            const QImage image = window.grab().toImage();
            const double ratio = inkContrast(image, rectIn(note, &window, note->contentsRect()));
            QVERIFY2(ratio >= 3.0, qPrintable(ratioText("trademark note", ratio)));
        }
        {
            QWidget window;
            GlassResolver still;
            still.reduceMotion = true;
            GlassEnvironment::set(&window, still);
            auto* banner = new OrphansBanner(model, &window);
            auto* column = new QVBoxLayout(&window);
            column->addStretch(1);
            column->addWidget(banner);
            window.resize(700, 500);
            window.show();
            QStringList files;
            for (int i = 1; i <= 12; ++i)
                files << QStringLiteral("/music/out/Track %1.flac").arg(i);
            model.orphans()->accumulate(files);
            QTest::mouseClick(banner->showButton(), Qt::LeftButton);
            QTRY_VERIFY(!banner->moreText().isEmpty());
            ElidedLabel* more = nullptr;
            for (ElidedLabel* label : banner->findChildren<ElidedLabel*>()) {
                if (label->text() == banner->moreText())
                    more = label;
            }
            QVERIFY(more);
            QTRY_VERIFY(more->isVisible() && more->height() > 0);
            const QImage image = window.grab().toImage();
            const double ratio = inkContrast(image, rectIn(more, &window, more->rect()));
            QVERIFY2(ratio >= 3.0, qPrintable(ratioText("more files", ratio)));
        }
        QApplication::setPalette(PreviewPalettes::light());
    }

    // The outlines of a text field and of a check box that is off reach 3:1
    // against the card they lie on, light and dark (the wizard's matching card).
    void outlinesReachThreeToOne_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void outlinesReachThreeToOne()
    {
        QFETCH(bool, dark);
        QApplication::setPalette(dark ? PreviewPalettes::dark() : PreviewPalettes::light());
        test::OnboardingHarness harness;
        harness.loadConfig(SampleData::sampleConfig());
        QWidget window;
        GlassResolver still;
        still.reduceMotion = true;
        GlassEnvironment::set(&window, still);
        SetupCoordinator coordinator(SetupCoordinator::Mode::reRun, harness.model.get());
        coordinator.setIdentityEnabled(true);
        auto* wizard = new SetupScaffold(coordinator, *harness.model, &window);
        window.show();
        wizard->show();
        while (coordinator.currentScreen() != SetupCoordinator::Screen::connectMusic)
            coordinator.advance();
        QCoreApplication::processEvents();
        auto* field = wizard->screenWidget()->findChild<QLineEdit*>();
        auto* box = wizard->screenWidget()->findChild<QCheckBox*>();
        QVERIFY(field && box);
        QVERIFY(!box->isChecked());
        QTRY_VERIFY(field->isVisible() && box->isVisible());
        QScrollArea* page = wizard->findChild<QScrollArea*>(QStringLiteral("screenScroll"));
        page->ensureWidgetVisible(field);
        page->ensureWidgetVisible(box);
        QCoreApplication::processEvents();
        const QImage image = wizard->grab().toImage();

        const double fieldRatio = edgeContrast(image, rectIn(field, wizard, field->rect()));
        QVERIFY2(fieldRatio >= 3.0, qPrintable(ratioText("field", fieldRatio)));
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        const double boxRatio = edgeContrast(image, rectIn(box, wizard, indicator));
        QVERIFY2(boxRatio >= 3.0, qPrintable(ratioText("check box", boxRatio)));
        QApplication::setPalette(PreviewPalettes::light());
    }
};

QTEST_MAIN(TestLegibility)
#include "tst_legibility.moc"
