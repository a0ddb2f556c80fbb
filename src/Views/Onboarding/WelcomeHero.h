#pragma once

#include <QWidget>

class QVariantAnimation;

namespace mivo {

// The welcome screen's emblem: a waveform on a round panel. When it first
// appears it grows from 96 % to full size and then pulses gently; with reduced
// motion it stays at 96 % and still, also when reduce motion is turned on while
// it pulses (it grows and pulses again the next time it is shown without). The
// pulse rests while the emblem is out of sight. Decoration only: hidden from assistive technology.
class WelcomeHero : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSide = 132;
    static constexpr qreal kRestingScale = 0.96;

    explicit WelcomeHero(QWidget* parent = nullptr);

    qreal scale() const { return m_scale; }
    bool isPulsing() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void createMotion();
    // Still, at the resting size.
    void rest();

    qreal m_scale = kRestingScale;
    qreal m_pulse = 1.0;
    QVariantAnimation* m_grow = nullptr;
    QVariantAnimation* m_pulsing = nullptr;
};

} // namespace mivo
