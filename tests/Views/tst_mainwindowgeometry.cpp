#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Support/UserDefaults.h"
#include "TestSupport/FixedAccessibility.h"
#include "TestSupport/OffscreenScreens.h"
#include "Views/MainWindow.h"

#include <QApplication>
#include <QScreen>
#include <QSplitter>
#include <QTemporaryDir>
#include <QtTest>

using namespace mivo;

namespace {

// The screens the test runs on, side by side: a large one on the left (the
// primary one) and a smaller one on its right.
constexpr QRect kLeftScreen { 0, 0, 1600, 1000 };
constexpr QRect kRightScreen { 1600, 0, 1280, 800 };

// One launch of the application: a main window as main() builds it over the
// defaults in `folder`, shown; hiding it (as quitting does) keeps its place.
struct Launch {
    test::FixedAccessibility accessibility;
    AppModel model;
    UpdaterModel updater { &model.sync() };
    MainWindow window;

    explicit Launch(UserDefaults& defaults)
        : window(model, updater, MainWindow::Environment { &accessibility, &defaults, [](AppModel&) {} })
    {
        window.show();
    }
    ~Launch() { window.hide(); }
};

QString screenOf(const QWidget& window)
{
    return window.screen() ? window.screen()->name() : QString();
}

bool onOneScreen(const QRect& frame)
{
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().contains(frame))
            return true;
    }
    return false;
}

} // namespace

class TestMainWindowGeometry : public QObject {
    Q_OBJECT

private slots:
    void theFirstLaunchOpensAtTheDefaultSize()
    {
        QTemporaryDir folder;
        QSettingsUserDefaults defaults(folder.filePath(QStringLiteral("defaults.ini")));
        Launch first(defaults);
        QCOMPARE(first.window.size(), MainWindow::kDefaultSize);
    }

    void theNextLaunchOpensWhereTheLastOneWas_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<QString>("screen");

        QTest::newRow("on the primary screen") << QRect(120, 90, 1200, 800) << false << "left";
        QTest::newRow("on the other screen") << QRect(1700, 60, 1000, 700) << false << "right";
        QTest::newRow("maximised on the other screen") << QRect(1700, 60, 1000, 700) << true << "right";
    }
    void theNextLaunchOpensWhereTheLastOneWas()
    {
        QFETCH(QRect, geometry);
        QFETCH(bool, maximised);
        QFETCH(QString, screen);
        QTemporaryDir folder;
        QSettingsUserDefaults defaults(folder.filePath(QStringLiteral("defaults.ini")));
        QList<int> widths;
        {
            Launch first(defaults);
            first.window.setGeometry(geometry);
            QTRY_COMPARE(screenOf(first.window), screen);
            if (maximised)
                first.window.showMaximized();
            QTRY_COMPARE(first.window.isMaximized(), maximised);
            QList<int> sizes = first.window.splitter()->sizes();
            sizes[0] += 40;
            sizes[1] -= 40;
            first.window.splitter()->setSizes(sizes);
            widths = first.window.splitter()->sizes();
        }

        Launch next(defaults);
        QTRY_COMPARE(next.window.isMaximized(), maximised);
        QCOMPARE(screenOf(next.window), screen);
        QCOMPARE(next.window.normalGeometry(), geometry);
        if (!maximised)
            QCOMPARE(next.window.geometry(), geometry);
        QCOMPARE(next.window.splitter()->sizes().first(), widths.first());
        // The review inspector stays closed until the model presents it.
        QVERIFY(next.window.inspectorPane()->isHidden());
    }

    // A place kept on a screen that is gone (or never fitted) comes back into
    // what the screens show, and no larger than the screen it lands on.
    void aPlaceOffEveryScreenComesBackIntoView_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QSize>("size"); // the window's size once it is back

        QTest::newRow("far right and below") << QRect(9000, 9000, 1000, 700) << QSize(1000, 700);
        QTest::newRow("far left and above") << QRect(-6000, -4000, 1000, 700) << QSize(1000, 700);
        QTest::newRow("half over the right edge of the other screen")
            << QRect(2400, 300, 1000, 700) << QSize(1000, 700);
        QTest::newRow("larger than every screen") << QRect(-100, -100, 2600, 1600) << kLeftScreen.size();
    }
    void aPlaceOffEveryScreenComesBackIntoView()
    {
        QFETCH(QRect, geometry);
        QFETCH(QSize, size);
        QTemporaryDir folder;
        QSettingsUserDefaults defaults(folder.filePath(QStringLiteral("defaults.ini")));
        {
            Launch first(defaults);
            first.window.setGeometry(geometry);
            QCOMPARE(first.window.geometry(), geometry);
        }

        Launch next(defaults);
        QVERIFY2(onOneScreen(next.window.frameGeometry()),
            qPrintable(QStringLiteral("%1,%2 %3x%4")
                           .arg(next.window.frameGeometry().x())
                           .arg(next.window.frameGeometry().y())
                           .arg(next.window.frameGeometry().width())
                           .arg(next.window.frameGeometry().height())));
        const QSize frame = next.window.frameGeometry().size() - next.window.size();
        QCOMPARE(next.window.size(), size.boundedTo(kLeftScreen.size() - frame));
    }
};

// Two screens side by side, and no folder of the user's touched.
int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!mivo::test::useOffscreenScreens(home, { { "left", kLeftScreen }, { "right", kRightScreen } }))
        return 1;
    QApplication app(argc, argv);
    TestMainWindowGeometry test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindowgeometry.moc"
