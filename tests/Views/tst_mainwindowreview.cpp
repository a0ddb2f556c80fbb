#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "TestSupport/TestPaths.h"
#include "Views/Banners/OrphansBanner.h"
#include "Views/Banners/SyncBannerView.h"
#include "Views/MainWindow.h"
#include "Views/Review/ReviewInspector.h"
#include "Views/Toolbar/ToolbarButton.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace mivo;

namespace {

constexpr int kTimeoutMs = 30000;

} // namespace

// The window against the stand-in helper, as a user drives it: select, Sync,
// answer the reviews from the inspector, see the banners, trash the leftovers.
class TestMainWindowReview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        // Nothing of the user's is read or written: configuration, data and trash
        // live in a temporary home.
        for (const auto& [name, value] : std::initializer_list<std::pair<const char*, QString>> {
                 { "HOME", m_home.path() },
                 { "XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")) },
                 { "XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")) },
                 { "MIVO_HELPER_PATH", test::standInHelperPath() },
                 { "MIVO_STANDIN_CONFIG", m_home.filePath(QStringLiteral("helper.json")) },
                 { "MIVO_STANDIN_LIBRARY", QStringLiteral("2x12") },
                 { "MIVO_STANDIN_EVENT_RATE", QStringLiteral("0") } })
            qputenv(name, value.toLocal8Bit());
    }

    void syncReviewAndTrash()
    {
        AppModel::Options options;
        options.cliTool.toolPaths = { m_home.filePath(QStringLiteral("bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        AppModel model(options);
        // Set up before: the first-launch wizard stays closed.
        model.defaults().setDidOnboard(true);
        UpdaterModel updater(&model.sync());
        MainWindow window(model, updater);
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(model.library() && model.library()->loadState() == LibraryStore::LoadState::loaded(),
            kTimeoutMs);

        QSet<QString> ids;
        for (const PlaylistDTO& playlist : model.library()->playlists())
            ids.insert(playlist.id);
        model.library()->setSelection(ids);
        model.selectionChanged();

        auto* sync = window.findChild<ToolbarButton*>(QStringLiteral("syncButton"));
        auto* review = window.findChild<ToolbarButton*>(QStringLiteral("reviewButton"));
        auto* inspector = window.findChild<ReviewInspector*>();
        auto* banner = window.findChild<SyncBannerView*>();
        auto* orphans = window.findChild<OrphansBanner*>();
        QVERIFY(sync && review && inspector && banner && orphans);
        QTRY_VERIFY(sync->isEnabled());
        QTest::mouseClick(sync, Qt::LeftButton);

        // The helper reports an expired Spotify sign-in early in the run.
        QTRY_VERIFY_WITH_TIMEOUT(banner->isVisible(), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(banner->reconnectButton()->isVisible(), kTimeoutMs);

        // The run stops at every track it cannot match until the inspector answers.
        int answered = 0;
        const auto waiting = [&model](const QString& id) {
            for (const auto& track : model.sync().reviewQueue()) {
                if (track->id() == id)
                    return true;
            }
            return false;
        };
        while (true) {
            // The button follows the queue a moment later; wait for both.
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return (review->isVisible() && !model.sync().reviewQueue().isEmpty())
                        || model.sync().phase() == SyncPhase::done;
                },
                kTimeoutMs));
            if (model.sync().phase() == SyncPhase::done)
                break;
            QTest::mouseClick(review, Qt::LeftButton);
            QVERIFY(window.inspectorPane()->isVisible());
            QVERIFY(inspector->showsTrack());
            const QString decided = model.focusedReviewTrackId().value_or(QString());
            QTest::mouseClick(inspector->acceptBestButton(), Qt::LeftButton);
            ++answered;
            QTRY_VERIFY_WITH_TIMEOUT(!waiting(decided), kTimeoutMs);
        }
        QVERIFY(answered >= 2);
        QTRY_COMPARE_WITH_TIMEOUT(model.sync().phase(), SyncPhase::done, kTimeoutMs);
        QCOMPARE(model.sync().reviewCount(), 0);
        QVERIFY(model.sync().summary() && model.sync().summary()->failed < model.sync().overallTotal());

        QTRY_VERIFY_WITH_TIMEOUT(orphans->isVisible(), kTimeoutMs);
        QVERIFY(orphans->summaryText().endsWith(QLatin1String("leftover files no longer in your playlists")));
        QTest::mouseClick(orphans->trashButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!orphans->isVisible(), kTimeoutMs);
        QVERIFY(model.orphans()->paths().isEmpty());
        QCOMPARE(model.orphans()->lastError(), std::nullopt);
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(TestMainWindowReview)
#include "tst_mainwindowreview.moc"
