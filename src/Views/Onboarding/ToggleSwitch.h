#pragma once

#include <QAbstractButton>

namespace mivo {

// An on/off switch: a capsule in the accent colour when on, with a round knob
// on the side of its state. A checkable button without a visible title; give
// it an accessible name.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(const QString& accessibleName, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

} // namespace mivo
