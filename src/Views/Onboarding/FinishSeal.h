#pragma once

#include <QWidget>

class QVariantAnimation;

namespace mivo {

// The finish screen's green seal. It bounces once each time it first appears,
// unless reduced motion is asked for. Read as "Setup complete".
class FinishSeal : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSide = 56;

    explicit FinishSeal(QWidget* parent = nullptr);

    // How many bounces have been started.
    int bounces() const { return m_bounces; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool m_appeared = false;
    int m_bounces = 0;
    qreal m_scale = 1.0;
    QVariantAnimation* m_bounce = nullptr;
};

} // namespace mivo
