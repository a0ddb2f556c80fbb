#include "Views/Onboarding/QualityOption.h"

#include "Styling/Availability.h"
#include "Styling/FocusRing.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/SurfaceStyle.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace mivo {

namespace {

constexpr qreal kOptionPadding = Tokens::Space::md;

QFont nameFont()
{
    return Typography::font(TextStyle::body, QApplication::font(), QFont::Medium);
}

QFont blurbFont()
{
    return Typography::font(TextStyle::callout, QApplication::font());
}

qreal symbolSide()
{
    return std::round(
        QFontMetricsF(Typography::font(TextStyle::title3, QApplication::font())).height() * 0.85);
}

qreal textLeft()
{
    return kOptionPadding + symbolSide() + Tokens::Space::md;
}

} // namespace

QualityOption::QualityOption(const ServiceCatalog::QualityProfileInfo& info, QWidget* parent)
    : QAbstractButton(parent)
    , m_info(info)
{
    setObjectName(QStringLiteral("quality-") + rawString(info.id));
    setCheckable(true);
    setAutoExclusive(true);
    setText(info.name);
    setAccessibleName(info.name);
    setAccessibleDescription(info.blurb);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setCursor(Qt::PointingHandCursor);
}

int QualityOption::heightForWidth(int width) const
{
    const qreal textWidth = std::max<qreal>(40, width - textLeft() - kOptionPadding);
    const QRectF blurb
        = QFontMetricsF(blurbFont())
              .boundingRect(QRectF(0, 0, textWidth, 10000), Qt::TextWordWrap | Qt::AlignLeft, m_info.blurb);
    const qreal text = QFontMetricsF(nameFont()).height() + Tokens::Space::xxs + blurb.height();
    return int(std::ceil(2 * kOptionPadding + std::max(text, symbolSide())));
}

QSize QualityOption::sizeHint() const
{
    return { 400, heightForWidth(400) };
}

void QualityOption::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}

void QualityOption::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect());
    const bool selected = isChecked();
    const GlassTier tier = GlassEnvironment::of(this).tier(Availability::systemGlass());
    const SurfaceStyle surface = SurfaceStyle::of(
        selected ? GlassRole::selection(ThemeColor::accent()) : GlassRole::groupCard(), tier);
    surface.paintBackground(painter, card, palette());

    const qreal side = symbolSide();
    const QFontMetricsF nameMetrics(nameFont());
    // Top-aligned: the symbol sits on the name's line.
    Symbols::paint(painter,
        QRectF(kOptionPadding, kOptionPadding + (nameMetrics.height() - side) / 2, side, side),
        selected ? QStringLiteral("largecircle.fill.circle") : QStringLiteral("circle"),
        (selected ? ThemeColor::accent() : ThemeColor::secondary()).resolve(palette()));

    const qreal left = textLeft();
    const qreal width = std::max<qreal>(0, card.width() - left - kOptionPadding);
    painter.setFont(nameFont());
    painter.setPen(ThemeColor::primary().resolve(palette()));
    painter.drawText(QRectF(left, kOptionPadding, width, nameMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter, m_info.name);
    painter.setFont(blurbFont());
    painter.setPen(ThemeColor::secondary().resolve(palette()));
    painter.drawText(
        QRectF(left, kOptionPadding + nameMetrics.height() + Tokens::Space::xxs, width, card.height()),
        Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, m_info.blurb);

    surface.paintOverlay(painter, card, palette());
    if (FocusRing::shows(this))
        FocusRing::paintWithin(painter, card, surface.cornerRadius, palette(),
            selected ? ThemeColor::accent().withOpacity(0.18).resolve(palette()) : QColor());
}

} // namespace mivo
