#include "App/AppModel.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassSurface.h"
#include "Styling/PreviewPalettes.h"
#include "Styling/ThemeColor.h"
#include "Support/SampleData.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Transport/ResultRecords.h"
#include "Views/Banners/SyncBannerView.h"
#include "Views/SymbolLabel.h"

#include <QPainter>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

using namespace mivo;
using Outcome = test::ScriptedHelperClient::Outcome;

Q_DECLARE_METATYPE(mivo::SyncBanner::Kind)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// What lies under the banner: the window, with a band of text colour where
// the test puts one (the strokes of text the card must hide).
class Backdrop : public QWidget {
public:
    QRect band;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.fillRect(band, palette().color(QPalette::WindowText));
    }
};

// The banner in a window of its own, on a model with a scripted helper.
struct Fixture {
    test::ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;
    Backdrop window;
    SyncBannerView* banner = nullptr;

    explicit Fixture(bool reduceMotion = false)
    {
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        client = owned.get();
        model = std::make_unique<AppModel>(std::move(owned));
        GlassResolver glass;
        glass.reduceMotion = reduceMotion;
        GlassEnvironment::set(&window, glass);
        banner = new SyncBannerView(*model, &window);
        window.resize(600, 200);
        window.show();
    }

    SyncStore& sync() { return model->sync(); }
};

SyncBanner notice(SyncBanner::Kind kind, const QString& message, std::optional<QString> code = std::nullopt)
{
    return SyncBanner { kind, message, std::move(code) };
}

} // namespace

class TestSyncBannerView : public QObject {
    Q_OBJECT

private slots:
    void kinds_data()
    {
        QTest::addColumn<SyncBanner::Kind>("kind");
        QTest::addColumn<std::optional<QString>>("code");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("reconnect");
        const std::optional<QString> none;
        const std::optional<QString> expired("spotify_auth_expired");
        QTest::newRow("info") << SyncBanner::Kind::info << none << "info.circle.fill" << false;
        QTest::newRow("warning") << SyncBanner::Kind::warning << none << "exclamationmark.triangle.fill" << false;
        QTest::newRow("error") << SyncBanner::Kind::error << none << "xmark.octagon.fill" << false;
        QTest::newRow("expired Spotify sign-in") << SyncBanner::Kind::error << expired << "xmark.octagon.fill"
                                                 << true;
        QTest::newRow("another code") << SyncBanner::Kind::error << std::optional<QString>("sync_in_progress")
                                      << "xmark.octagon.fill" << false;
    }
    void kinds()
    {
        QFETCH(SyncBanner::Kind, kind);
        QFETCH(std::optional<QString>, code);
        QFETCH(QString, symbol);
        QFETCH(bool, reconnect);

        Fixture f(true);
        QVERIFY(f.banner->isHidden());
        f.sync().setBanner(notice(kind, "Something happened.", code));
        QVERIFY(f.banner->isVisible());
        QCOMPARE(f.banner->symbol(), symbol);
        QCOMPARE(f.banner->message(), QStringLiteral("Something happened."));
        QCOMPARE(f.banner->reconnectButton()->isVisibleTo(f.banner), reconnect);
        QCOMPARE(f.banner->dismissButton()->accessibleName(), QStringLiteral("Dismiss"));
    }

