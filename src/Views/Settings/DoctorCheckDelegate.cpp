#include "Views/Settings/DoctorCheckDelegate.h"

#include "Styling/ButtonStyling.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/Settings/DoctorCheckModel.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace mivo {

namespace {

constexpr qreal kCheckSymbolSize = 16;
constexpr int kDetailGap = 2;

ButtonStyling::Spec fixButton()
{
    ButtonStyling::Spec spec;
    spec.style = ButtonStyle::bordered;
    spec.text = DoctorCheckDelegate::tr("Fix");
    spec.controlSize = ControlSize::small;
    return spec;
}

QFont titleFont(const QFont& base)
{
    return Typography::font(TextStyle::body, base);
}

QFont detailFont(const QFont& base)
{
    return Typography::font(TextStyle::caption, base);
}

// The width a row is drawn at: the list's, as the list lays its rows out.
int rowWidth(const QStyleOptionViewItem& option)
{
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget))
        return view->viewport()->width();
    return option.rect.width();
}

} // namespace

DoctorCheckDelegate::DoctorCheckDelegate(QAbstractItemView* view)
    : QStyledItemDelegate(view)
    , m_view(view)
{
    view->viewport()->installEventFilter(this);
}

QRect DoctorCheckDelegate::fixButtonRect(const QStyleOptionViewItem& option) const
{
    const QSize size = ButtonStyling::sizeHint(fixButton(), GlassEnvironment::of(option.widget), option.font);
    return { option.rect.right() - int(Tokens::Space::md) - size.width() + 1,
        option.rect.center().y() - size.height() / 2, size.width(), size.height() };
}

namespace {

// The column of the title and the detail in `row`: after the symbol, before
// the Fix button when there is one.
QRectF textColumn(const QRect& row, const QRect& fix, bool fixable)
{
    const qreal left = row.left() + Tokens::Space::md + kCheckSymbolSize + Tokens::Space::sm;
    const qreal right = fixable ? fix.left() - Tokens::Space::sm : row.right() + 1 - Tokens::Space::md;
    return { left, qreal(row.top()), std::max<qreal>(1, right - left), qreal(row.height()) };
}

} // namespace

QSize DoctorCheckDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int width = rowWidth(option);
    QStyleOptionViewItem row = option;
    row.rect = QRect(0, 0, width, 0);
    const bool fixable = index.data(DoctorCheckModel::FixableRole).toBool();
    const QRectF column = textColumn(row.rect, fixButtonRect(row), fixable);
    qreal height = QFontMetricsF(titleFont(option.font)).height();
    const QVariant detail = index.data(DoctorCheckModel::DetailRole);
    if (detail.isValid()) {
        height += kDetailGap
            + QFontMetricsF(detailFont(option.font))
                  .boundingRect(QRectF(0, 0, column.width(), 1e6), Qt::TextWordWrap, detail.toString())
                  .height();
    }
    const int fixHeight = fixable ? fixButtonRect(row).height() : 0;
    return { width,
        std::max({ 40, int(std::ceil(height)) + 2 * int(Tokens::Space::sm),
            fixHeight + 2 * int(Tokens::Space::sm) }) };
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
    Symbols::paint(*painter,
        QRectF(row.left() + Tokens::Space::md, row.center().y() - kCheckSymbolSize / 2, kCheckSymbolSize,
            kCheckSymbolSize),
        status, DoctorCheckModel::colour(statusText).resolve(palette));

    const bool fixable = index.data(DoctorCheckModel::FixableRole).toBool();
    const QRect fix = fixButtonRect(option);
    const QRectF column = textColumn(option.rect, fix, fixable);
    const qreal width = column.width();
    const QFont title = titleFont(option.font);
    const QFontMetricsF titleMetrics(title);
    const QVariant detail = index.data(DoctorCheckModel::DetailRole);
    const QFont caption = detailFont(option.font);
    const QRectF detailBounds = detail.isValid()
        ? QFontMetricsF(caption).boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, detail.toString())
        : QRectF();
    const qreal textHeight
        = titleMetrics.height() + (detail.isValid() ? kDetailGap + detailBounds.height() : 0);
    const qreal top = row.center().y() - textHeight / 2;
    painter->setFont(title);
    painter->setPen(ThemeColor::primary().resolve(palette));
    painter->drawText(QRectF(column.left(), top, width, titleMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        titleMetrics.elidedText(index.data(DoctorCheckModel::TitleRole).toString(), Qt::ElideRight, width));
    if (detail.isValid()) {
        painter->setFont(caption);
        painter->setPen(ThemeColor::secondary().resolve(palette));
        painter->drawText(
            QRectF(column.left(), top + titleMetrics.height() + kDetailGap, width, detailBounds.height()),
            Qt::TextWordWrap, detail.toString());
    }
    painter->restore();

    if (fixable) {
        QStyleOption button;
        button.rect = fix;
        button.palette = palette;
        button.direction = option.direction;
        button.state = QStyle::State_Enabled;
        if (m_hovered == index)
            button.state |= QStyle::State_MouseOver;
        if (m_pressed == index && m_hovered == index)
            button.state |= QStyle::State_Sunken;
        if (option.state & QStyle::State_Selected && option.state & QStyle::State_HasFocus)
            button.state |= QStyle::State_HasFocus;
        ButtonStyling::paint(*painter, button, fixButton(), GlassEnvironment::of(option.widget), option.font);
    }
}

void DoctorCheckDelegate::setHovered(const QModelIndex& index)
{
    moveMark(m_hovered, index);
}

void DoctorCheckDelegate::setPressed(const QModelIndex& index)
{
    moveMark(m_pressed, index);
}

void DoctorCheckDelegate::moveMark(QPersistentModelIndex& mark, const QModelIndex& index)
{
    if (mark == index)
        return;
    const QModelIndex was = mark;
    mark = index;
    m_view->update(was);
    m_view->update(index);
}

bool DoctorCheckDelegate::editorEvent(
    QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const bool fixable = index.data(DoctorCheckModel::FixableRole).toBool();
    const auto onButton = [&](const QEvent* e) {
        return fixable
            && fixButtonRect(option).contains(static_cast<const QMouseEvent*>(e)->position().toPoint());
    };
    switch (event->type()) {
    case QEvent::MouseMove:
        setHovered(onButton(event) ? index : QModelIndex());
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!onButton(event) || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        setHovered(index);
        setPressed(index);
        return true;
    case QEvent::MouseButtonRelease: {
        const bool pressedHere = m_pressed == index;
        setPressed({});
        if (!pressedHere || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton || !onButton(event))
            return false;
        emit fixRequested(index.data(DoctorCheckModel::IdRole).toString());
        return true;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (!fixable || (key != Qt::Key_Space && key != Qt::Key_Select))
            return false;
        emit fixRequested(index.data(DoctorCheckModel::IdRole).toString());
        return true;
    }
    default:
        return false;
    }
}

bool DoctorCheckDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // What the rows never hear of: the mouse leaving the list, and a button
    // let go away from every row.
    switch (event->type()) {
    case QEvent::Leave:
        setHovered({});
        break;
    case QEvent::MouseButtonRelease:
        if (!m_view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).isValid())
            setPressed({});
        break;
    default:
        break;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

} // namespace mivo
