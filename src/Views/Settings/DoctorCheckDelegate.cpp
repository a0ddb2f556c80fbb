#include "Views/Settings/DoctorCheckDelegate.h"

#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/Settings/DoctorCheckModel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace mivo {

namespace {

constexpr qreal kSymbolSize = 16;
QString fixTitle()
{
    return DoctorCheckDelegate::tr("Fix");
}

QFont detailFont(const QFont& base)
{
    return Typography::font(TextStyle::caption, base);
}

} // namespace

QRect DoctorCheckDelegate::fixButtonRect(const QStyleOptionViewItem& option) const
{
    const QFont font = Typography::font(TextStyle::callout, option.font);
    const int width = QFontMetrics(font).horizontalAdvance(fixTitle()) + 2 * int(Tokens::Space::md);
    const int height = 22;
    return { option.rect.right() - int(Tokens::Space::md) - width + 1, option.rect.center().y() - height / 2,
        width, height };
}

QSize DoctorCheckDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFontMetrics title(Typography::font(TextStyle::body, option.font));
    int height = title.height();
    if (index.data(DoctorCheckModel::DetailRole).isValid()) {
        // The detail may wrap; the width is what the view gives the row.
        const QFontMetrics detail(detailFont(option.font));
        const int rowWidth = option.widget ? option.widget->width() : option.rect.width();
        const int textWidth = std::max(100, rowWidth - 140);
        height += 2
            + detail
                  .boundingRect(QRect(0, 0, textWidth, 10000), Qt::TextWordWrap,
                      index.data(DoctorCheckModel::DetailRole).toString())
                  .height();
    }
    return { option.widget ? option.widget->width() : option.rect.width(),
        std::max(40, height + 2 * int(Tokens::Space::sm)) };
}

void DoctorCheckDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QPalette& palette = option.palette;
    const QRectF row = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (index.row() > 0) {
        painter->setPen(QPen(ThemeColor::separator().resolve(palette), 1));
        painter->drawLine(QPointF(row.left() + Tokens::Space::md, row.top() + 0.5),
            QPointF(row.right() - Tokens::Space::md, row.top() + 0.5));
    }

    const QString status = index.data(DoctorCheckModel::SymbolRole).toString();
    const auto* model = qobject_cast<const DoctorCheckModel*>(index.model());
    const QString statusText = model ? model->checks().value(index.row()).status : QString();
    qreal x = row.left() + Tokens::Space::md;
    Symbols::paint(*painter, QRectF(x, row.center().y() - kSymbolSize / 2, kSymbolSize, kSymbolSize), status,
        DoctorCheckModel::colour(statusText).resolve(palette));
    x += kSymbolSize + Tokens::Space::sm;

    const bool fixable = index.data(DoctorCheckModel::FixableRole).toBool();
    const QRect fix = fixButtonRect(option);
    const qreal right = fixable ? fix.left() - Tokens::Space::sm : row.right() - Tokens::Space::md;
    const qreal width = right - x;
    const QFont titleFont = Typography::font(TextStyle::body, option.font);
    const QFontMetricsF titleMetrics(titleFont);
    const QVariant detail = index.data(DoctorCheckModel::DetailRole);
    const QFont captionFont = detailFont(option.font);
    const QRectF detailBounds = detail.isValid()
        ? QFontMetricsF(captionFont)
              .boundingRect(QRectF(0, 0, width, 10000), Qt::TextWordWrap, detail.toString())
        : QRectF();
    const qreal textHeight = titleMetrics.height() + (detail.isValid() ? 2 + detailBounds.height() : 0);
    const qreal top = row.center().y() - textHeight / 2;
    painter->setFont(titleFont);
    painter->setPen(ThemeColor::primary().resolve(palette));
    painter->drawText(QRectF(x, top, width, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        titleMetrics.elidedText(index.data(DoctorCheckModel::TitleRole).toString(), Qt::ElideRight, width));
    if (detail.isValid()) {
        painter->setFont(captionFont);
        painter->setPen(ThemeColor::secondary().resolve(palette));
        painter->drawText(QRectF(x, top + titleMetrics.height() + 2, width, detailBounds.height()),
            Qt::TextWordWrap, detail.toString());
    }

    if (fixable) {
        QStyleOptionButton button;
        button.rect = fix;
        button.text = fixTitle();
        button.palette = palette;
        button.fontMetrics = QFontMetrics(Typography::font(TextStyle::callout, option.font));
        button.state = QStyle::State_Enabled | QStyle::State_Raised;
        if (option.state & QStyle::State_Selected && option.state & QStyle::State_HasFocus)
            button.state |= QStyle::State_HasFocus;
        painter->setFont(Typography::font(TextStyle::callout, option.font));
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
    }
    painter->restore();
}

bool DoctorCheckDelegate::editorEvent(
    QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!index.data(DoctorCheckModel::FixableRole).toBool())
        return false;
    const QString id = index.data(DoctorCheckModel::IdRole).toString();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return fixButtonRect(option).contains(static_cast<QMouseEvent*>(event)->position().toPoint());
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !fixButtonRect(option).contains(mouse->position().toPoint()))
            return false;
        emit fixRequested(id);
        return true;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        emit fixRequested(id);
        return true;
    }
    default:
        return false;
    }
}

} // namespace mivo
