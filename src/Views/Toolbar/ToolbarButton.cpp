#include "Views/Toolbar/ToolbarButton.h"

#include "Styling/Symbols.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace mivo {

ToolbarButton::ToolbarButton(QWidget* parent)
    : QToolButton(parent)
{
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus);
}

void ToolbarButton::setLabel(const QString& symbol, const QString& title, std::optional<ThemeColor> tint)
{
    m_symbol = symbol;
    m_tint = std::move(tint);
    setIcon(Symbols::icon(symbol, m_tint.value_or(ThemeColor::primary())));
    setText(title);
    setToolButtonStyle(title.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    update();
}

void ToolbarButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    if (m_tint && isEnabled()) {
        const QColor color = m_tint->resolve(palette());
        option.palette.setColor(QPalette::ButtonText, color);
        option.palette.setColor(QPalette::WindowText, color);
    }
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
}

} // namespace mivo
