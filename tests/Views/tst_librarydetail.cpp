#include "App/AppModel.h"
#include "Styling/AppStyle.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/Tokens.h"
#include "TestSupport/ImageDifference.h"
#include "TestSupport/ManualClock.h"
#include "TestSupport/Records.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "Transport/ResultRecords.h"
#include "Views/ArtworkLoader.h"
#include "Views/ContentUnavailableView.h"
#include "Views/Detail/DetailArtwork.h"
#include "Views/Detail/LibraryDetailDelegate.h"
#include "Views/Detail/LibraryDetailList.h"
#include "Views/Detail/LibraryDetailView.h"
#include "Views/Detail/OverallSummaryBar.h"
#include "Views/Detail/PlaylistGroupHeader.h"
#include "Views/Detail/PreviewSummaryBar.h"
#include "Views/Detail/SummaryBar.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPaintEvent>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace mivo;
using Outcome = test::ScriptedHelperClient::Outcome;
using RowKind = LibraryDetailModel::RowKind;
using Action = LibraryDetailList::StatusAction;
using Content = LibraryDetailView::Content;

Q_DECLARE_METATYPE(mivo::LibraryDetailView::State)
Q_DECLARE_METATYPE(mivo::LibraryDetailView::Content)
Q_DECLARE_METATYPE(mivo::TrackState)

using test::server;

namespace {

PlaylistDTO playlist(const QString& id, const QString& name, bool isFolder = false)
{
    return test::playlist(id, PlaylistSourceId::apple, name, isFolder);
}

QList<TrackDTO> tracks(const QString& playlistId, int count)
{
    QList<TrackDTO> list;
    for (int i = 0; i < count; ++i)
        list.append({ playlistId + u'#' + QString::number(i), QStringLiteral("Title %1").arg(i),
            QStringLiteral("Artist"), std::nullopt, 200, ArtworkRef::none() });
    return list;
}

// The model on a scripted client, its detail list shown in a window of its own.
struct Fixture {
    test::ManualClock clock;
    test::ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<LibraryDetailList> list;

    explicit Fixture(bool reduceMotion = false)
    {
        AppModel::Options options;
        options.clock = &clock;
        options.cliTool.toolPaths = {};
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        client = owned.get();
        model = std::make_unique<AppModel>(std::move(owned), options);
        list = std::make_unique<LibraryDetailList>(*model);
        GlassResolver glass;
        glass.reduceMotion = reduceMotion;
        GlassEnvironment::set(list.get(), glass);
        list->resize(900, 700);
        list->detailModel().showSync(model->sync());
        list->show();
    }

    SyncStore& sync() { return model->sync(); }
    LibraryDetailModel& rows() { return list->detailModel(); }
    void route(ServerEvent::Value event) { sync().route(server(std::move(event))); }

    // A run with one playlist per entry of `sizes`, ids "pl0", "pl1", …
    void startRun(const QList<int>& sizes)
    {
        route(ServerEvent::SyncStarted { "c", "run-1", sizes.size() });
        for (int i = 0; i < sizes.size(); ++i) {
            const QString id = QStringLiteral("pl%1").arg(i);
            route(ServerEvent::PlaylistStarted {
                "c", id, i, QStringLiteral("Playlist %1").arg(i), tracks(id, sizes[i]) });
        }
    }

    QRect rowRect(int row) const { return list->visualRect(list->detailModel().index(row)); }
    QPoint buttonCentre(int row) const
    {
        auto* delegate = static_cast<LibraryDetailDelegate*>(list->itemDelegate());
        return delegate->buttonRect(QRectF(rowRect(row)), list->detailModel().row(row)).center().toPoint();
    }
};

// The detail view of a model, shown, with its two summary bars.
struct ShownDetail {
    LibraryDetailView view;
    OverallSummaryBar* runBar;
    PreviewSummaryBar* previewBar;

    explicit ShownDetail(AppModel& model)
        : view(model)
        , runBar(view.findChild<OverallSummaryBar*>())
        , previewBar(view.findChild<PreviewSummaryBar*>())
    {
        view.resize(900, 600);
        view.show();
    }
};

// Records the regions the list's viewport paints.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* viewport) { viewport->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

QList<RowKind> kinds(const LibraryDetailModel& model)
{
    QList<RowKind> list;
    for (int row = 0; row < model.rowCount(); ++row)
        list.append(model.row(row).kind);
    return list;
}

} // namespace

