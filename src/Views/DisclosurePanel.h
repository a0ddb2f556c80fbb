#pragma once

#include <QWidget>

class QGraphicsOpacityEffect;
class QVariantAnimation;

namespace mivo {

// Holds what a disclosure control (a switch, Show/Hide) shows and hides: the
// content folds open with the expand spring, sliding down from the panel's top
// edge as it fades in, and folds shut the same way back; under reduce motion
// (or while the panel's place is not on screen) it appears and goes at once. In its
// layout the panel takes the content's height times its openness, so what
// follows it moves with the fold; a hidden panel takes no room at all.
class DisclosurePanel : public QWidget {
    Q_OBJECT

public:
    // Takes `content` as its only child; the panel starts hidden unless `revealed`.
    explicit DisclosurePanel(QWidget* content, bool revealed = false, QWidget* parent = nullptr);

    QWidget* content() const { return m_content; }
    bool isRevealed() const { return m_revealed; }
    void setRevealed(bool revealed);
    // Whether it is folding open or shut now.
    bool isMoving() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int contentHeight(int width) const;
    void setOpenness(qreal openness);
    void placeContent();
    void settle();

    QWidget* m_content;
    QVariantAnimation* m_animation;
    QGraphicsOpacityEffect* m_fade = nullptr;
    bool m_revealed;
    qreal m_openness;
};

} // namespace mivo
