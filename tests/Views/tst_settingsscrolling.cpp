#include "State/SettingsStore.h"
#include "Styling/AppStyle.h"
#include "TestSupport/SettingsSession.h"
#include "Views/Settings/DiagnosticsSettings.h"
#include "Views/Settings/DoctorCheckModel.h"
#include "Views/Settings/SettingsSection.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using namespace mivo;
using Settings = test::SettingsSession;

Q_DECLARE_METATYPE(mivo::test::SettingsSession::Pane)

// How the Settings panes scroll, drawn as the application draws them: the
// scroll bar lies over the pane's edge, so the form keeps its width whether or
// not the bar shows, and a pane scrolls only as far as its sections reach.
class TestSettingsScrolling : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setStyle(new AppStyle); }

    void panesScrollOnlyAsFarAsTheirContent_data()
    {
        QTest::addColumn<Settings::Pane>("pane");
        QTest::newRow("General") << Settings::general;
        QTest::newRow("Accounts") << Settings::accounts;
        QTest::newRow("Sources") << Settings::sources;
        QTest::newRow("Quality") << Settings::quality;
        QTest::newRow("Output") << Settings::output;
        QTest::newRow("VPN") << Settings::vpn;
        QTest::newRow("Command Line") << Settings::commandLine;
        QTest::newRow("Diagnostics, after a run") << Settings::diagnostics;
    }
    void panesScrollOnlyAsFarAsTheirContent()
    {
        QFETCH(Settings::Pane, pane);
        Settings s;
        QVERIFY(s.open(pane));
        auto* area = qobject_cast<QScrollArea*>(s.window->pane(pane));
        QVERIFY(area);
        // The panes that show the configuration show their sections once it is read.
        QTRY_VERIFY_WITH_TIMEOUT(s.session.model->settings()->config(), 20000);
        if (auto* diagnostics = qobject_cast<DiagnosticsSettings*>(area)) {
            diagnostics->runAllButton()->click();
            QTRY_COMPARE_WITH_TIMEOUT(diagnostics->checksModel()->rowCount(), 7, 20000);
        }
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();

        // The form is as wide as the pane, with the scroll bar or without.
        QCOMPARE(area->viewport()->width(), area->contentsRect().width());

        // No scroll range beyond the last section's bottom edge.
        int bottom = 0;
        for (const SettingsSection* section : area->widget()->findChildren<SettingsSection*>()) {
            if (section->isVisibleTo(area->widget()))
                bottom = std::max(bottom, section->mapTo(area->widget(), QPoint(0, section->height())).y());
        }
        QVERIFY(bottom > 0);
        const int beyond = std::max(0, bottom - area->viewport()->height());
        QVERIFY2(area->verticalScrollBar()->maximum() <= beyond,
            qPrintable(QStringLiteral("scrolls %1 px, the sections reach %2 px beyond the pane")
                           .arg(area->verticalScrollBar()->maximum())
                           .arg(beyond)));
        QCOMPARE(area->verticalScrollBar()->isVisible(), beyond > 0);
    }
};

QTEST_MAIN(TestSettingsScrolling)
#include "tst_settingsscrolling.moc"