class TestLibraryDetail : public QObject {
    Q_OBJECT

private slots:
    // The list as the application draws it: its scroll bar among the rest.
    void initTestCase() { QApplication::setStyle(new AppStyle); }

    // MARK: The content shown

    void priorityChain_data()
    {
        QTest::addColumn<LibraryDetailView::State>("state");
        QTest::addColumn<Content>("content");

        using State = LibraryDetailView::State;
        QTest::newRow("before the library") << State {} << Content::progress;
        QTest::newRow("start-up error before the library") << State { true } << Content::helperUnavailable;
        QTest::newRow("start-up error hides groups and selection")
            << State { true, true, true, true, true } << Content::helperUnavailable;
        QTest::newRow("run groups win over a selection")
            << State { false, true, true, true, true } << Content::sync;
        QTest::newRow("run groups without a selection")
            << State { false, true, true, true, false } << Content::sync;
        QTest::newRow("a playlist selected") << State { false, false, true, true, true } << Content::preview;
        QTest::newRow("nothing selected (or only folders)")
            << State { false, false, true, true, false } << Content::selectPlaylist;
        QTest::newRow("a selection without a preview store")
            << State { false, false, true, false, true } << Content::selectPlaylist;
        // A start waiting for the helper, or a run before its first playlist: the
        // run's bar, not an empty preview.
        QTest::newRow("a live run without groups wins over a selection")
            << State { false, false, true, true, true, true } << Content::sync;
        QTest::newRow("a live run without groups or selection")
            << State { false, false, true, true, false, true } << Content::sync;
        QTest::newRow("a start-up error hides a live run")
            << State { true, false, true, true, true, true } << Content::helperUnavailable;
    }
    void priorityChain()
    {
        QFETCH(LibraryDetailView::State, state);
        QFETCH(Content, content);
        QCOMPARE(LibraryDetailView::choose(state), content);
    }

    // The view follows the model through a session: the empty state, the preview
    // of a selection (folders and unknown ids do not count), a run's groups, and
    // the preview again once the run's results are cleared.
    void viewFollowsTheModel()
    {
        Fixture f;
        LibraryDetailView view(*f.model);
        view.resize(900, 600);
        view.show();
        QCOMPARE(view.content(), Content::selectPlaylist);
        const auto* empty = view.findChild<ContentUnavailableView*>();
        QVERIFY(view.findChildren<ContentUnavailableView*>().size() == 2);
        const QString sync = QKeySequence(Qt::CTRL | Qt::Key_R).toString(QKeySequence::NativeText);
        QVERIFY(LibraryDetailView::selectPlaylistDescription().contains(u'(' + sync + u')'));
        QVERIFY(!LibraryDetailView::selectPlaylistDescription().contains(QStringLiteral("⌘")));
        Q_UNUSED(empty);

        f.client->enqueue(Method::listPlaylists,
            Outcome::encoded(
                ListPlaylistsResult { { playlist("apple:f", "Folder", true), playlist("apple:a", "A") } }));
        test::TaskProbe<void> loaded(f.model->library()->refresh());
        QTRY_VERIFY(loaded.isDone());
        f.model->library()->setSelection({ "apple:f", "gone" });
        QCOMPARE(view.content(), Content::selectPlaylist);
        f.model->library()->setSelection({ "apple:f", "apple:a" });
        QCOMPARE(view.content(), Content::preview);
        QCOMPARE(view.list().detailModel().source(), LibraryDetailModel::Source::preview);

        f.route(ServerEvent::SyncStarted { "c", "run-1", 1 });
        f.route(ServerEvent::PlaylistStarted { "c", "gone:x", 0, "Left", tracks("gone:x", 2) });
        QCOMPARE(view.content(), Content::sync);
        QCOMPARE(view.list().detailModel().rowCount(), 4);
        // A playlist no longer in the library: the source from its id, no artwork.
        QCOMPARE(view.list().detailModel().playlistMeta("gone:x"),
            (LibraryDetailModel::PlaylistMeta { PlaylistSourceId::spotify, ArtworkRef::none() }));
        QCOMPARE(view.list().detailModel().playlistMeta("apple-ish"),
            (LibraryDetailModel::PlaylistMeta { PlaylistSourceId::apple, ArtworkRef::none() }));

        f.sync().clearResults();
        QCOMPARE(view.content(), Content::preview);
    }

