#pragma once

#include <QAccessibleWidget>
#include <functional>

namespace mivo {

// A gauge as assistive technology reads it: a progress bar whose value is the
// whole percentage shown, 0 to 100, spoken as "N percent".
class PercentAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    PercentAccessible(QWidget* widget, std::function<int()> percent, std::function<QString()> spoken);

    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override { return m_percent(); }
    void setCurrentValue(const QVariant&) override { }
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    std::function<int()> m_percent;
    std::function<QString()> m_spoken;
};

} // namespace mivo
