#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Styling/AccessibilityPreferences.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/ThemeColor.h"
#include "Support/UserDefaults.h"
#include "TestSupport/FixedAccessibility.h"
#include "TestSupport/Records.h"
#include "TestSupport/ScopedEnvironment.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Views/Banners/MessageText.h"
#include "Views/Banners/SyncBannerView.h"
#include "Views/ContentUnavailableView.h"
#include "Views/Detail/LibraryDetailDelegate.h"
#include "Views/Detail/LibraryDetailList.h"
#include "Views/Detail/LibraryDetailModel.h"
#include "Views/Detail/LibraryDetailView.h"
#include "Views/Detail/TrackColumns.h"
#include "Views/MainWindow.h"
#include "Views/SidebarView.h"

#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QtTest>

using namespace mivo;

namespace {

// A banner of a fixed height that wants to be as wide as it can.
class Banner : public QWidget {
public:
    QSize sizeHint() const override { return { 2000, 44 }; }
};

struct Fixture {
    QTemporaryDir folder;
    QSettingsUserDefaults defaults { folder.filePath(QStringLiteral("defaults.ini")) };
    test::FixedAccessibility accessibility;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<UpdaterModel> updater;
    int starts = 0;
    std::unique_ptr<MainWindow> window;

    explicit Fixture(bool attached = false)
    {
        model = attached ? std::make_unique<AppModel>(std::make_unique<test::ScriptedHelperClient>())
                         : std::make_unique<AppModel>();
        updater = std::make_unique<UpdaterModel>(&model->sync());
        window = std::make_unique<MainWindow>(*model, *updater,
            MainWindow::Environment { &accessibility, &defaults, [this](AppModel&) { ++starts; } });
    }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void startsTheModelOnTheFirstShowOnly()
    {
        Fixture f;
        QCOMPARE(f.window->objectName(), QStringLiteral("main"));
        QCOMPARE(f.window->size(), MainWindow::kDefaultSize);
        QCOMPARE(f.window->minimumSize(), MainWindow::kMinimumSize);
        QCOMPARE(f.starts, 0);
        f.window->show();
        QCOMPARE(f.starts, 1);
        f.window->hide();
        f.window->show();
        QCOMPARE(f.starts, 1);
    }

    // The sidebar's column waits for the library; once the helper cannot be
    // started there will be none, and the column says why instead of waiting.
    void sidebarWaitsForTheLibrary()
    {
        Fixture waiting;
        QVERIFY(!waiting.window->sidebar());
        waiting.window->show();
        ContentUnavailableView* unavailable = waiting.window->sidebarUnavailableView();
        QVERIFY(!unavailable->isVisible());
        {
            test::ScopedEnvironment environment { { "MIVO_HELPER_PATH", "/nonexistent/mivo-helper" } };
            QCoro::waitFor(waiting.model->start());
        }
        QVERIFY(waiting.model->startupError());
        QVERIFY(!waiting.model->library());
        QVERIFY(unavailable->isVisible());
        QCOMPARE(unavailable->title(), QStringLiteral("Couldn't load playlists"));
        QCOMPARE(unavailable->description(), *waiting.model->startupError());

        Fixture attached(true);
        QVERIFY(attached.window->sidebar());
    }

    void inspectorFollowsTheModelBothWays()
    {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QVERIFY(f.window->inspectorPane()->isHidden());

        f.model->setInspectorPresented(true);
        QVERIFY(f.window->inspectorPane()->isVisible());
        QCOMPARE(f.window->splitter()->sizes().at(2), MainWindow::kInspectorIdeal);

        // Dragging the pane's edge to the window's edge closes the inspector.
        QSplitterHandle* handle = f.window->splitter()->handle(2);
        const QPoint start = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, start);
        QMouseEvent move(QEvent::MouseMove, QPointF(start.x() + 400, start.y()),
            handle->mapToGlobal(QPointF(start.x() + 400, start.y())), Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(handle, &move);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(start.x() + 400, start.y()));
        QVERIFY(!f.model->isInspectorPresented());
        QVERIFY(f.window->inspectorPane()->isHidden());

        f.model->setInspectorPresented(true); // opens again at its ideal width
        QCOMPARE(f.window->splitter()->sizes().at(2), MainWindow::kInspectorIdeal);
    }

    void topBannerStaysCentredOverTheDetail()
    {
        Fixture f;
        auto* banner = new Banner;
        f.window->setTopBanner(banner);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const QWidget* detail = banner->parentWidget();
        QCOMPARE(banner->width(), MainWindow::kTopBannerMaximumWidth);
        QCOMPARE(banner->height(), 44);
        QCOMPARE(banner->geometry().center().x(), detail->rect().center().x());

        f.model->setInspectorPresented(true);
        f.window->resize(MainWindow::kMinimumSize);
        QTRY_VERIFY(banner->width() < MainWindow::kTopBannerMaximumWidth);
        QCOMPARE(banner->geometry().center().x(), detail->rect().center().x());
        QVERIFY(detail->rect().contains(banner->geometry()));
    }