    // A start waiting for the helper shows the run's bar, "Preparing…", not an
    // empty preview: with no groups on a first start, over the last run's groups
    // on a second. When that second start is cancelled before the helper
    // confirmed it, and the helper's start event has emptied the groups, the
    // selection's preview comes back.
    void startWaitingForTheHelper()
    {
        Fixture f;
        ShownDetail shown(*f.model);
        LibraryDetailView& view = shown.view;
        OverallSummaryBar* runBar = shown.runBar;
        PreviewSummaryBar* previewBar = shown.previewBar;
        QVERIFY(runBar && previewBar);

        f.client->enqueue(
            Method::listPlaylists, Outcome::encoded(ListPlaylistsResult { { playlist("apple:a", "A") } }));
        test::TaskProbe<void> loaded(f.model->library()->refresh());
        QTRY_VERIFY(loaded.isDone());
        const auto previewOfA = [&f] {
            f.client->enqueue(Method::getPlaylistTracks,
                Outcome::encoded(PreviewTracksResult { { PreviewTrackDTO {}, PreviewTrackDTO {} } }));
        };
        previewOfA();
        f.model->library()->setSelection({ "apple:a" });
        f.model->selectionChanged();
        f.clock.advance(PreviewStore::kDebounce);
        QTRY_COMPARE(previewBar->title(), QStringLiteral("1 playlist · 2 tracks"));
        QCOMPARE(view.content(), Content::preview);

        f.client->setHoldReplies(true);
        f.client->enqueue(Method::startSync, Outcome::result("{\"runId\":\"run-1\"}"));
        f.model->startSync();
        QCOMPARE(view.content(), Content::sync);
        QVERIFY(runBar->isVisibleTo(&view));
        QVERIFY(!previewBar->isVisibleTo(&view));
        QCOMPARE(runBar->title(), QStringLiteral("Preparing…"));
        QCOMPARE(view.list().detailModel().rowCount(), 0);

        f.client->setHoldReplies(false);
        f.client->release();
        f.route(ServerEvent::SyncStarted { "c", "run-1", 1 });
        QCOMPARE(runBar->title(), QStringLiteral("Syncing"));
        f.route(ServerEvent::PlaylistStarted { "c", "apple:a", 0, "A", tracks("apple:a", 2) });
        f.route(ServerEvent::SyncDone { "c", "run-1", {} });
        QCOMPARE(runBar->title(), QStringLiteral("Complete"));
        QCOMPARE(view.list().detailModel().rowCount(), 4);

        f.client->setHoldReplies(true);
        f.client->enqueue(Method::startSync, Outcome::result("{\"runId\":\"run-2\"}"));
        f.model->startSync();
        QCOMPARE(view.content(), Content::sync);
        QCOMPARE(runBar->title(), QStringLiteral("Preparing…"));
        QCOMPARE(view.list().detailModel().rowCount(), 4);
        f.model->cancelSync();
        previewOfA();
        f.route(ServerEvent::SyncStarted { "c", "run-2", 1 });
        f.client->setHoldReplies(false);
        f.client->release();
        f.clock.advance(PreviewStore::kDebounce);
        QTRY_COMPARE(view.content(), Content::preview);
        QTRY_COMPARE(previewBar->title(), QStringLiteral("1 playlist · 2 tracks"));
        QVERIFY(previewBar->isVisibleTo(&view));
        QCOMPARE(view.list().detailModel().source(), LibraryDetailModel::Source::preview);
        QTRY_COMPARE(view.list().detailModel().rowCount(), 4);
    }

