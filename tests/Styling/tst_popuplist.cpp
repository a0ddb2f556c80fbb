#include "Styling/AppStyle.h"
#include "Styling/GlassRole.h"
#include "Styling/Material.h"
#include "Styling/PreviewPalettes.h"
#include "Styling/SurfaceStyle.h"
#include "Styling/ThemeColor.h"
#include "Styling/Tokens.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QVBoxLayout>
#include <QtTest>

using namespace mivo;

namespace {

int distance(const QColor& a, const QColor& b)
{
    return std::max(
        { std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue()) });
}

// What a surface of `role` shows in the middle of a large area, laid over `under`.
QColor surfaceColour(const GlassRole& role, const QColor& under, const QPalette& palette)
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(under);
    QPainter painter(&image);
    const SurfaceStyle surface = SurfaceStyle::of(role, GlassTier::translucent);
    surface.paintBackground(painter, QRectF(image.rect()), palette);
    surface.paintOverlay(painter, QRectF(image.rect()), palette);
    painter.end();
    return image.pixelColor(32, 32);
}

// The strongest contrast against `surface` inside `area` of `image`.
double strongestInk(const QImage& image, const QRect& area, const QColor& surface)
{
    double strongest = 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            strongest = std::max(strongest, ThemeColor::contrast(image.pixelColor(x, y), surface));
    }
    return strongest;
}

} // namespace

// A pop-up button's list is drawn by the design system, in either appearance:
// the floating surface in the controls' corners with its outline, rows selected
// as the sidebar's are, and a tick on the current value only.
class TestPopupList : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setStyle(new AppStyle); }

    void theListIsTheDesignSystems_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void theListIsTheDesignSystems()
    {
        QFETCH(bool, dark);
        const QPalette palette = dark ? PreviewPalettes::dark() : PreviewPalettes::light();
        QApplication::setPalette(palette);
        QWidget window;
        auto* combo = new QComboBox(&window);
        combo->addItems({ QStringLiteral("System"), QStringLiteral("Light"), QStringLiteral("Dark") });
        combo->setCurrentIndex(0);
        (new QVBoxLayout(&window))->addWidget(combo);
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        combo->showPopup();
        QAbstractItemView* list = combo->view();
        QWidget* popup = list->window();
        QTRY_VERIFY(popup->isVisible());
        // The pointer on the second value; the first is the current one.
        list->setCurrentIndex(combo->model()->index(1, 0));
        QCoreApplication::processEvents();
        const QImage image = popup->grab().toImage();
        const auto rowIn = [&](int row) {
            const QRect rect = list->visualRect(combo->model()->index(row, 0));
            return QRect(list->viewport()->mapTo(popup, rect.topLeft()), rect.size());
        };

        // The surface: the floating role over the window colour, not the list's base.
        const QColor window_ = palette.color(QPalette::Window);
        const QColor surface = surfaceColour(GlassRole::floating(), window_, palette);
        const QRect dark_ = rowIn(2);
        const QColor free = image.pixelColor(dark_.right() - 8, dark_.center().y());
        QVERIFY2(distance(free, surface) <= 2,
            qPrintable(QStringLiteral("%1 against %2").arg(free.name(), surface.name())));
        // Above the first row, in the room kept clear of the corners, as well.
        const QColor margin = image.pixelColor(popup->width() / 2, rowIn(0).top() - 2);
        QVERIFY2(distance(margin, surface) <= 2, qPrintable(margin.name()));

        // The selection is the sidebar's, not the toolkit's highlight.
        const QRect selected = rowIn(1);
        const QColor selection = image.pixelColor(selected.right() - 10, selected.center().y());
        const QColor expected = surfaceColour(GlassRole::selection(ThemeColor::accent()), surface, palette);
        QVERIFY2(distance(selection, expected) <= 3,
            qPrintable(QStringLiteral("%1 against %2").arg(selection.name(), expected.name())));
        QVERIFY(distance(selection, palette.color(QPalette::Highlight)) > 40);

        // A tick before the current value only, readable on the surface.
        const auto tickArea = [&](int row) {
            const QRect r = rowIn(row);
            return QRect(
                r.left() + int(Tokens::Space::xs) + 2, r.top() + 3, int(Tokens::Space::lg), r.height() - 6);
        };
        QVERIFY(strongestInk(image, tickArea(0), surface) >= 3.0);
        QVERIFY(strongestInk(image, tickArea(2), surface) < 1.1);

        // The outline along the edge, and corners cut round.
        const QColor edge = image.pixelColor(popup->width() / 2, 0);
        QVERIFY2(distance(edge, surface) >= 8,
            qPrintable(QStringLiteral("%1 on %2").arg(edge.name(), surface.name())));
        QVERIFY(!popup->mask().isEmpty());
        QVERIFY(!popup->mask().contains(QPoint(0, 0)));
        QVERIFY(!popup->mask().contains(QPoint(popup->width() - 1, popup->height() - 1)));
        QVERIFY(popup->mask().contains(QPoint(popup->width() / 2, popup->height() / 2)));
        combo->hidePopup();
    }
};

QTEST_MAIN(TestPopupList)
#include "tst_popuplist.moc"
