#include "State/PlaylistGroup.h"
#include "State/TrackModel.h"

#include <QSignalSpy>
#include <QtTest>

using namespace mivo;

Q_DECLARE_METATYPE(mivo::TrackState)
Q_DECLARE_METATYPE(mivo::StatusRole)
Q_DECLARE_METATYPE(std::optional<mivo::TrackMeta>)
Q_DECLARE_METATYPE(mivo::PreviewTrackDTO)

namespace {

const TrackMeta kFlac { QStringLiteral("FLAC"), std::nullopt, std::nullopt };
const TrackMeta kMp3 { QStringLiteral("MP3"), QStringLiteral("320"), QStringLiteral("soulseek") };

CandidateDTO candidate(const QString& id)
{
    return { id, QStringLiteral("Title"), QStringLiteral("slsk"), 540, std::nullopt, std::nullopt,
        std::nullopt, 0.42, std::nullopt, std::nullopt };
}

std::shared_ptr<TrackModel> queuedRow(int row)
{
    return std::make_shared<TrackModel>(
        QStringLiteral("p#%1").arg(row), QStringLiteral("Title"), QStringLiteral("Artist"), 300);
}

std::shared_ptr<PlaylistGroup> groupOf(qsizetype rows)
{
    QList<std::shared_ptr<TrackModel>> tracks;
    for (int i = 0; i < rows; ++i)
        tracks.append(queuedRow(i));
    return std::make_shared<PlaylistGroup>(QStringLiteral("p"), QStringLiteral("Playlist"), 0, tracks);
}

// "completed/active/review/failed of total"
QString countsText(const PlaylistGroup& group)
{
    return QStringLiteral("%1/%2/%3/%4 of %5")
        .arg(group.completed())
        .arg(group.activeCount())
        .arg(group.reviewCount())
        .arg(group.failedCount())
        .arg(group.total());
}

} // namespace

class TestTrackModel : public QObject {
    Q_OBJECT

private slots:
    // What a row shows in each state, and what it adds to its group's counts; the
    // counts must come back when the row leaves that state again.
    void stateDecidesRoleProgressAndCounts_data()
    {
        QTest::addColumn<TrackState>("state");
        QTest::addColumn<StatusRole>("role");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<double>("progress"); // -1: no progress fraction
        QTest::addColumn<std::optional<TrackMeta>>("meta");
        QTest::addColumn<QString>("counts");

        const auto none = std::optional<TrackMeta>();
        QTest::newRow("queued") << TrackState::queued() << StatusRole::queued << false << 0.0 << none
                                << "0/0/0/0 of 1";
        QTest::newRow("checking disk")
            << TrackState::checkingDisk() << StatusRole::working << false << -1.0 << none << "0/1/0/0 of 1";
        QTest::newRow("searching") << TrackState::working(Phase::searching) << StatusRole::working << false
                                   << -1.0 << none << "0/1/0/0 of 1";
        QTest::newRow("downloading") << TrackState::working(Phase::downloading, QStringLiteral("slsk"))
                                     << StatusRole::working << false << 0.25 << none << "0/1/0/0 of 1";
        QTest::newRow("awaiting review") << TrackState::awaitingReview({ candidate("c1") })
                                         << StatusRole::review << false << -1.0 << none << "0/0/1/0 of 1";
        QTest::newRow("present with meta") << TrackState::present(kFlac) << StatusRole::present << true << 1.0
                                           << std::optional(kFlac) << "1/0/0/0 of 1";
        QTest::newRow("present without meta") << TrackState::present(std::nullopt) << StatusRole::present
                                              << true << 1.0 << none << "1/0/0/0 of 1";
        QTest::newRow("done ok") << TrackState::done(Finish::ok, kMp3) << StatusRole::done << true << 1.0
                                 << std::optional(kMp3) << "1/0/0/0 of 1";
        QTest::newRow("done low confidence")
            << TrackState::done(Finish::lowConfidence, kFlac) << StatusRole::review << true << 1.0
            << std::optional(kFlac) << "1/0/0/0 of 1";
        QTest::newRow("done failed") << TrackState::done(Finish::failed, std::nullopt) << StatusRole::failed
                                     << true << 1.0 << none << "1/0/0/1 of 1";
        QTest::newRow("done skipped") << TrackState::done(Finish::skipped, std::nullopt)
                                      << StatusRole::skipped << true << 1.0 << none << "1/0/0/0 of 1";
        QTest::newRow("failed") << TrackState::failed(QStringLiteral("No match")) << StatusRole::failed
                                << true << -1.0 << none << "1/0/0/1 of 1";
    }
    void stateDecidesRoleProgressAndCounts()
    {
        QFETCH(TrackState, state);
        QFETCH(StatusRole, role);
        QFETCH(bool, finished);
        QFETCH(double, progress);
        QFETCH(std::optional<TrackMeta>, meta);
        QFETCH(QString, counts);

        const auto group = groupOf(1);
        TrackModel& row = *group->tracks().front();
        row.setDownloadFraction(0.25);
        row.setState(state);

        QCOMPARE(row.statusRole(), role);
        QCOMPARE(row.isFinished(), finished);
        QCOMPARE(row.progressFraction().value_or(-1.0), progress);
        QVERIFY(row.displayMeta() == meta);
        QCOMPARE(countsText(*group), counts);
        QCOMPARE(group->fraction(), finished ? 1.0 : 0.0);

        row.setState(TrackState::queued());
        QCOMPARE(countsText(*group), QStringLiteral("0/0/0/0 of 1"));
    }

