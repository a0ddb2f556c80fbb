#include "Views/Detail/PaintedButtons.h"

#include "Styling/ButtonStyling.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/ThemeColor.h"

#include <QStyleOption>
#include <QWidget>

namespace mivo {

namespace {

ButtonStyling::Spec specOf(PaintedButtons::Kind kind)
{
    ButtonStyling::Spec spec;
    spec.text = PaintedButtons::title(kind);
    switch (kind) {
    case PaintedButtons::Kind::review:
        spec.style = ButtonStyle::bordered;
        spec.controlSize = ControlSize::small;
        spec.tint = ThemeColor::orange();
        spec.symbol = QStringLiteral("exclamationmark.triangle.fill");
        break;
    case PaintedButtons::Kind::retry:
        spec.style = ButtonStyle::borderless;
        spec.controlSize = ControlSize::small;
        break;
    case PaintedButtons::Kind::expand:
    case PaintedButtons::Kind::collapse:
        spec.style = ButtonStyle::borderless;
        spec.controlSize = ControlSize::regular;
        spec.tint = ThemeColor::secondary();
        spec.symbol = kind == PaintedButtons::Kind::expand ? QStringLiteral("chevron.down")
                                                           : QStringLiteral("chevron.up");
        break;
    }
    return spec;
}

} // namespace

PaintedButtons::PaintedButtons(QWidget* view)
    : m_view(view)
{
}

QString PaintedButtons::title(Kind kind)
{
    switch (kind) {
    case Kind::review:
        return tr("Review");
    case Kind::retry:
        return tr("Retry");
    case Kind::expand:
    case Kind::collapse:
        return {};
    }
    return {};
}

QSizeF PaintedButtons::size(Kind kind) const
{
    return ButtonStyling::sizeHint(specOf(kind), GlassEnvironment::of(m_view), m_view->font());
}

void PaintedButtons::paint(QPainter& painter, const QRectF& rect, Kind kind, QStyle::State state) const
{
    QStyleOption option;
    option.initFrom(m_view);
    option.rect = rect.toAlignedRect();
    option.state = state;
    ButtonStyling::paint(painter, option, specOf(kind), GlassEnvironment::of(m_view), m_view->font());
}

} // namespace mivo
