#include "TestSupport/SettingsSession.h"
#include "Views/Settings/OutputSettings.h"
#include "Views/Settings/SourceOrderModel.h"
#include "Views/Settings/SourceRowDelegate.h"
#include "Views/Settings/SourcesSettings.h"

#include <QListView>
#include <QPushButton>
#include <QtTest>

using namespace mivo;

namespace {

using Settings = test::SettingsSession;

SourcesSettings* sourcesOf(const Settings& s)
{
    return s.pane<SourcesSettings>(Settings::sources);
}

QList<SourceId> stored(const Settings& s)
{
    const std::optional<SafeConfig>& config = s.session.model->settings()->config();
    return config ? config->sources : QList<SourceId> {};
}

QPoint switchCentre(SourcesSettings* pane, int row)
{
    const QRect rect = pane->list()->visualRect(pane->orderModel()->index(row));
    return SourceRowDelegate::switchRect(rect).center();
}

} // namespace

class SourcesPaneTest : public QObject {
    Q_OBJECT

private slots:
    void nothingIsWrittenBeforeAConfigurationIsHeld();
    void aSwitchNeverMovesARow();
};

// While no configuration is held (the first read is held back far longer
// than the test lasts), the switches, a drag and the folder chooser write
// nothing to the helper.
void SourcesPaneTest::nothingIsWrittenBeforeAConfigurationIsHeld()
{
    Settings s({ { "MIVO_STANDIN_DELAY", "getConfig=600000" } });
    const QByteArray before = s.session.storedBytes();
    QVERIFY(s.open(Settings::sources));
    SourcesSettings* pane = sourcesOf(s);
    QVERIFY(pane);
    QVERIFY(!s.session.model->settings()->config());

    QVERIFY(!pane->list()->isEnabled());
    QTest::mouseClick(pane->list()->viewport(), Qt::LeftButton, {}, switchCentre(pane, 1));
    pane->orderModel()->moveRows({}, 3, 1, {}, 0);
    s.window->setCurrentPane(Settings::output);
    auto* choose = s.window->pane(Settings::output)->findChild<QPushButton*>();
    QVERIFY(choose && choose->text() == u"Choose…");
    QVERIFY(!choose->isEnabled());

    // The helper handles requests in the order they arrive: once a later one
    // is answered, a write sent by any of the above would be in the file.
    QVERIFY(s.session.helperCaughtUp());
    QVERIFY(!s.session.model->settings()->config());
    QCOMPARE(s.session.storedBytes(), before);
}

// Two clicks on one spot switch one source on and off again: the rows stay
// where they were while the helper's answers come in.
void SourcesPaneTest::aSwitchNeverMovesARow()
{
    Settings s({});
    QVERIFY(s.open(Settings::sources));
    SourcesSettings* pane = sourcesOf(s);
    QTRY_VERIFY_WITH_TIMEOUT(s.session.model->settings()->config(), 20000);
    const QList<SourceId> order = pane->orderModel()->order();
    QCOMPARE(
        order, (QList { SourceId::soulseek, SourceId::bandcamp, SourceId::soundcloud, SourceId::youtube }));

    const QPoint spot = switchCentre(pane, 2);
    QTest::mouseClick(pane->list()->viewport(), Qt::LeftButton, {}, spot);
    QTRY_COMPARE_WITH_TIMEOUT(stored(s), (QList { SourceId::soulseek, SourceId::soundcloud }), 20000);
    QCOMPARE(pane->orderModel()->order(), order);

    QTest::mouseClick(pane->list()->viewport(), Qt::LeftButton, {}, spot);
    QTRY_COMPARE_WITH_TIMEOUT(stored(s), QList<SourceId> { SourceId::soulseek }, 20000);
    QCOMPARE(pane->orderModel()->order(), order);
}

QTEST_MAIN(SourcesPaneTest)
#include "tst_sourcespane.moc"