    void groupCountsOverRows_data()
    {
        QTest::addColumn<QList<TrackState>>("states");
        QTest::addColumn<QString>("counts");
        QTest::addColumn<double>("fraction");

        QTest::newRow("no rows") << QList<TrackState> {} << "0/0/0/0 of 0" << 0.0;
        QTest::newRow("all queued") << QList<TrackState> { TrackState::queued(), TrackState::queued() }
                                    << "0/0/0/0 of 2" << 0.0;
        QTest::newRow("mixed") << QList<TrackState> { TrackState::present(std::nullopt),
            TrackState::done(Finish::failed, std::nullopt), TrackState::failed(QStringLiteral("x")),
            TrackState::awaitingReview({}), TrackState::checkingDisk(), TrackState::queued(),
            TrackState::working(Phase::tagging), TrackState::done(Finish::lowConfidence, std::nullopt) }
                               << "4/2/1/2 of 8" << 0.5;
        QTest::newRow("one of three") << QList<TrackState> { TrackState::done(Finish::skipped, std::nullopt),
            TrackState::queued(), TrackState::queued() }
                                      << "1/0/0/0 of 3" << 1.0 / 3.0;
    }
    void groupCountsOverRows()
    {
        QFETCH(QList<TrackState>, states);
        QFETCH(QString, counts);
        QFETCH(double, fraction);

        // Rows that already carry their state when the group is made, and rows that
        // reach it afterwards, count the same.
        QList<std::shared_ptr<TrackModel>> prepared;
        for (qsizetype i = 0; i < states.size(); ++i) {
            prepared.append(queuedRow(int(i)));
            prepared.back()->setState(states[i]);
        }
        const PlaylistGroup built(QStringLiteral("p"), QStringLiteral("P"), 0, prepared);
        QCOMPARE(countsText(built), counts);
        QCOMPARE(built.fraction(), fraction);

        const auto changed = groupOf(states.size());
        for (qsizetype i = 0; i < states.size(); ++i) {
            changed->tracks()[i]->setState(TrackState::checkingDisk());
            changed->tracks()[i]->setState(states[i]);
        }
        QCOMPARE(countsText(*changed), counts);
        QCOMPARE(changed->fraction(), fraction);
    }

    // Progress inside one category must not announce new counts; only a change of
    // category does.
    void countsAnnouncedOnlyWhenTheyChange()
    {
        const auto group = groupOf(2);
        QSignalSpy counts(group.get(), &PlaylistGroup::countsChanged);
        TrackModel& row = *group->tracks().front();

        row.setState(TrackState::working(Phase::searching));
        QCOMPARE(counts.count(), 1);
        row.setState(TrackState::working(Phase::downloading));
        row.setDownloadFraction(0.5);
        row.setState(TrackState::working(Phase::tagging, QStringLiteral("id3")));
        QCOMPARE(counts.count(), 1);
        row.setState(TrackState::done(Finish::ok, std::nullopt));
        QCOMPARE(counts.count(), 2);
        row.setState(TrackState::done(Finish::skipped, std::nullopt));
        QCOMPARE(counts.count(), 2);
        row.setState(TrackState::done(Finish::failed, std::nullopt));
        QCOMPARE(counts.count(), 3);
    }

    // A burst of changes is announced once per turn, each changed row once, in row
    // order; a row that outlives its group changes without telling anyone.
    void changedRowsAnnouncedOncePerTurn()
    {
        auto group = groupOf(4);
        QSignalSpy rows(group.get(), &PlaylistGroup::rowsChanged);
        TrackModel& third = *group->tracks()[2];
        third.setState(TrackState::working(Phase::downloading));
        third.setDownloadFraction(0.4);
        third.setProgressDetail(QStringLiteral("40%"));
        group->tracks()[0]->setDiskResult(DiskCheckResult::missing);
        third.setDownloadFraction(0.5);
        QCOMPARE(rows.count(), 0);

        QVERIFY(rows.wait());
        QCOMPARE(rows.count(), 1);
        QCOMPARE(rows.at(0).at(0).value<QList<qsizetype>>(), (QList<qsizetype> { 0, 2 }));

        third.setDownloadFraction(0.6);
        QVERIFY(rows.wait());
        QCOMPARE(rows.at(1).at(0).value<QList<qsizetype>>(), QList<qsizetype> { 2 });

        const std::shared_ptr<TrackModel> kept = group->tracks()[1];
        third.setDownloadFraction(0.7); // pending when the group goes
        group.reset();
        kept->setState(TrackState::present(std::nullopt));
        QTest::qWait(0);
        QCOMPARE(kept->statusRole(), StatusRole::present);
    }