    // Sliding in and out, or at once when the window asks for reduced motion;
    // a banner that replaces another changes in place.
    void showsAndHides_data()
    {
        QTest::addColumn<bool>("reduceMotion");
        QTest::newRow("animated") << false;
        QTest::newRow("reduced motion") << true;
    }
    void showsAndHides()
    {
        QFETCH(bool, reduceMotion);

        Fixture f(reduceMotion);
        f.sync().setBanner(notice(SyncBanner::Kind::info, "First"));
        QVERIFY(f.banner->isVisible());
        if (reduceMotion)
            QCOMPARE(f.banner->presence(), 1.0);
        else
            QVERIFY(f.banner->presence() < 1.0);
        QTRY_COMPARE(f.banner->presence(), 1.0);

        f.sync().setBanner(notice(SyncBanner::Kind::warning, "Second"));
        QCOMPARE(f.banner->presence(), 1.0);
        QCOMPARE(f.banner->message(), QStringLiteral("Second"));

        QTest::mouseClick(f.banner->dismissButton(), Qt::LeftButton);
        QCOMPARE(f.sync().banner(), std::nullopt);
        if (!reduceMotion)
            QVERIFY(f.banner->isVisible());
        QTRY_VERIFY(f.banner->isHidden());
        QCOMPARE(f.banner->presence(), 0.0);

        // A banner set while the last one slides out comes back.
        f.sync().setBanner(notice(SyncBanner::Kind::info, "Third"));
        f.sync().setBanner(std::nullopt);
        f.sync().setBanner(notice(SyncBanner::Kind::info, "Fourth"));
        QTRY_COMPARE(f.banner->presence(), 1.0);
        QVERIFY(f.banner->isVisible());
    }

    void reconnectOpensTheSetup()
    {
        Fixture f(true);
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
        f.sync().setBanner(notice(SyncBanner::Kind::error, "Spotify sign-in expired.", "spotify_auth_expired"));
        QTest::mouseClick(f.banner->reconnectButton(), Qt::LeftButton);
        QTRY_VERIFY(f.model->isOnboardingPresented());
        QVERIFY(f.model->setupCoordinator());
        // The banner stays until it is dismissed.
        QVERIFY(f.sync().banner().has_value());
    }

    // A failure that only reports, shown over the expired sign-in, hides its
    // Reconnect; dismissing that failure brings the notice and its button back,
    // and dismissing the notice leaves nothing.
    void dismissingAPassingBannerShowsTheNoticeAgain()
    {
        Fixture f(true);
        const SyncBanner expired
            = notice(SyncBanner::Kind::error, "Spotify sign-in expired.", "spotify_auth_expired");
        f.sync().setBanner(expired);
        f.sync().setBanner(notice(SyncBanner::Kind::error, "No web browser could open mivo Help."));
        QCOMPARE(f.banner->message(), QStringLiteral("No web browser could open mivo Help."));
        QVERIFY(!f.banner->reconnectButton()->isVisibleTo(f.banner));

        QTest::mouseClick(f.banner->dismissButton(), Qt::LeftButton);
        QCOMPARE(f.sync().banner(), expired);
        QCOMPARE(f.banner->message(), expired.message);
        QVERIFY(f.banner->reconnectButton()->isVisibleTo(f.banner));
        QVERIFY(f.banner->isVisible());

        QTest::mouseClick(f.banner->dismissButton(), Qt::LeftButton);
        QCOMPARE(f.sync().banner(), std::nullopt);
        QTRY_VERIFY(f.banner->isHidden());
    }

