#include "TestSupport/StandInSession.h"
#include "Views/Settings/OutputSettings.h"
#include "Views/Settings/SettingsWindow.h"
#include "Views/Settings/SourceOrderModel.h"
#include "Views/Settings/SourceRowDelegate.h"
#include "Views/Settings/SourcesSettings.h"

#include <QListView>
#include <QPushButton>
#include <QtTest>

using namespace mivo;
using mivo::test::StandInSession;

namespace {

constexpr int kSourcesPane = 2;
constexpr int kOutputPane = 4;

// The Settings window over a main window that started the stand-in helper,
// on the Sources pane.
struct SettingsSession {
    explicit SettingsSession(std::initializer_list<std::pair<const char*, QByteArray>> switches)
        : session(switches)
    {
        session.defaults->setDidOnboard(true);
    }

    bool open()
    {
        if (!session.showAndWaitForTheHelper())
            return false;
        window = std::make_unique<SettingsWindow>(*session.model, *session.updater);
        window->setCurrentPane(kSourcesPane);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    SourcesSettings* sources() const { return qobject_cast<SourcesSettings*>(window->pane(kSourcesPane)); }
    QList<SourceId> stored() const
    {
        const std::optional<SafeConfig>& config = session.model->settings()->config();
        return config ? config->sources : QList<SourceId> {};
    }

    StandInSession session;
    std::unique_ptr<SettingsWindow> window;
};

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

// While the first read is held back, the switches, a drag and the folder
// chooser write nothing; once the configuration arrives the file is as it was.
void SourcesPaneTest::nothingIsWrittenBeforeAConfigurationIsHeld()
{
    SettingsSession s({ { "MIVO_STANDIN_DELAY", "getConfig=400" } });
    const QByteArray before = s.session.storedBytes();
    QVERIFY(s.open());
    SourcesSettings* pane = s.sources();
    QVERIFY(pane);
    QVERIFY(!s.session.model->settings()->config());

    QVERIFY(!pane->list()->isEnabled());
    QTest::mouseClick(pane->list()->viewport(), Qt::LeftButton, {}, switchCentre(pane, 1));
    pane->orderModel()->moveRows({}, 3, 1, {}, 0);
    s.window->setCurrentPane(kOutputPane);
    auto* choose = s.window->pane(kOutputPane)->findChild<QPushButton*>();
    QVERIFY(choose && choose->text() == u"Choose…");
    QVERIFY(!choose->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(s.session.model->settings()->config(), 20000);
    QCOMPARE(s.stored(), QList<SourceId> { SourceId::soulseek });
    QVERIFY(choose->isEnabled());
    s.window->setCurrentPane(kSourcesPane);
    QVERIFY(pane->list()->isEnabled());
    QCOMPARE(s.session.storedBytes(), before);
}

// Two clicks on one spot switch one source on and off again: the rows stay
// where they were while the helper's answers come in.
void SourcesPaneTest::aSwitchNeverMovesARow()
{
    SettingsSession s({});
    QVERIFY(s.open());
    SourcesSettings* pane = s.sources();
    QTRY_VERIFY_WITH_TIMEOUT(s.session.model->settings()->config(), 20000);
    const QList<SourceId> order = pane->orderModel()->order();
    QCOMPARE(
        order, (QList { SourceId::soulseek, SourceId::bandcamp, SourceId::soundcloud, SourceId::youtube }));

    const QPoint spot = switchCentre(pane, 2);
    QTest::mouseClick(pane->list()->viewport(), Qt::LeftButton, {}, spot);
    QTRY_COMPARE_WITH_TIMEOUT(s.stored(), (QList { SourceId::soulseek, SourceId::soundcloud }), 20000);
    QCOMPARE(pane->orderModel()->order(), order);

    QTest::mouseClick(pane->list()->viewport(), Qt::LeftButton, {}, spot);
    QTRY_COMPARE_WITH_TIMEOUT(s.stored(), QList<SourceId> { SourceId::soulseek }, 20000);
    QCOMPARE(pane->orderModel()->order(), order);
}

QTEST_MAIN(SourcesPaneTest)
#include "tst_sourcespane.moc"
