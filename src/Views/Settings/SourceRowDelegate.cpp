#include "Views/Settings/SourceRowDelegate.h"

#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/FocusFrame.h"
#include "Views/Onboarding/ServiceIcon.h"
#include "Views/Settings/SourceOrderModel.h"
#include "Views/Settings/SwitchButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace mivo {

namespace {

constexpr qreal kIconSize = 18;
constexpr qreal kHandleSize = 14;

void flip(QAbstractItemModel* model, const QModelIndex& index)
{
    const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

} // namespace

QRect SourceRowDelegate::switchRect(const QRect& row)
{
    const QSize size = SwitchButton::switchSize();
    const int right = row.right() - int(Tokens::Space::md);
    return { right - size.width() + 1, row.center().y() - size.height() / 2, size.width(), size.height() };
}

QSize SourceRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return { option.rect.width(), kRowHeight };
}

void SourceRowDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QPalette& palette = option.palette;
    const QRectF row = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    if (option.state & QStyle::State_Selected && option.state & QStyle::State_HasFocus) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(ThemeColor::accent().withOpacity(0.12).resolve(palette));
        painter->drawRoundedRect(row.adjusted(4, 2, -4, -2), Tokens::Radius::chip, Tokens::Radius::chip);
    }
    if (index.row() > 0) {
        painter->setPen(QPen(ThemeColor::separator().resolve(palette), 1));
        painter->drawLine(QPointF(row.left() + Tokens::Space::md, row.top() + 0.5),
            QPointF(row.right() - Tokens::Space::md, row.top() + 0.5));
    }

    qreal x = row.left() + Tokens::Space::md;
    const qreal centreY = row.center().y();
    Symbols::paint(*painter, QRectF(x, centreY - kHandleSize / 2, kHandleSize, kHandleSize),
        QStringLiteral("line.3.horizontal"), ThemeColor::tertiary().resolve(palette));
    x += kHandleSize + Tokens::Space::sm;
    const ServiceIcon::Look icon { index.data(SourceOrderModel::AssetRole).toString(), kIconSize,
        ThemeColor::secondary(), std::nullopt, QStringLiteral("music.note"), index.data().toString() };
    ServiceIcon::paint(*painter, QRectF(x, centreY - kIconSize / 2, kIconSize, kIconSize), icon, palette);
    x += kIconSize + Tokens::Space::sm;

    const QRect toggle = switchRect(option.rect);
    const qreal textWidth = toggle.left() - Tokens::Space::sm - x;
    const QFont nameFont = Typography::font(TextStyle::body, option.font);
    const QFont blurbFont = Typography::font(TextStyle::caption, option.font);
    const QFontMetricsF nameMetrics(nameFont);
    const QFontMetricsF blurbMetrics(blurbFont);
    const qreal textHeight = nameMetrics.height() + 1 + blurbMetrics.height();
    const qreal top = centreY - textHeight / 2;
    painter->setFont(nameFont);
    painter->setPen(ThemeColor::primary().resolve(palette));
    painter->drawText(QRectF(x, top, textWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, textWidth));
    painter->setFont(blurbFont);
    painter->setPen(ThemeColor::secondary().resolve(palette));
    painter->drawText(QRectF(x, top + nameMetrics.height() + 1, textWidth, blurbMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        blurbMetrics.elidedText(
            index.data(SourceOrderModel::BlurbRole).toString(), Qt::ElideRight, textWidth));

    SwitchButton::paint(*painter, toggle, index.data(Qt::CheckStateRole).toInt() == Qt::Checked,
        option.state & QStyle::State_Enabled, palette);
    painter->restore();
    // The keyboard's current row: the style's ring (after keyboard use).
    if (option.state & QStyle::State_HasFocus)
        FocusFrame::paint(*painter, option, row.adjusted(4, 2, -4, -2).toAlignedRect(), option.widget, {},
            (option.state & QStyle::State_Selected) ? ThemeColor::accent().withOpacity(0.12).resolve(palette)
                                                    : QColor());
}

bool SourceRowDelegate::editorEvent(
    QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // Swallowed on the switch so that a click there never starts a drag.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        return switchRect(option.rect).contains(mouse->position().toPoint());
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton
            || !switchRect(option.rect).contains(mouse->position().toPoint()))
            return false;
        flip(model, index);
        return true;
    }
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Space && key->key() != Qt::Key_Select)
            return false;
        flip(model, index);
        return true;
    }
    default:
        return false;
    }
}

} // namespace mivo
