#pragma once

#include "Styling/FocusRing.h"
#include "Styling/ThemeColor.h"

#include <QApplication>
#include <QImage>
#include <QList>
#include <QWidget>
#include <QtTest>

namespace mivo::test {

// The least a keyboard ring changes of a control's look: a 2-pixel line along
// the edges of a small control (24 × 16) and more.
constexpr int kRingPixels = 80;

// How many pixels of `with` differ from the same pixel of `without` by the
// focus ring's contrast or more: what the focus adds to a control's look.
inline int pixelsTheFocusChanges(const QImage& without, const QImage& with)
{
    if (without.size() != with.size())
        return -1;
    int changed = 0;
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x) {
            if (ThemeColor::contrast(without.pixelColor(x, y), with.pixelColor(x, y)) >= FocusRing::kContrast)
                ++changed;
        }
    }
    return changed;
}

// One stop of a window's Tab chain and what its focus changed of its look.
struct TabStop {
    QWidget* widget = nullptr;
    int ringPixels = 0;
};

// A description of a stop for failure messages.
inline QString describe(const QWidget* widget)
{
    if (!widget)
        return QStringLiteral("nothing");
    QString text = QString::fromLatin1(widget->metaObject()->className());
    if (!widget->objectName().isEmpty())
        text += QLatin1Char('#') + widget->objectName();
    if (!widget->accessibleName().isEmpty())
        text += QStringLiteral(" \"%1\"").arg(widget->accessibleName());
    const QVariant title = widget->property("text");
    if (title.isValid() && !title.toString().isEmpty())
        text += QStringLiteral(" '%1'").arg(title.toString());
    return text;
}

// Walks the Tab chain from the control that has the keyboard, pressing Tab,
// until it comes back: each stop once, in order, starting with the one that had
// the keyboard. Each stop's look is then taken with the focus given by Tab and
// with no focus in its window, so what a stop holding other stops shows of
// theirs does not count as its own ring. The keyboard ends on the first stop.
inline QList<TabStop> walkTabChain(int limit = 60)
{
    QList<TabStop> stops;
    QWidget* start = QApplication::focusWidget();
    if (!start)
        return stops;
    QWidget* widget = start;
    for (int step = 0; widget && step < limit; ++step) {
        stops.append({ widget, 0 });
        QTest::keyClick(widget, Qt::Key_Tab);
        widget = QApplication::focusWidget();
        if (widget == start)
            break;
    }
    for (TabStop& stop : stops) {
        FocusRing::giveFocus(stop.widget, Qt::TabFocusReason);
        const QImage with = stop.widget->grab().toImage();
        stop.widget->clearFocus();
        stop.ringPixels = pixelsTheFocusChanges(stop.widget->grab().toImage(), with);
    }
    FocusRing::giveFocus(start, Qt::TabFocusReason);
    return stops;
}

} // namespace mivo::test
