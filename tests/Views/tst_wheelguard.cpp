#include "TestSupport/WheelNotch.h"
#include "Views/WheelGuard.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest>

// Who gave a pop-up or stepper the focus decides whether it takes the wheel:
// the user (a click, Tab, Backtab), or the toolkit on its own.

using namespace mivo;
using mivo::test::wheelOver;

namespace {

// A field, a pop-up and a stepper in a guarded window, in this Tab order.
struct Form {
    QWidget window;
    QLineEdit* field = new QLineEdit;
    QComboBox* popUp = new QComboBox;
    QSpinBox* stepper = new QSpinBox;
    QLineEdit* last = new QLineEdit;

    Form()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(field);
        layout->addWidget(popUp);
        layout->addWidget(stepper);
        layout->addWidget(last);
        popUp->addItems({ QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three") });
        popUp->setCurrentIndex(1);
        stepper->setRange(0, 10);
        stepper->setValue(5);
        WheelGuard::install(&window);
        window.show();
    }

    int valueOf(QWidget* control) const
    {
        return control == popUp ? popUp->currentIndex() : stepper->value();
    }
};

enum class Focus { byHidingTheFocusedField, bySetFocus, byTab, byBacktab, byClickOnThePopUp };

} // namespace

Q_DECLARE_METATYPE(Focus)

class TestWheelGuard : public QObject {
    Q_OBJECT

private slots:
    void theWheelFollowsOnlyTheUsersFocus_data()
    {
        QTest::addColumn<Focus>("focus");
        QTest::addColumn<bool>("onThePopUp"); // else on the stepper
        QTest::addColumn<bool>("takesTheWheel");

        QTest::newRow("pop-up, its field before it hidden")
            << Focus::byHidingTheFocusedField << true << false;
        QTest::newRow("pop-up, focus set by the program") << Focus::bySetFocus << true << false;
        QTest::newRow("pop-up, Tab") << Focus::byTab << true << true;
        QTest::newRow("pop-up, clicked and its list closed") << Focus::byClickOnThePopUp << true << true;
        QTest::newRow("stepper, focus set by the program") << Focus::bySetFocus << false << false;
        QTest::newRow("stepper, Tab") << Focus::byTab << false << true;
        QTest::newRow("stepper, Backtab") << Focus::byBacktab << false << true;
    }
    void theWheelFollowsOnlyTheUsersFocus()
    {
        QFETCH(Focus, focus);
        QFETCH(bool, onThePopUp);
        QFETCH(bool, takesTheWheel);
        Form f;
        f.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        QWidget* control = onThePopUp ? static_cast<QWidget*>(f.popUp) : f.stepper;
        QWidget* before = onThePopUp ? static_cast<QWidget*>(f.field) : f.popUp;

        switch (focus) {
        case Focus::byHidingTheFocusedField:
            QTest::mouseClick(before, Qt::LeftButton);
            QVERIFY(before->hasFocus());
            before->hide(); // the toolkit moves the focus on, for the reason of Tab
            break;
        case Focus::bySetFocus:
            control->setFocus(Qt::TabFocusReason);
            break;
        case Focus::byTab:
            before->setFocus();
            QTest::keyClick(before, Qt::Key_Tab);
            break;
        case Focus::byBacktab:
            f.last->setFocus();
            QTest::keyClick(f.last, Qt::Key_Backtab);
            break;
        case Focus::byClickOnThePopUp:
            QTest::mouseClick(f.popUp, Qt::LeftButton);
            QTRY_VERIFY(f.popUp->view()->isVisible());
            QTest::keyClick(f.popUp->view(), Qt::Key_Escape);
            QTRY_VERIFY(!f.popUp->view()->isVisible());
            break;
        }
        QVERIFY(control->hasFocus());
        const int value = f.valueOf(control);

        wheelOver(control);

        QCOMPARE(f.valueOf(control) != value, takesTheWheel);
        QCOMPARE(WheelGuard::hasFocusFromUser(control), takesTheWheel);
    }

    // The user's focus is the user's until it leaves: once the control has
    // lost it, a focus the toolkit gives it back does not count.
    void aFocusLostIsNoLongerTheUsers()
    {
        Form f;
        f.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.field->setFocus();
        QTest::keyClick(f.field, Qt::Key_Tab);
        QVERIFY(WheelGuard::hasFocusFromUser(f.popUp));
        QTest::mouseClick(f.last, Qt::LeftButton);
        QVERIFY(!WheelGuard::hasFocusFromUser(f.popUp));
        f.popUp->setFocus(Qt::OtherFocusReason);
        const int value = f.popUp->currentIndex();
        wheelOver(f.popUp);
        QCOMPARE(f.popUp->currentIndex(), value);
    }
};

QTEST_MAIN(TestWheelGuard)
#include "tst_wheelguard.moc"
