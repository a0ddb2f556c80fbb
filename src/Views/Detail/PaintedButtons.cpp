#include "Views/Detail/PaintedButtons.h"

#include "Styling/ButtonStyling.h"
#include "Styling/ThemeColor.h"

#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>

namespace mivo {

PaintedButtons::PaintedButtons(QWidget* view)
{
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const auto kind = Kind(i);
        auto* button = new QPushButton(title(kind), view);
        button->hide();
        button->setFocusPolicy(Qt::NoFocus);
        switch (kind) {
        case Kind::review:
            ButtonStyling::setStyle(button, ButtonStyle::bordered);
            ButtonStyling::setControlSize(button, ControlSize::small);
            ButtonStyling::setTint(button, ThemeColor::orange());
            ButtonStyling::setSymbol(button, QStringLiteral("exclamationmark.triangle.fill"));
            break;
        case Kind::retry:
            ButtonStyling::setStyle(button, ButtonStyle::borderless);
            ButtonStyling::setControlSize(button, ControlSize::small);
            break;
        case Kind::expand:
        case Kind::collapse:
            ButtonStyling::setStyle(button, ButtonStyle::borderless);
            ButtonStyling::setControlSize(button, ControlSize::regular);
            ButtonStyling::setTint(button, ThemeColor::secondary());
            ButtonStyling::setSymbol(
                button, kind == Kind::expand ? QStringLiteral("chevron.down") : QStringLiteral("chevron.up"));
            break;
        }
        m_buttons[i] = button;
    }
}

QString PaintedButtons::title(Kind kind)
{
    switch (kind) {
    case Kind::review:
        return QStringLiteral("Review");
    case Kind::retry:
        return QStringLiteral("Retry");
    case Kind::expand:
    case Kind::collapse:
        return {};
    }
    return {};
}

QSizeF PaintedButtons::size(Kind kind) const
{
    return button(kind)->sizeHint();
}

void PaintedButtons::paint(QPainter& painter, const QRectF& rect, Kind kind, QStyle::State state) const
{
    QPushButton* templateButton = button(kind);
    QStyleOptionButton option;
    option.initFrom(templateButton);
    option.text = templateButton->text();
    option.rect = rect.toAlignedRect();
    option.state = state | QStyle::State_Raised;
    option.palette = templateButton->palette();
    templateButton->style()->drawControl(QStyle::CE_PushButton, &option, &painter, templateButton);
}

} // namespace mivo
