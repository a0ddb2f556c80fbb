#include "Views/Onboarding/SymbolView.h"

#include "Styling/Symbols.h"
#include "Views/ViewAccessibility.h"

#include <QPainter>

namespace mivo {

SymbolView::SymbolView(const QString& name, const ThemeColor& color, int side, QWidget* parent)
    : QWidget(parent)
    , m_name(name)
    , m_color(color)
{
    setFixedSize(side, side);
    // A symbol beside a text says nothing the text does not.
    ViewAccessibility::hide(this);
}

void SymbolView::setSymbol(const QString& name, const ThemeColor& color)
{
    if (m_name == name && m_color == color)
        return;
    m_name = name;
    m_color = color;
    update();
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Symbols::paint(painter, QRectF(rect()), m_name, m_color.resolve(palette()));
}

} // namespace mivo
