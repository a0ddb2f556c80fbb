#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Views/AboutWindow.h"
#include "Views/MainCommands.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QtTest>

using namespace mivo;

namespace {

QList<AboutWindow*> aboutWindows()
{
    QList<AboutWindow*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* about = qobject_cast<AboutWindow*>(widget); about && about->isVisible())
            found << about;
    }
    return found;
}

} // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT

private slots:
    // "About mivo" opens the application's own window, not a message box; asking
    // again brings the same window forward rather than stacking another.
    void aboutOpensOneWindowOfItsOwn()
    {
        AppModel model(std::make_unique<test::ScriptedHelperClient>());
        UpdaterModel updater(&model.sync());
        MainCommands commands(model, updater);
        commands.aboutAction()->trigger();
        QTRY_COMPARE(aboutWindows().size(), 1);
        AboutWindow* about = aboutWindows().first();
        QVERIFY(!qobject_cast<QMessageBox*>(about));
        QVERIFY(!about->isModal());
        QCOMPARE(about->findChild<QLabel*>(QStringLiteral("aboutVersion"))->text(),
            QStringLiteral("Version %1").arg(updater.currentVersion()));
        QCOMPARE(
            about->findChild<QLabel*>(QStringLiteral("aboutTagline"))->text(), AboutWindow::taglineText());

        commands.aboutAction()->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(aboutWindows(), QList { about });

        // Escape closes it; the next request opens a fresh one.
        QTest::keyClick(about, Qt::Key_Escape);
        QTRY_VERIFY(aboutWindows().isEmpty());
        commands.aboutAction()->trigger();
        QTRY_COMPARE(aboutWindows().size(), 1);
        delete aboutWindows().first();
    }
};

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
