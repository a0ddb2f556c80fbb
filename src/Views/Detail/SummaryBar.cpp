#include "Views/Detail/SummaryBar.h"

#include "Styling/Availability.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassRole.h"
#include "Styling/SurfaceStyle.h"
#include "Styling/ThemeColor.h"
#include "Styling/Typography.h"
#include "Views/Detail/LinearProgress.h"

#include <QEvent>
#include <QPainter>
#include <cmath>

namespace mivo {

namespace {

constexpr qreal kHorizontalPadding = 16;
constexpr qreal kVerticalPadding = 8;
constexpr qreal kBarSpacing = 4;
constexpr qreal kAccessorySpacing = 8;
constexpr qreal kProgressHeight = 7;

} // namespace

SummaryBar::SummaryBar(QWidget* parent)
    : QWidget(parent)
    , m_progress(new LinearProgress(this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_NoSystemBackground);
    m_progress->hide();
}

void SummaryBar::setTexts(const QString& title, const QString& line)
{
    if (title == m_title && line == m_line)
        return;
    m_title = title;
    m_line = line;
    setAccessibleName(title);
    setAccessibleDescription(line);
    place();
    update();
}

void SummaryBar::setTitleAccessory(QWidget* accessory)
{
    m_accessory = accessory;
    accessory->setParent(this);
    place();
}

void SummaryBar::setProgressShown(bool shown)
{
    if (shown == m_progressShown)
        return;
    m_progressShown = shown;
    m_progress->setVisible(shown);
    updateGeometry();
    place();
}

QFont SummaryBar::titleFont() const
{
    return Typography::font(TextStyle::subheadline, font(), QFont::DemiBold);
}

QFont SummaryBar::lineFont() const
{
    return Typography::font(TextStyle::caption, font());
}

QSize SummaryBar::sizeHint() const
{
    const qreal row
        = std::max({ kRowHeight, QFontMetricsF(titleFont()).height(), QFontMetricsF(lineFont()).height() });
    const qreal height = 2 * kVerticalPadding + row + (m_progressShown ? kBarSpacing + kProgressHeight : 0);
    const qreal width = 2 * kHorizontalPadding + QFontMetricsF(titleFont()).horizontalAdvance(m_title)
        + QFontMetricsF(lineFont()).horizontalAdvance(m_line) + 2 * kAccessorySpacing;
    return { int(std::ceil(width)), int(std::ceil(height)) };
}

void SummaryBar::place()
{
    const qreal row
        = std::max({ kRowHeight, QFontMetricsF(titleFont()).height(), QFontMetricsF(lineFont()).height() });
    const qreal centre = kVerticalPadding + row / 2;
    if (m_accessory) {
        const QSize size = m_accessory->sizeHint();
        const qreal x = kHorizontalPadding + std::ceil(QFontMetricsF(titleFont()).horizontalAdvance(m_title))
            + kAccessorySpacing;
        m_accessory->setGeometry(
            int(x), int(std::round(centre - size.height() / 2.0)), size.width(), size.height());
    }
    m_progress->setGeometry(int(kHorizontalPadding), int(kVerticalPadding + row + kBarSpacing),
        std::max(0, width() - int(2 * kHorizontalPadding)), int(kProgressHeight));
}

void SummaryBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF area(rect());
    const GlassTier tier = GlassEnvironment::of(this).tier(Availability::systemGlass());
    const SurfaceStyle surface = SurfaceStyle::of(GlassRole::chrome(), tier);
    surface.paintBackground(painter, area, palette());
    surface.paintOverlay(painter, area, palette());

    const QFont title = titleFont();
    const QFont line = lineFont();
    const qreal row = std::max({ kRowHeight, QFontMetricsF(title).height(), QFontMetricsF(line).height() });
    const QRectF rowRect(
        kHorizontalPadding, kVerticalPadding, std::max<qreal>(0, area.width() - 2 * kHorizontalPadding), row);
    const qreal titleWidth = QFontMetricsF(title).horizontalAdvance(m_title);
    painter.setFont(title);
    painter.setPen(ThemeColor::primary().resolve(palette()));
    painter.drawText(rowRect, Qt::AlignLeft | Qt::AlignVCenter, m_title);

    qreal lineLeft = rowRect.left() + titleWidth + kAccessorySpacing;
    if (m_accessory)
        lineLeft += m_accessory->width() + kAccessorySpacing;
    const QRectF lineRect(lineLeft, rowRect.top(), std::max<qreal>(0, rowRect.right() - lineLeft), row);
    painter.setFont(line);
    painter.setPen(ThemeColor::secondary().resolve(palette()));
    painter.drawText(lineRect, Qt::AlignRight | Qt::AlignVCenter,
        QFontMetricsF(line).elidedText(m_line, Qt::ElideRight, lineRect.width() + 0.5));

    // The hairline along the bottom edge.
    painter.fillRect(
        QRectF(0, area.height() - 1, area.width(), 1), ThemeColor::separator().resolve(palette()));
}

void SummaryBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place();
}

void SummaryBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        place();
    }
}

} // namespace mivo