    // The message, the symbol and the buttons share one centre line, whether
    // the message takes one line or several.
    void linesUpOnOneCentre_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<std::optional<QString>>("code");
        const std::optional<QString> expired("spotify_auth_expired");
        QTest::newRow("one line, Reconnect") << "Your Spotify sign-in has expired." << expired;
        QTest::newRow("one line") << "The sync was interrupted." << std::optional<QString>();
        QTest::newRow("wrapped, Reconnect")
            << QString("A long message that goes on. ").repeated(8) << expired;
    }
    void linesUpOnOneCentre()
    {
        QFETCH(QString, message);
        QFETCH(std::optional<QString>, code);
        Fixture f(true);
        f.sync().setBanner(notice(SyncBanner::Kind::error, message, code));
        f.banner->setGeometry(0, 0, 560, f.banner->heightForWidth(560));
        QApplication::processEvents();
        auto* card = f.banner->findChild<GlassSurface*>();
        auto* text = f.banner->findChild<QTextEdit*>();
        auto* symbol = f.banner->findChild<SymbolLabel*>();
        QVERIFY(card && text && symbol);
        const auto centreOf = [card](const QWidget* widget, qreal height) {
            return widget->mapTo(card, QPoint(0, 0)).y() + height / 2;
        };
        const qreal lines = text->document()->size().height();
        QVERIFY(lines <= text->viewport()->height());
        const qreal lineCentre = centreOf(text->viewport(), lines);
        const qreal symbolCentre = centreOf(symbol, symbol->height());
        QVERIFY2(qAbs(lineCentre - symbolCentre) <= 1,
            qPrintable(QStringLiteral("text %1, symbol %2").arg(lineCentre).arg(symbolCentre)));
        QList<QPushButton*> buttons { f.banner->dismissButton() };
        if (code)
            buttons << f.banner->reconnectButton();
        for (const QPushButton* button : buttons) {
            QVERIFY(button->isVisible());
            QVERIFY2(
                qAbs(centreOf(button, button->height()) - symbolCentre) <= 1, qPrintable(button->text()));
        }
    }

    // Nothing under the card reads through it: a stroke of text colour below
    // the card's empty middle changes the card by no more than 1.1:1, light
    // and dark.
    void hidesWhatLiesBeneath_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void hidesWhatLiesBeneath()
    {
        QFETCH(bool, dark);
        Fixture f(true);
        f.window.setPalette(dark ? PreviewPalettes::dark() : PreviewPalettes::light());
        f.sync().setBanner(notice(SyncBanner::Kind::info, "Done."));
        f.banner->setGeometry(0, 0, 560, f.banner->heightForWidth(560));
        QApplication::processEvents();
        auto* card = f.banner->findChild<GlassSurface*>();
        const QRect inWindow(card->mapTo(&f.window, QPoint(0, 0)), card->size());
        const int y = inWindow.center().y();
        // Between the short message and the close button the card holds nothing.
        const QPoint overStroke(inWindow.center().x() - 20, y);
        const QPoint overWindow(inWindow.center().x() + 20, y);
        f.window.band = QRect(overStroke - QPoint(6, 6), QSize(13, 13));
        const QImage image = f.window.grab().toImage();
        const double ratio = ThemeColor::contrast(image.pixelColor(overStroke), image.pixelColor(overWindow));
        QVERIFY2(ratio <= 1.1, qPrintable(QString::number(ratio)));
    }

    // A long message wraps: the banner grows in height, never in width.
    void longMessageWraps()
    {
        Fixture f(true);
        f.sync().setBanner(notice(SyncBanner::Kind::error, "Short."));
        const int shortHeight = f.banner->heightForWidth(400);
        f.sync().setBanner(notice(SyncBanner::Kind::error, QString("A long message that goes on. ").repeated(12)));
        QVERIFY(f.banner->heightForWidth(400) > 2 * shortHeight);
        QVERIFY(f.banner->heightForWidth(560) < f.banner->heightForWidth(400));
    }

    // A token longer than a line (a path, an address) wraps inside itself instead
    // of running out of the card; copying the message gives it as it was.
    void longTokenWraps_data()
    {
        QTest::addColumn<QString>("message");
        QTest::newRow("a path") << "Could not write " + QString("/home/dj/Music/DjayImport/").repeated(8)
                + "track.flac";
        QTest::newRow("an address") << "https://example.org/" + QString("a").repeated(300);
    }
    void longTokenWraps()
    {
        QFETCH(QString, message);
        Fixture f(true);
        f.sync().setBanner(notice(SyncBanner::Kind::error, "Short."));
        const int shortHeight = f.banner->heightForWidth(400);
        f.sync().setBanner(notice(SyncBanner::Kind::error, message));
        QCOMPARE(f.banner->message(), message);
        QVERIFY(f.banner->heightForWidth(400) > 2 * shortHeight);
        f.banner->resize(400, f.banner->heightForWidth(400));
        QApplication::processEvents();
        // Every line is inside the card.
        auto* text = f.banner->findChild<QTextEdit*>();
        QVERIFY(text);
        QVERIFY(text->document()->size().width() <= text->viewport()->width() + 1);
        QVERIFY(text->document()->size().height() <= text->viewport()->height() + 1);
    }
};

QTEST_MAIN(TestSyncBannerView)
#include "tst_syncbannerview.moc"
