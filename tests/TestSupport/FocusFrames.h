#pragma once

#include <QList>
#include <QProxyStyle>
#include <QRect>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

namespace mivo::test {

// Fusion, noting where it is asked to draw the keyboard's focus frame (only
// where the frame shows: after keyboard use). Set on the widget that paints
// the frame; `framesOf` paints it afresh and returns where the frames went.
class FocusFrames : public QProxyStyle {
public:
    FocusFrames()
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
    {
    }
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget) const override
    {
        if (element == PE_FrameFocusRect && (option->state & State_KeyboardFocusChange))
            frames.append(option->rect);
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    QList<QRect> framesOf(QWidget* painted)
    {
        frames.clear();
        painted->grab();
        return frames;
    }

    mutable QList<QRect> frames;
};

} // namespace mivo::test