    // At the window's minimum size with the review inspector open, the detail
    // column keeps what the sidebar and the inspector leave at their minimums:
    // the track table keeps its title and status, with readable widths, and the
    // sync banner over the column a readable width. Closing the inspector gives
    // the sidebar back its width.
    void minimumWindowWithTheInspectorOpen_data()
    {
        QTest::addColumn<bool>("openFirst");
        QTest::newRow("opened at the minimum size") << false;
        QTest::newRow("shrunk to the minimum size with the inspector open") << true;
    }
    void minimumWindowWithTheInspectorOpen()
    {
        QFETCH(bool, openFirst);
        Fixture f(true);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const int sidebarWidth = f.window->splitter()->sizes().at(0);
        QCOMPARE(sidebarWidth, MainWindow::kSidebarIdeal);
        QList<TrackDTO> tracks;
        for (int row = 0; row < 3; ++row)
            tracks.append(
                { QStringLiteral("pl#%1").arg(row), QStringLiteral("A Rather Long Track Title %1").arg(row),
                    QStringLiteral("Artist"), QStringLiteral("Album"), 300, ArtworkRef::none() });
        SyncStore& sync = f.model->sync();
        sync.route(test::server(ServerEvent::SyncStarted { "c", "run-1", 1 }));
        sync.route(test::server(ServerEvent::PlaylistStarted { "c", "pl", 0, "Playlist", tracks }));
        sync.setBanner(SyncBanner { SyncBanner::Kind::error,
            "Spotify sign-in has expired. Reconnect Spotify in Settings.", "spotify_auth_expired" });

        if (openFirst)
            f.model->setInspectorPresented(true);
        f.window->resize(MainWindow::kMinimumSize);
        if (!openFirst)
            f.model->setInspectorPresented(true);
        QTRY_COMPARE(f.window->width(), MainWindow::kMinimumSize.width());
        QTRY_VERIFY(f.window->inspectorPane()->width() >= MainWindow::kInspectorMinimum);

        auto* detail = qobject_cast<LibraryDetailView*>(f.window->detailView());
        QVERIFY(detail);
        LibraryDetailList& list = detail->list();
        const int trackRow = list.detailModel().trackRow(0, 0);
        const TrackColumns columns
            = LibraryDetailDelegate::columns(QRectF(list.visualRect(list.detailModel().index(trackRow))));
        QVERIFY2(
            columns.width(TrackColumns::title) >= 96, QByteArray::number(columns.width(TrackColumns::title)));
        QVERIFY2(columns.width(TrackColumns::status) >= 120,
            QByteArray::number(columns.width(TrackColumns::status)));
        QVERIFY(columns.left(TrackColumns::status) + columns.width(TrackColumns::status)
            <= list.viewport()->width());

        auto* banner = qobject_cast<SyncBannerView*>(f.window->topBanner());
        QVERIFY(banner);
        QTRY_COMPARE(banner->presence(), 1.0);
        QVERIFY(banner->reconnectButton()->isVisible());
        const auto* message = banner->findChild<MessageText*>();
        QVERIFY(message);
        // Room for a few words a line, not one.
        const int readable = message->fontMetrics().horizontalAdvance(QStringLiteral("Spotify sign-in has"));
        QVERIFY2(message->width() >= readable,
            QByteArray::number(message->width()) + " < " + QByteArray::number(readable));

        // The sidebar and the inspector have made room, down to (about) their minimums.
        QVERIFY(f.window->splitter()->sizes().at(2) < MainWindow::kInspectorIdeal);
        QVERIFY(f.window->splitter()->sizes().at(2) >= MainWindow::kInspectorMinimum);
        QVERIFY(f.window->splitter()->sizes().at(0) < MainWindow::kSidebarIdeal);

        f.model->setInspectorPresented(false);
        QTRY_COMPARE(f.window->splitter()->sizes().at(0), sidebarWidth);
    }

    // The chosen theme repaints an open window, and the Settings window too,
    // in the other palette; "system" gives the desktop's palette back.
    void themeFollowsTheStoredAppearanceLive()
    {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const QPalette desktop = QApplication::palette();
        QWidget other;
        other.show();
        const auto lightness = [&f] {
            const QImage image = f.window->grab().toImage();
            return image.pixelColor(image.width() / 2, image.height() / 2).lightness();
        };
        const int before = lightness();

        f.defaults.setAppAppearance(AppAppearance::dark);
        QTRY_VERIFY(ThemeColor::isDark(f.window->palette()));
        QTRY_VERIFY(ThemeColor::isDark(other.palette()));
        const int dark = lightness();
        QVERIFY2(dark < 100, qPrintable(QString::number(dark)));

        f.defaults.setAppAppearance(AppAppearance::light);
        QTRY_VERIFY(!ThemeColor::isDark(f.window->palette()));
        QVERIFY2(lightness() > 150, qPrintable(QString::number(lightness())));

        f.defaults.setAppAppearance(AppAppearance::system);
        QCOMPARE(QApplication::palette().color(QPalette::Window), desktop.color(QPalette::Window));
        QTRY_COMPARE(f.window->palette().color(QPalette::Window), desktop.color(QPalette::Window));
        QCOMPARE(lightness(), before);
    }

    // The limit is the banner's own width: room it keeps around itself for a
    // shadow (its contents margins) lies outside it.
    void topBannerLimitLeavesItsShadowOutside()
    {
        Fixture f;
        auto* banner = new Banner;
        banner->setContentsMargins(8, 0, 8, 10);
        f.window->setTopBanner(banner);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QCOMPARE(banner->contentsRect().width(), MainWindow::kTopBannerMaximumWidth);
        QCOMPARE(banner->geometry().center().x(), banner->parentWidget()->rect().center().x());
    }

    void reducedGlassSwitchesToOpaqueLive()
    {
        Fixture f;
        QVERIFY(GlassEnvironment::of(f.window.get()).usesTranslucency());
        f.defaults.setReduceGlassEffects(true);
        QVERIFY(!GlassEnvironment::of(f.window->inspectorPane()).usesTranslucency());
        f.defaults.setReduceGlassEffects(false);
        QVERIFY(GlassEnvironment::of(f.window->inspectorPane()).usesTranslucency());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
