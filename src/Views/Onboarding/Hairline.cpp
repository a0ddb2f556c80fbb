#include "Views/Onboarding/Hairline.h"

#include "Styling/ThemeColor.h"

#include <QPainter>

namespace mivo {

Hairline::Hairline(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Hairline::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ThemeColor::separator().resolve(palette()));
}

} // namespace mivo
