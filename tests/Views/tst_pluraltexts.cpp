#include "Views/Banners/OrphansBanner.h"
#include "Views/Detail/LinearProgress.h"
#include "Views/Detail/OverallSummaryBar.h"
#include "Views/Detail/PlaylistGroupHeader.h"
#include "Views/Detail/PreviewSummaryBar.h"
#include "Views/SidebarDelegate.h"
#include "Views/SidebarModel.h"
#include "Views/Toolbar/MainToolbarState.h"
#include "Views/Toolbar/VPNStatus.h"

#include <QTranslator>
#include <QtTest>
#include <functional>

using namespace mivo;

namespace {

using Phrase = std::function<QString(qint64)>;

// The texts that hold a count, each built from the count alone.
const QHash<QString, Phrase>& phrases()
{
    static const QHash<QString, Phrase> table {
        { "sidebar row", [](qint64 n) { return SidebarDelegate::trackCountText(n); } },
        { "sidebar row spoken",
            [](qint64 n) {
                PlaylistDTO playlist;
                playlist.name = QStringLiteral("Warm-up %n");
                playlist.source = PlaylistSourceId::spotify;
                playlist.trackCount = n;
                return SidebarModel::playlistAccessibleText(playlist);
            } },
        { "preview title", [](qint64 n) { return PreviewSummaryBar::titleText(n, n); } },
        { "preview line", [](qint64 n) { return PreviewSummaryBar::summaryLine(n + 1, 1, n); } },
        { "leftover files", [](qint64 n) { return OrphansBanner::summaryFor(n); } },
        { "more files", [](qint64 n) { return OrphansBanner::moreFilesText(n); } },
        { "reviews",
            [](qint64 n) { return MainToolbarState::of(SyncPhase::idle, false, n, 1).reviewTitle; } },
        { "VPN nodes", [](qint64 n) { return VPNStatus::nodeText(n); } },
        { "progress spoken", [](qint64 n) { return LinearProgress::spokenPercent(double(n) / 100); } },
        { "finished run",
            [](qint64 n) {
                return OverallSummaryBar::summaryLine(SyncSummary { n, n, n, n, n, 0, 0 }, 0, 0, 0, 0);
            } },
        { "run under way",
            [](qint64 n) { return OverallSummaryBar::summaryLine(std::nullopt, n, 2, n, n); } },
        { "group counts",
            [](qint64 n) {
                TrackCounts counts;
                counts.total = 2;
                counts.completed = n;
                counts.review = n;
                counts.failed = n;
                return PlaylistGroupHeader::countsLine(counts);
            } },
    };
    return table;
}

// Sees every lookup and answers none, so the translations under it answer.
class LookupRecorder : public QTranslator {
public:
    struct Lookup {
        QString source;
        int n;
    };

    bool isEmpty() const override { return false; }
    QString translate(const char*, const char* sourceText, const char*, int n) const override
    {
        lookups.append(Lookup { QString::fromUtf8(sourceText), n });
        return {};
    }

    mutable QList<Lookup> lookups;
};

} // namespace

class TestPluralTexts : public QObject {
    Q_OBJECT

private slots:
    // Through the English translation each count phrase agrees with its count,
    // and the texts read as they always have.
    void englishForms_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("expected");
        const auto rows = [](const char* phrase, const char* zero, const char* one, const char* two) {
            QTest::addRow("%s, 0", phrase)
                << QString::fromLatin1(phrase) << qint64(0) << QString::fromUtf8(zero);
            QTest::addRow("%s, 1", phrase)
                << QString::fromLatin1(phrase) << qint64(1) << QString::fromUtf8(one);
            QTest::addRow("%s, 2", phrase)
                << QString::fromLatin1(phrase) << qint64(2) << QString::fromUtf8(two);
        };
        rows("sidebar row", "0 tracks", "1 track", "2 tracks");
        // Spoken as the sidebar always has, without agreement; the name is never read for "%n".
        rows("sidebar row spoken", "Warm-up %n, Spotify, 0 tracks", "Warm-up %n, Spotify, 1 tracks",
            "Warm-up %n, Spotify, 2 tracks");
        rows("preview title", "0 playlists · 0 tracks", "1 playlist · 1 track", "2 playlists · 2 tracks");
        rows("preview line", "1 on disk", "1 on disk · 1 not downloaded · 1 playlist could not be loaded",
            "1 on disk · 2 not downloaded · 2 playlists could not be loaded");
        rows("leftover files", "0 leftover files no longer in your playlists",
            "1 leftover file no longer in your playlists", "2 leftover files no longer in your playlists");
        rows("more files", "and 0 more files…", "and 1 more file…", "and 2 more files…");
        rows("reviews", "", "1 review", "2 reviews");
        rows("VPN nodes", "0 nodes", "1 node", "2 nodes");
        rows("progress spoken", "0 percent", "1 percent", "2 percent");
        rows("finished run", "Up to date", "1 done · 1 on disk · 1 flagged · 1 failed · 1 skipped",
            "2 done · 2 on disk · 2 flagged · 2 failed · 2 skipped");
        rows("run under way", "0 / 2 done", "1 / 2 done · 1 need review · 1 failed",
            "2 / 2 done · 2 need review · 2 failed");
        rows("group counts", "0 / 2", "1 / 2 · 1 need review · 1 failed", "2 / 2 · 2 need review · 2 failed");
        // Plain decimal, no grouping, however large.
        QTest::addRow("more files, 12000") << "more files" << qint64(12000) << "and 12000 more files…";
    }
    void englishForms()
    {
        QFETCH(QString, phrase);
        QFETCH(qint64, count);
        QFETCH(QString, expected);
        QVERIFY(phrases().contains(phrase));
        QCOMPARE(phrases().value(phrase)(count), expected);
    }

    // Every count phrase is looked up by its translation with the count, so a
    // translation to another language can give it that language's forms.
    void eachPhraseIsTranslatedWithItsCount()
    {
        LookupRecorder recorder;
        QVERIFY(QCoreApplication::installTranslator(&recorder));
        for (auto it = phrases().cbegin(); it != phrases().cend(); ++it) {
            recorder.lookups.clear();
            it.value()(7);
            const bool counted = std::any_of(
                recorder.lookups.cbegin(), recorder.lookups.cend(), [](const LookupRecorder::Lookup& lookup) {
                    return lookup.n == 7 && lookup.source.contains(QLatin1String("%n"));
                });
            QVERIFY2(counted, qPrintable(it.key()));
        }
        QCoreApplication::removeTranslator(&recorder);
    }
};

QTEST_MAIN(TestPluralTexts)
#include "tst_pluraltexts.moc"