    // While a preview loads or a start waits for the helper, the bar says so and
    // counts nothing: the preview's bar shows its spinner with "Loading…", the
    // run's bar its phase alone; neither says "Empty" or counts zero. Once the
    // helper has answered, the counts show.
    void waitsSayWhatIsHappening_data()
    {
        QTest::addColumn<QString>("wait");
        QTest::addColumn<Content>("content");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("counted"); // the bar's title once the helper answered
        QTest::addColumn<QString>("line"); // and its line

        QTest::newRow("a first preview loading") << "preview A" << Content::preview << "Loading…"
                                                 << "1 playlist · 2 tracks"
                                                 << "2 not downloaded";
        QTest::newRow("another selection loading over the rows of the last")
            << "preview B over A" << Content::preview << "Loading…"
            << "1 playlist · 3 tracks"
            << "3 not downloaded";
        QTest::newRow("a start waiting for the helper, no earlier groups")
            << "start" << Content::sync << "Preparing…"
            << "Syncing"
            << "0 / 2 done";
        QTest::newRow("a start cancelled before the helper confirmed it")
            << "start, cancel" << Content::preview << "Loading…"
            << "1 playlist · 2 tracks"
            << "2 not downloaded";
    }
    void waitsSayWhatIsHappening()
    {
        QFETCH(QString, wait);
        QFETCH(Content, content);
        QFETCH(QString, title);
        QFETCH(QString, counted);
        QFETCH(QString, line);
        Fixture f;
        ShownDetail d(*f.model);
        QVERIFY(d.runBar && d.previewBar);
        f.client->enqueue(Method::listPlaylists,
            Outcome::encoded(ListPlaylistsResult { { playlist("apple:a", "A"), playlist("apple:b", "B") } }));
        test::TaskProbe<void> loaded(f.model->library()->refresh());
        QTRY_VERIFY(loaded.isDone());
        const auto previewTracks = [&f](int count) {
            f.client->enqueue(Method::getPlaylistTracks,
                Outcome::encoded(PreviewTracksResult { QList<PreviewTrackDTO>(count) }));
        };
        const auto select = [&f](const char* id) {
            f.model->library()->setSelection({ QString::fromUtf8(id) });
            f.model->selectionChanged();
            f.clock.advance(PreviewStore::kDebounce);
        };
        if (wait != u"preview A") {
            previewTracks(2);
            select("apple:a");
            QTRY_COMPARE(d.previewBar->title(), QStringLiteral("1 playlist · 2 tracks"));
        }

        f.client->setHoldReplies(true);
        if (wait.startsWith(u"preview")) {
            previewTracks(wait == u"preview A" ? 2 : 3);
            select(wait == u"preview A" ? "apple:a" : "apple:b");
        } else {
            f.client->enqueue(Method::startSync, Outcome::result("{\"runId\":\"run-1\"}"));
            f.model->startSync();
            if (wait.endsWith(u"cancel")) {
                f.model->cancelSync();
                previewTracks(2);
                f.clock.advance(PreviewStore::kDebounce);
            }
        }
        QTRY_COMPARE(d.view.content(), content);
        const SummaryBar* bar = content == Content::sync ? static_cast<SummaryBar*>(d.runBar) : d.previewBar;
        QVERIFY(bar->isVisibleTo(&d.view));
        QCOMPARE(bar->title(), title);
        QCOMPARE(bar->summaryLine(), QString());
        QCOMPARE(d.previewBar->isSpinnerShown(), content == Content::preview);

        f.client->setHoldReplies(false);
        f.client->release();
        if (content == Content::sync) {
            f.route(ServerEvent::SyncStarted { "c", "run-1", 1 });
            QCOMPARE(bar->summaryLine(), QString());
            f.route(ServerEvent::PlaylistStarted { "c", "apple:a", 0, "A", tracks("apple:a", 2) });
        }
        QTRY_COMPARE(bar->title(), counted);
        QCOMPARE(bar->summaryLine(), line);
        QVERIFY(!d.previewBar->isSpinnerShown());
    }

    void helperUnavailableShowsTheErrorVerbatim()
    {
        qputenv("MIVO_HELPER_PATH", QByteArrayLiteral("/nonexistent/mivo-helper"));
        AppModel model;
        LibraryDetailView view(model);
        QCOMPARE(view.content(), Content::progress);
        test::TaskProbe<void> started(model.start());
        QTRY_VERIFY(started.isDone());
        qunsetenv("MIVO_HELPER_PATH");
        QVERIFY(model.startupError());
        QCOMPARE(view.content(), Content::helperUnavailable);
        bool found = false;
        for (const auto* page : view.findChildren<ContentUnavailableView*>())
            found |= page->title() == QStringLiteral("Helper Unavailable")
                && page->description() == *model.startupError();
        QVERIFY(found);
    }

    // MARK: Rows

    // Every group is a header, its column titles and its tracks (one empty row
    // when it has none); the rows of a table add up to its fixed height.
    void groupsBecomeRows()
    {
        Fixture f;
        f.startRun({ 0, 3 });
        QCOMPARE(kinds(f.rows()),
            (QList<RowKind> { RowKind::groupHeader, RowKind::columnTitles, RowKind::emptyTable,
                RowKind::groupHeader, RowKind::columnTitles, RowKind::track, RowKind::track,
                RowKind::track }));
        QCOMPARE(f.rows().row(7).track->id(), QStringLiteral("pl1#2"));

        for (const auto& [first, count] : { std::pair { 1, 2 }, std::pair { 4, 4 } }) {
            qreal height = 0;
            for (int row = first; row < first + count; ++row)
                height += LibraryDetailDelegate::rowHeight(f.rows().row(row));
            // Less the gap that follows the group.
            QCOMPARE(height - LibraryDetailDelegate::kOuterPadding, qreal(std::max(count - 1, 1)) * 34 + 40);
        }
    }

