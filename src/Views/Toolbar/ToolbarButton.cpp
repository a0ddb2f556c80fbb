#include "Views/Toolbar/ToolbarButton.h"

#include "Styling/Symbols.h"

#include <QMenu>
#include <QMouseEvent>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace mivo {

namespace {

// The chevron after the title of a button that opens a menu.
constexpr int kChevronSide = 8;
constexpr int kChevronGap = 4;

} // namespace

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

void ToolbarButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Not handed on as a press, so the release that follows clicks nothing.
    event->accept();
}

bool ToolbarButton::showsMenuChevron() const
{
    return menu() && popupMode() == QToolButton::InstantPopup;
}

QSize ToolbarButton::sizeHint() const
{
    QSize size = QToolButton::sizeHint();
    if (showsMenuChevron()) {
        // Room for the chevron in place of the style's corner arrow.
        QStyleOptionToolButton option;
        initStyleOption(&option);
        const QSize plain = style()->sizeFromContents(QStyle::CT_ToolButton, &option,
            QSize(option.fontMetrics.horizontalAdvance(option.text) + option.iconSize.width() + 4,
                std::max(option.iconSize.height(), option.fontMetrics.height())),
            this);
        size.setWidth(std::max(size.width(), plain.width() + kChevronGap + kChevronSide));
    }
    return size;
}

void ToolbarButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    QColor color = palette().color(QPalette::ButtonText);
    if (m_tint && isEnabled()) {
        color = m_tint->resolve(palette());
        option.palette.setColor(QPalette::ButtonText, color);
        option.palette.setColor(QPalette::WindowText, color);
    }
    if (!showsMenuChevron()) {
        painter.drawComplexControl(QStyle::CC_ToolButton, option);
        return;
    }
    // The style would draw a small arrow in the corner; a chevron centred after
    // the title reads better.
    option.features &= ~QStyleOptionToolButton::HasMenu;
    const QRect content = option.rect;
    option.rect.setRight(option.rect.right() - kChevronGap - kChevronSide);
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    if (!isEnabled())
        color.setAlphaF(color.alphaF() * 0.5f);
    const QRectF chevron(option.rect.right() + 1, content.center().y() - kChevronSide / 2.0 + 1, kChevronSide,
        kChevronSide);
    Symbols::paint(painter, chevron, QStringLiteral("chevron.down"), color);
}

} // namespace mivo
