#include "Views/Toolbar/MainToolbarState.h"

#include <QtTest>

using namespace mivo;

Q_DECLARE_METATYPE(mivo::SyncPhase)
Q_DECLARE_METATYPE(std::optional<bool>)

// The tool bar's items over the sync phase, the VPN subscription, the review
// count and the selection.
class TestMainToolbarState : public QObject {
    Q_OBJECT

private slots:
    void items_data()
    {
        QTest::addColumn<SyncPhase>("phase");
        QTest::addColumn<std::optional<bool>>("configured");
        QTest::addColumn<qint64>("reviews");
        QTest::addColumn<qint64>("selected");
        QTest::addColumn<bool>("vpn");
        QTest::addColumn<QString>("review"); // empty: no review button
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("syncEnabled");
        const std::optional<bool> unread;
        const std::optional<bool> yes(true);
        const std::optional<bool> no(false);

        QTest::newRow("before the configuration, nothing selected")
            << SyncPhase::idle << unread << qint64(0) << qint64(0) << false << "" << false << false;
        QTest::newRow("idle, one playlist") << SyncPhase::idle << no << qint64(0) << qint64(1) << false << ""
                                            << false << true;
        QTest::newRow("idle, subscription stored")
            << SyncPhase::idle << yes << qint64(0) << qint64(2) << true << "" << false << true;
        QTest::newRow("preparing") << SyncPhase::preparing << yes << qint64(0) << qint64(1) << true << ""
                                   << true << false;
        QTest::newRow("running, one review")
            << SyncPhase::running << no << qint64(1) << qint64(1) << false << "1 review" << true << false;
        QTest::newRow("finishing, two reviews")
            << SyncPhase::finishing << yes << qint64(2) << qint64(0) << true << "2 reviews" << true << false;
        QTest::newRow("done, selection kept")
            << SyncPhase::done << no << qint64(0) << qint64(3) << false << "" << false << true;
        QTest::newRow("done, nothing selected")
            << SyncPhase::done << no << qint64(0) << qint64(0) << false << "" << false << false;
        QTest::newRow("cancelled with reviews left")
            << SyncPhase::cancelled << no << qint64(3) << qint64(1) << false << "3 reviews" << false << true;
        QTest::newRow("interrupted") << SyncPhase::interrupted << yes << qint64(0) << qint64(1) << true << ""
                                     << false << true;
    }
    void items()
    {
        QFETCH(SyncPhase, phase);
        QFETCH(std::optional<bool>, configured);
        QFETCH(qint64, reviews);
        QFETCH(qint64, selected);
        QFETCH(bool, vpn);
        QFETCH(QString, review);
        QFETCH(bool, cancel);
        QFETCH(bool, syncEnabled);

        const MainToolbarState state = MainToolbarState::of(phase, configured, reviews, selected);
        QCOMPARE(state.showsVPN, vpn);
        QCOMPARE(state.showsReview, !review.isEmpty());
        QCOMPARE(state.reviewTitle, review);
        QCOMPARE(state.showsCancel, cancel);
        QCOMPARE(state.syncEnabled, syncEnabled);
    }
};

QTEST_GUILESS_MAIN(TestMainToolbarState)
#include "tst_maintoolbarstate.moc"
