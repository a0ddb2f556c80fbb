#include "Styling/PercentAccessible.h"

namespace mivo {

PercentAccessible::PercentAccessible(
    QWidget* widget, std::function<int()> percent, std::function<QString()> spoken)
    : QAccessibleWidget(widget, QAccessible::ProgressBar)
    , m_percent(std::move(percent))
    , m_spoken(std::move(spoken))
{
}

QString PercentAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return m_spoken();
    return QAccessibleWidget::text(t);
}

void* PercentAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

} // namespace mivo