    // A burst of events for one track announces that track's row alone, once, and
    // only that row is painted again.
    void trackEventRepaintsItsRowOnly()
    {
        Fixture f;
        f.startRun({ 6 });
        f.route(ServerEvent::Step { "c", "pl0#2", Phase::downloading, std::nullopt });
        QVERIFY(QTest::qWaitForWindowExposed(f.list.get()));
        PaintRecorder settled(f.list->viewport());
        QTRY_VERIFY(!settled.painted.isEmpty());
        QTest::qWait(50);

        PaintRecorder recorder(f.list->viewport());
        QSignalSpy changed(&f.rows(), &QAbstractItemModel::dataChanged);
        f.route(ServerEvent::DownloadProgress {
            "c", "pl0#2", 41, QStringLiteral("8 MB"), QStringLiteral("1 MB/s") });
        f.route(ServerEvent::DownloadProgress {
            "c", "pl0#2", 42, QStringLiteral("8 MB"), QStringLiteral("1 MB/s") });
        const int row = f.rows().trackRow(0, 2);
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), row);
        QCOMPARE(changed.at(0).at(1).toModelIndex().row(), row);
        QTRY_VERIFY(!recorder.painted.isEmpty());
        QTest::qWait(20);
        QCOMPARE(recorder.painted.boundingRect() | f.rowRect(row), f.rowRect(row));

        // A change of counts also updates the group's header.
        changed.clear();
        f.route(ServerEvent::TrackFinished {
            "c", "pl0#2", Finish::ok, std::nullopt, std::nullopt, std::nullopt });
        QTRY_COMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), f.rows().headerRow(0));
        QCOMPARE(changed.at(1).at(0).toModelIndex().row(), row);
    }

    void anArrivingImageRepaintsOnlyTheRowsShowingIt()
    {
        // Loads that never end: the test says when an image arrived.
        ArtworkLoader artwork { ArtworkLoader::Source { [](const ArtworkRef&, double) { return QImage(); },
            [](ArtworkRef, double) -> QCoro::Task<QImage> { co_return QImage(); } } };
        ArtworkLoader::setShared(&artwork);
        const auto restore = qScopeGuard([] { ArtworkLoader::setShared(nullptr); });
        Fixture f;
        QList<TrackDTO> shown = tracks(QStringLiteral("pl0"), 6);
        for (int i = 0; i < shown.size(); ++i)
            shown[i].artwork = ArtworkRef::url(QUrl(QStringLiteral("https://art/%1").arg(i % 3)));
        f.route(ServerEvent::SyncStarted { "c", "run-1", 1 });
        f.route(ServerEvent::PlaylistStarted { "c", "pl0", 0, QStringLiteral("Playlist 0"), shown });
        QVERIFY(QTest::qWaitForWindowExposed(f.list.get()));
        PaintRecorder settled(f.list->viewport());
        QTRY_VERIFY(!settled.painted.isEmpty());

        // Tracks 1 and 4 show the same picture.
        PaintRecorder recorder(f.list->viewport());
        emit artwork.ready(DetailArtwork::key(shown[1].artwork, Tokens::Art::row));
        QTRY_VERIFY(!recorder.painted.isEmpty());
        const QRegion rows = QRegion(f.rowRect(f.rows().trackRow(0, 1))) + f.rowRect(f.rows().trackRow(0, 4));
        QCOMPARE(recorder.painted - rows, QRegion());
    }

    // The chevron (or Space on the header) hides the group's table and shows it
    // again: at once under reduce motion, else through a fold row that stands
    // for the whole table while it moves. Either way it ends with the same rows.
    void collapseToggle_data()
    {
        QTest::addColumn<bool>("reduceMotion");
        QTest::newRow("animated") << false;
        QTest::newRow("reduce motion") << true;
    }
    void collapseToggle()
    {
        QFETCH(bool, reduceMotion);
        Fixture f(reduceMotion);
        f.startRun({ 3, 2 });
        QCOMPARE(f.rows().rowCount(), 5 + 4);
        PlaylistGroup& first = *f.sync().groups()[0];
        const QList<RowKind> second { RowKind::groupHeader, RowKind::columnTitles, RowKind::track,
            RowKind::track };

        QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, f.buttonCentre(0));
        QVERIFY(first.isCollapsed());
        QCOMPARE(PlaylistGroupHeader::collapseLabel(first), QStringLiteral("Expand Playlist 0"));
        QCOMPARE(f.list->isFolding(), !reduceMotion);
        if (!reduceMotion) {
            QCOMPARE(kinds(f.rows()), (QList<RowKind> { RowKind::groupHeader, RowKind::fold } + second));
            QCOMPARE(f.rows().trackRow(0, 0), -1);
            QTRY_VERIFY(!f.list->isFolding());
        }
        QCOMPARE(kinds(f.rows()), (QList<RowKind> { RowKind::groupHeader } + second));
        QCOMPARE(f.rows().headerRow(1), 1);

        f.list->setFocus();
        f.list->setCurrentIndex(f.rows().index(0));
        QTest::keyClick(f.list.get(), Qt::Key_Space);
        QVERIFY(!first.isCollapsed());
        QCOMPARE(PlaylistGroupHeader::collapseLabel(first), QStringLiteral("Collapse Playlist 0"));
        QCOMPARE(f.list->isFolding(), !reduceMotion);
        QTRY_VERIFY(!f.list->isFolding());
        QCOMPARE(f.rows().rowCount(), 9);
        QCOMPARE(f.rows().trackRow(1, 1), 8);
        // The open table takes the height it had before it folded.
        QCOMPARE(f.rowRect(f.rows().headerRow(1)).top(),
            int(LibraryDetailDelegate::kOuterPadding + PlaylistGroupHeader::kHeight
                + LibraryDetailDelegate::tableSectionHeight(first) + LibraryDetailDelegate::kOuterPadding));
    }

    // A fold moves one row, however long the table: a group of 10,000 tracks
    // folds shut as a row no taller than the viewport, and the rows below it
    // keep their places in the list as it moves.
    void foldOfALongTableIsOneRow()
    {
        Fixture f;
        f.startRun({ 10000, 2 });
        QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, f.buttonCentre(0));
        QCOMPARE(f.rows().rowCount(), 2 + 4);
        const int fold = f.rows().foldRow();
        QCOMPARE(fold, 1);
        QVERIFY(f.rows().foldHeight() <= f.list->viewport()->height());
        QVERIFY(f.rows().foldHeight() > 0);
        QCOMPARE(f.rows().headerRow(1), 2);
        QTRY_VERIFY(!f.list->isFolding());
        QCOMPARE(f.rows().rowCount(), 1 + 4);
        QCOMPARE(f.rows().foldRow(), -1);
    }

    // The scroll bar lies over the list's edge: a fold that ends the overflow,
    // and the scroll bar with it, moves no card sideways, nor its button.
    void aFoldThatEndsTheOverflowMovesNoCardSideways()
    {
        Fixture f(true);
        f.startRun({ 14, 2 });
        QTRY_VERIFY(f.list->verticalScrollBar()->maximum() > 0);
        QVERIFY(f.list->verticalScrollBar()->isVisible());
        const auto secondHeader = [&f] {
            const QRect row = f.rowRect(f.rows().headerRow(1));
            return f.list->viewport()->grab(row).toImage();
        };
        const QImage before = secondHeader();
        const int widthBefore = f.list->viewport()->width();

        f.sync().groups()[0]->setCollapsed(true);
        QTRY_COMPARE(f.list->verticalScrollBar()->maximum(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(f.list->viewport()->width(), widthBefore);
        const QImage after = secondHeader();
        QCOMPARE(after.size(), before.size());
        QVERIFY2(
            test::largestDifference(before, after) == 0, "the second playlist's header moved or changed");

        // And back: the overflow returns, the card stays.
        f.sync().groups()[0]->setCollapsed(false);
        QTRY_VERIFY(f.list->verticalScrollBar()->maximum() > 0);
        QCoreApplication::processEvents();
        QCOMPARE(secondHeader(), before);
    }

    // Whatever happens while a group folds, the list ends in a state it could
    // have reached without the fold: turned back midway, a second group pressed,
    // the run's events for the folding tracks, a new run replacing the groups.
    void foldInterrupted()
    {
        Fixture f;
        f.startRun({ 4, 3 });
        PlaylistGroup& first = *f.sync().groups()[0];
        PlaylistGroup& second = *f.sync().groups()[1];

        // Turned back: the same fold opens again.
        first.setCollapsed(true);
        first.setCollapsed(false);
        QCOMPARE(f.rows().foldRow(), 1);
        QTRY_VERIFY(!f.list->isFolding());
        QCOMPARE(f.rows().rowCount(), 6 + 5);
        QCOMPARE(f.rows().trackRow(0, 3), 5);

        // A second group pressed ends the first fold where it was going.
        first.setCollapsed(true);
        f.route(ServerEvent::Step { "c", "pl0#2", Phase::downloading, std::nullopt });
        second.setCollapsed(true);
        QCOMPARE(f.rows().foldingGroup(), &second);
        QCOMPARE(
            kinds(f.rows()), (QList<RowKind> { RowKind::groupHeader, RowKind::groupHeader, RowKind::fold }));
        QTRY_VERIFY(!f.list->isFolding());
        QCOMPARE(kinds(f.rows()), (QList<RowKind> { RowKind::groupHeader, RowKind::groupHeader }));

        // Events for the tracks of a folding group reach their rows once it is open.
        QSignalSpy changed(&f.rows(), &QAbstractItemModel::dataChanged);
        first.setCollapsed(false);
        f.route(ServerEvent::DownloadProgress { "c", "pl0#2", 50, std::nullopt, std::nullopt });
        QTRY_VERIFY(!f.list->isFolding());
        changed.clear();
        f.route(ServerEvent::DownloadProgress { "c", "pl0#2", 60, std::nullopt, std::nullopt });
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), f.rows().trackRow(0, 2));
        QCOMPARE(f.rows().trackRow(0, 2), 4);

        // A new run mid-fold shows its groups as they are.
        first.setCollapsed(true);
        QVERIFY(f.list->isFolding());
        f.startRun({ 2 });
        QVERIFY(!f.list->isFolding());
        QCOMPARE(f.rows().rowCount(), 4);
        // Its groups fold as any do.
        f.sync().groups()[0]->setCollapsed(true);
        QVERIFY(f.list->isFolding());
        QTRY_VERIFY(!f.list->isFolding());
        QCOMPARE(f.rows().rowCount(), 1);
    }

    // Painted rows are read as text: a track's cells with its status, a header's
    // name, counts and progress; the row's button as its description.
    void rowsSpeakTheirContent()
    {
        Fixture f;
        f.startRun({ 2 });
        f.route(ServerEvent::DownloadProgress { "c", "pl0#0", 42, std::nullopt, std::nullopt });
        f.route(ServerEvent::NeedsReview { "c", "pl0#1", "label", std::nullopt, {} });
        const auto text = [&f](int row, int role) { return f.rows().index(row).data(role).toString(); };
        QCOMPARE(text(f.rows().trackRow(0, 0), Qt::AccessibleTextRole),
            QStringLiteral("Title 0, Artist, —, 3:20, —, —, Downloading, 42 percent"));
        QCOMPARE(text(f.rows().trackRow(0, 1), Qt::AccessibleDescriptionRole), QStringLiteral("Review"));
        QVERIFY(
            text(f.rows().trackRow(0, 1), Qt::AccessibleTextRole).endsWith(QStringLiteral("Needs review")));
        QCOMPARE(text(0, Qt::AccessibleTextRole),
            QStringLiteral("Playlist 0, 0 / 2 · 1 need review, Playlist 0 progress 0 percent"));
        QCOMPARE(text(0, Qt::AccessibleDescriptionRole), QStringLiteral("Collapse Playlist 0"));
    }

    // MARK: Row actions

    // The Status menu offers Retry always (enabled only while no run is live),
    // Review… while the track waits, and Skip only for a row of a live run.
    void statusActions_data()
    {
        QTest::addColumn<bool>("preview");
        QTest::addColumn<bool>("runEnded");
        QTest::addColumn<TrackState>("state");
        QTest::addColumn<QList<Action>>("actions");
        QTest::addColumn<bool>("retryEnabled");

        const QList<Action> plain { Action::retry, Action::copyTitle };
        QTest::newRow("live row") << false << false << TrackState::working(Phase::searching)
                                  << QList<Action> { Action::retry, Action::skip, Action::copyTitle }
                                  << false;
        QTest::newRow("live row awaiting review")
            << false << false << TrackState::awaitingReview({})
            << QList<Action> { Action::retry, Action::review, Action::skip, Action::copyTitle } << false;
        QTest::newRow("failed row of a live run")
            << false << false << TrackState::failed("No match")
            << QList<Action> { Action::retry, Action::skip, Action::copyTitle } << false;
        QTest::newRow("failed row after the run")
            << false << true << TrackState::failed("No match") << plain << true;
        QTest::newRow("preview row") << true << false << TrackState::queued() << plain << true;
    }
    void statusActions()
    {
        QFETCH(bool, preview);
        QFETCH(bool, runEnded);
        QFETCH(TrackState, state);
        QFETCH(QList<Action>, actions);
        QFETCH(bool, retryEnabled);

        Fixture f;
        f.client->enqueue(
            Method::listPlaylists, Outcome::encoded(ListPlaylistsResult { { playlist("pl0", "One") } }));
        test::TaskProbe<void> loaded(f.model->library()->refresh());
        QTRY_VERIFY(loaded.isDone());
        if (preview) {
            PreviewTrackDTO row { "pl0#0", "Title 0", "Artist", std::nullopt, 200, ArtworkRef::none(),
                OnDisk::missing, std::nullopt };
            f.client->enqueue(Method::getPlaylistTracks, Outcome::encoded(PreviewTracksResult { { row } }));
            f.model->library()->setSelection({ "pl0" });
            f.model->selectionChanged();
            f.clock.advance(PreviewStore::kDebounce);
            QTRY_COMPARE(f.model->preview()->groups().size(), 1);
            f.rows().showPreview(*f.model->preview());
        } else {
            f.startRun({ 2 });
            f.sync().groups()[0]->tracks()[0]->setState(state);
            if (runEnded)
                f.route(ServerEvent::SyncDone { "c", "run-1", {} });
        }
        const int row = f.rows().trackRow(0, 0);
        QCOMPARE(f.list->statusActions(row), actions);
        QCOMPARE(f.model->canRetry(), retryEnabled);
        QCOMPARE(f.list->isButtonEnabled(f.rows().row(row)), !state.is<TrackState::Failed>() || retryEnabled);

        std::unique_ptr<QMenu> menu(f.list->statusMenu(row));
        QStringList titles;
        for (const QAction* item : menu->actions()) {
            if (!item->isSeparator())
                titles.append(item->text());
        }
        QCOMPARE(titles.first(), QStringLiteral("Retry"));
        QCOMPARE(menu->actions().first()->isEnabled(), retryEnabled);
        QCOMPARE(titles.last(), QStringLiteral("Copy Title"));

        // Clicking a painted Retry while the run is live does nothing.
        if (state.is<TrackState::Failed>()) {
            f.client->enqueue(Method::startSync, Outcome::result("{\"runId\":\"r2\"}"));
            f.model->library()->setSelection({ "pl0" });
            QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, f.buttonCentre(row));
            QTest::qWait(0);
            QCOMPARE(f.client->sentMethods().contains(Method::startSync), retryEnabled);
        }
    }

    void reviewButtonAndCopyTitle()
    {
        Fixture f;
        f.startRun({ 3 });
        f.route(ServerEvent::NeedsReview { "c", "pl0#1", "label", std::nullopt, {} });
        const int row = f.rows().trackRow(0, 1);
        QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, f.buttonCentre(row));
        QCOMPARE(f.model->focusedReviewTrackId(), std::optional<QString>("pl0#1"));
        QVERIFY(f.model->isInspectorPresented());

        QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
        f.list->runStatusAction(row, Action::copyTitle);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Title 1"));
    }

    // MARK: Animation

    // One timer turns the spinners of the rows on screen; it stops when none
    // turns, and a spinning row scrolled out of sight does not keep it running.
    void spinnerTimerRunsOnlyForVisibleSpinners()
    {
        Fixture f;
        f.startRun({ 60 });
        QTest::qWait(0);
        QVERIFY(!f.list->isAnimating());

        f.route(ServerEvent::TrackStarted { "c", "pl0#1", 1, "one" });
        QTRY_VERIFY(f.list->isAnimating());
        f.route(ServerEvent::DiskCheck { "c", "pl0#1", DiskCheckResult::present, std::nullopt });
        QTRY_VERIFY(!f.list->isAnimating());

        f.route(ServerEvent::TrackStarted { "c", "pl0#59", 59, "last" });
        QTest::qWait(100);
        QVERIFY(!f.list->isAnimating());
        f.list->scrollToBottom();
        QTRY_VERIFY(f.list->isAnimating());
    }
};

QTEST_MAIN(TestLibraryDetail)
#include "tst_librarydetail.moc"