    void previewRowStartsFromDiskFlag_data()
    {
        QTest::addColumn<PreviewTrackDTO>("preview");
        QTest::addColumn<TrackState>("state");
        QTest::addColumn<DiskCheckResult>("disk");
        QTest::addColumn<qint64>("completed");

        const PreviewTrackDTO onDisk { QStringLiteral("p#0"), QStringLiteral("Night Drive"),
            QStringLiteral("Aurora Lane"), QStringLiteral("Coastline"), 258, ArtworkRef::none(),
            OnDisk::present, kFlac };
        PreviewTrackDTO missing = onDisk;
        missing.onDisk = OnDisk::missing;
        missing.meta = std::nullopt;
        QTest::newRow("on disk") << onDisk << TrackState::present(kFlac) << DiskCheckResult::present
                                 << qint64(1);
        QTest::newRow("missing") << missing << TrackState::queued() << DiskCheckResult::missing << qint64(0);
    }
    void previewRowStartsFromDiskFlag()
    {
        QFETCH(PreviewTrackDTO, preview);
        QFETCH(TrackState, state);
        QFETCH(DiskCheckResult, disk);
        QFETCH(qint64, completed);

        const auto row = std::make_shared<TrackModel>(preview);
        QCOMPARE(row->id(), preview.id);
        QVERIFY(row->dto() == preview.track());
        QVERIFY(row->state() == state);
        QCOMPARE(row->diskResult(), std::optional(disk));
        QCOMPARE(row->downloadFraction(), 0.0);
        QCOMPARE(row->progressDetail(), std::nullopt);

        const PlaylistGroup group(QStringLiteral("p"), QStringLiteral("P"), 3, { row });
        QCOMPARE(group.completed(), completed);
    }

    // Writing the value a property already holds notifies nobody; a new value notifies
    // its own signal once, and a row's `changed` once.
    void writesNotifyOnlyOnChange_data()
    {
        QTest::addColumn<bool>("onGroup");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("same");
        QTest::addColumn<QVariant>("other");

        QTest::newRow("state") << false << QByteArray("state") << QVariant::fromValue(TrackState::queued())
                               << QVariant::fromValue(TrackState::working(Phase::searching));
        QTest::newRow("state payload")
            << false << QByteArray("state") << QVariant::fromValue(TrackState::queued())
            << QVariant::fromValue(TrackState::present(kFlac));
        QTest::newRow("download fraction")
            << false << QByteArray("downloadFraction") << QVariant(0.0) << QVariant(0.5);
        QTest::newRow("progress detail")
            << false << QByteArray("progressDetail") << QVariant::fromValue(std::optional<QString>())
            << QVariant::fromValue(std::optional(QStringLiteral("50%")));
        QTest::newRow("disk result") << false << QByteArray("diskResult")
                                     << QVariant::fromValue(std::optional<DiskCheckResult>())
                                     << QVariant::fromValue(std::optional(DiskCheckResult::broken));
        QTest::newRow("status") << true << QByteArray("status")
                                << QVariant::fromValue(std::optional<Finish>())
                                << QVariant::fromValue(std::optional(Finish::lowConfidence));
        QTest::newRow("orphan paths")
            << true << QByteArray("orphanPaths") << QVariant::fromValue(QList<QString>())
            << QVariant::fromValue(QList<QString> { QStringLiteral("/a.mp3") });
        QTest::newRow("collapsed") << true << QByteArray("isCollapsed") << QVariant(false) << QVariant(true);
    }
    void writesNotifyOnlyOnChange()
    {
        QFETCH(bool, onGroup);
        QFETCH(QByteArray, property);
        QFETCH(QVariant, same);
        QFETCH(QVariant, other);

        const auto group = groupOf(1);
        QObject* object = onGroup ? static_cast<QObject*>(group.get()) : group->tracks().front().get();
        const QMetaProperty meta
            = object->metaObject()->property(object->metaObject()->indexOfProperty(property));
        QVERIFY(meta.isValid());
        QSignalSpy notify(object, meta.notifySignal());
        QSignalSpy rowChanged(group->tracks().front().get(), &TrackModel::changed);

        QVERIFY(object->setProperty(property, same));
        QCOMPARE(notify.count(), 0);
        QCOMPARE(rowChanged.count(), 0);

        QVERIFY(object->setProperty(property, other));
        QCOMPARE(notify.count(), 1);
        QCOMPARE(rowChanged.count(), onGroup ? 0 : 1);
        QCOMPARE(object->property(property), other);

        QVERIFY(object->setProperty(property, other));
        QCOMPARE(notify.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTrackModel)
#include "tst_trackmodel.moc"
