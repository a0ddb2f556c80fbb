#include "Views/Banners/OrphanFileDelegate.h"

#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"

#include <QAbstractItemView>
#include <QCursor>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <cmath>

namespace mivo {

namespace {

constexpr qreal kOrphanRowGap = Tokens::Space::xs;

QFont nameFont(const QFont& base)
{
    return Typography::font(TextStyle::caption, base);
}

qreal symbolEdge(const QFont& base)
{
    return std::round(QFontMetricsF(Typography::font(TextStyle::caption2, base)).height() * 0.85);
}

struct Geometry {
    QRectF symbol, name, reveal;
};

Geometry geometry(const QStyleOptionViewItem& option, const QString& name)
{
    const QRectF rect(option.rect);
    const qreal edge = symbolEdge(option.font);
    const qreal button = edge + Tokens::Space::sm;
    Geometry g;
    g.symbol = QRectF(rect.left(), rect.center().y() - edge / 2, edge, edge);
    const qreal nameLeft = g.symbol.right() + kOrphanRowGap;
    const qreal available = std::max<qreal>(0, rect.right() - nameLeft - kOrphanRowGap - button);
    const qreal nameWidth
        = std::min(available, std::ceil(QFontMetricsF(nameFont(option.font)).horizontalAdvance(name)));
    g.name = QRectF(nameLeft, rect.top(), nameWidth, rect.height());
    g.reveal = QRectF(g.name.right() + kOrphanRowGap, rect.center().y() - button / 2, button, button);
    return g;
}

} // namespace

QString OrphanFileDelegate::fileName(const QString& path)
{
    QStringView trimmed(path);
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf(u'/');
    return (slash < 0 || trimmed.size() == 1 ? trimmed : trimmed.mid(slash + 1)).toString();
}

QRect OrphanFileDelegate::revealRect(const QStyleOptionViewItem& option, const QString& path)
{
    return geometry(option, fileName(path)).reveal.toAlignedRect();
}

QString OrphanFileDelegate::revealLabel()
{
    return tr("Reveal in File Manager");
}

QSize OrphanFileDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const qreal line = QFontMetricsF(nameFont(option.font)).height();
    return QSize(
        option.rect.width(), int(std::ceil(std::max(line, symbolEdge(option.font) + Tokens::Space::sm))));
}

void OrphanFileDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString name = fileName(index.data(Qt::DisplayRole).toString());
    const Geometry g = geometry(option, name);
    const QPalette& palette = option.palette;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    Symbols::paint(*painter, g.symbol, QStringLiteral("doc"), ThemeColor::secondary().resolve(palette));
    const QFont font = nameFont(option.font);
    painter->setFont(font);
    painter->setPen(ThemeColor::primary().resolve(palette));
    painter->drawText(g.name, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(font).elidedText(name, Qt::ElideMiddle, g.name.width()));
    const bool hovered = (option.state & QStyle::State_MouseOver) && option.widget
        && g.reveal.contains(option.widget->mapFromGlobal(QCursor::pos()));
    const qreal edge = symbolEdge(option.font);
    const QRectF glyph(g.reveal.center().x() - edge / 2, g.reveal.center().y() - edge / 2, edge, edge);
    QColor color = ThemeColor::accent().resolve(palette);
    if (hovered)
        color = color.darker(125);
    Symbols::paint(*painter, glyph, QStringLiteral("magnifyingglass"), color);
    painter->restore();
}

bool OrphanFileDelegate::editorEvent(
    QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QString path = index.data(Qt::DisplayRole).toString();
        if (mouse->button() == Qt::LeftButton
            && revealRect(option, path).contains(mouse->position().toPoint())) {
            emit revealRequested(path);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

bool OrphanFileDelegate::helpEvent(
    QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() == QEvent::ToolTip
        && revealRect(option, index.data(Qt::DisplayRole).toString()).contains(event->pos())) {
        QToolTip::showText(event->globalPos(), revealLabel(), view);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

} // namespace mivo
