#include "Views/Onboarding/ToolProgressRow.h"

#include "State/ToolProgressModel.h"
#include "Styling/Availability.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassRole.h"
#include "Styling/StatusPill.h"
#include "Styling/SurfaceStyle.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/ActivityIndicator.h"
#include "Views/Detail/LinearProgress.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace mivo {

namespace {

constexpr qreal kRowPadding = Tokens::Space::md;
constexpr qreal kIconWidth = 24;
constexpr qreal kProgressBarHeight = LinearProgress::kThickness;
// A spinner at the small control size.
constexpr qreal kRowSpinnerSide = 16;

QFont toolNameFont()
{
    return Typography::font(TextStyle::subheadline, QApplication::font(), QFont::Medium);
}

QFont captionFont()
{
    return Typography::font(TextStyle::caption, QApplication::font());
}

QFont iconFont()
{
    return Typography::font(TextStyle::title3, QApplication::font());
}

// How many lines, at most two, `text` takes at `width` in the caption font.
int wrappedLines(const QString& text, qreal width)
{
    QTextLayout layout(text, captionFont());
    layout.beginLayout();
    int lines = 0;
    while (lines < 2) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(std::max<qreal>(1, width));
        ++lines;
    }
    layout.endLayout();
    return std::max(lines, 1);
}

// The height of the detail line of `tool` at `width`: a failure's text as many
// caption lines as it wraps to, at most two; one line is as tall as any row's.
qreal detailHeight(const ToolProgress& tool, qreal width)
{
    const qreal caption = QFontMetricsF(captionFont()).height();
    switch (tool.phase) {
    case ToolPhase::error:
        return std::max<qreal>(
            wrappedLines(ToolProgressRow::detailText(tool), width) * caption, kRowSpinnerSide);
    case ToolPhase::download:
        return std::max<qreal>(kProgressBarHeight, kRowSpinnerSide);
    default:
        return std::max<qreal>(caption, kRowSpinnerSide);
    }
}

// Draws `text` wrapped into `rect`, at most `maxLines` lines, the last one elided.
void drawWrapped(QPainter& painter, const QRectF& rect, const QString& text, int maxLines)
{
    const QFontMetricsF metrics(painter.font());
    QTextLayout layout(text, painter.font());
    layout.beginLayout();
    qreal y = rect.top();
    int lines = 0;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(rect.width());
        ++lines;
        if (lines == maxLines) {
            const QString rest = text.mid(line.textStart());
            painter.drawText(QPointF(rect.left(), y + metrics.ascent()),
                metrics.elidedText(rest.simplified(), Qt::ElideRight, rect.width()));
            break;
        }
        line.setPosition(QPointF(0, 0));
        line.draw(&painter, QPointF(rect.left(), y));
        y += metrics.height();
    }
    layout.endLayout();
}

} // namespace

ToolProgress ToolProgressRow::rowAt(const QModelIndex& index)
{
    ToolProgress tool;
    tool.id = index.data(ToolProgressModel::IdRole).toString();
    tool.name = index.data(ToolProgressModel::NameRole).toString();
    if (const QVariant percent = index.data(ToolProgressModel::PercentRole); percent.isValid())
        tool.percent = percent.toDouble();
    tool.phase = index.data(ToolProgressModel::PhaseRole).value<ToolPhase>();
    if (const QVariant detail = index.data(ToolProgressModel::DetailRole); detail.isValid())
        tool.detail = detail.toString();
    return tool;
}

QString ToolProgressRow::detailText(const ToolProgress& tool)
{
    switch (tool.phase) {
    case ToolPhase::download:
        return {};
    case ToolPhase::verify:
        return tr("Verifying…");
    case ToolPhase::install:
        return tr("Installing…");
    case ToolPhase::done:
        return tr("Installed");
    case ToolPhase::error:
        return tool.detail && !tool.detail->isEmpty() ? *tool.detail : tr("Couldn't install");
    }
    return {};
}

std::optional<qreal> ToolProgressRow::barFraction(const ToolProgress& tool)
{
    if (tool.phase != ToolPhase::download || !tool.percent || !std::isfinite(*tool.percent))
        return std::nullopt;
    return std::clamp(*tool.percent / 100.0, 0.0, 1.0);
}

bool ToolProgressRow::isSpinning(const ToolProgress& tool)
{
    return (tool.phase == ToolPhase::download && !barFraction(tool)) || tool.phase == ToolPhase::verify
        || tool.phase == ToolPhase::install;
}

namespace {

// The width of a row's texts, in a row of `width`; a finished tool's pill takes
// its share.
qreal textWidth(const ToolProgress& tool, qreal width)
{
    qreal text = width - 2 * kRowPadding - kIconWidth - Tokens::Space::md;
    if (tool.phase == ToolPhase::done)
        text -= StatusPill::sizeFor(
                    ToolProgressRow::tr("Ready"), StatusPill::font(QApplication::font(), false))
                    .width()
            + Tokens::Space::md;
    return std::max<qreal>(0, text);
}

} // namespace

QSize ToolProgressRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const ToolProgress tool = rowAt(index);
    // Rows are as wide as the list shows them.
    int width = option.rect.width();
    if (const auto* list = qobject_cast<const QAbstractItemView*>(option.widget); list && width <= 0)
        width = list->viewport()->width();
    const qreal text = QFontMetricsF(toolNameFont()).height() + Tokens::Space::xxs
        + detailHeight(tool, textWidth(tool, width));
    const qreal content = std::max(text, QFontMetricsF(iconFont()).height());
    return { option.rect.width(), int(std::ceil(2 * kRowPadding + content + kGap)) };
}

void ToolProgressRow::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const ToolProgress tool = rowAt(index);
    const QPalette& palette = option.palette;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    const QRectF card = QRectF(option.rect).adjusted(0, 0, 0, -kGap);
    const GlassTier tier = GlassEnvironment::of(option.widget).tier(Availability::systemGlass());
    const SurfaceStyle surface = SurfaceStyle::of(GlassRole::groupCard(), tier);
    surface.paintBackground(*painter, card, palette);
    const QRectF content = card.adjusted(kRowPadding, kRowPadding, -kRowPadding, -kRowPadding);

    // The status symbol.
    QString symbol = QStringLiteral("arrow.down.circle");
    ThemeColor symbolColor = ThemeColor::accent();
    if (tool.phase == ToolPhase::done) {
        symbol = QStringLiteral("checkmark.circle.fill");
        symbolColor = ThemeColor::green();
    } else if (tool.phase == ToolPhase::error) {
        symbol = QStringLiteral("exclamationmark.triangle.fill");
        symbolColor = ThemeColor::red();
    }
    const qreal symbolSide = std::round(QFontMetricsF(iconFont()).height() * 0.85);
    Symbols::paint(*painter,
        QRectF(content.left() + (kIconWidth - symbolSide) / 2, content.center().y() - symbolSide / 2,
            symbolSide, symbolSide),
        symbol, symbolColor.resolve(palette));

    // The "Ready" pill at the trailing edge.
    qreal right = content.right();
    if (tool.phase == ToolPhase::done) {
        const QFont pillFont = StatusPill::font(QApplication::font(), false);
        const QSizeF pill = StatusPill::sizeFor(tr("Ready"), pillFont);
        StatusPill::paint(*painter,
            QRectF(content.right() - pill.width(), content.center().y() - pill.height() / 2, pill.width(),
                pill.height()),
            StatusRole::done, tr("Ready"), pillFont, palette);
        right -= pill.width() + Tokens::Space::md;
    }

    // The name and the detail line, centred together.
    const qreal left = content.left() + kIconWidth + Tokens::Space::md;
    const qreal width = std::max<qreal>(0, right - left);
    const QFontMetricsF nameMetrics(toolNameFont());
    const qreal detail = detailHeight(tool, width);
    const qreal blockHeight = nameMetrics.height() + Tokens::Space::xxs + detail;
    qreal y = content.center().y() - blockHeight / 2;
    painter->setFont(toolNameFont());
    painter->setPen(ThemeColor::primary().resolve(palette));
    painter->drawText(QRectF(left, y, width, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(tool.name, Qt::ElideRight, width));
    y += nameMetrics.height() + Tokens::Space::xxs;

    const QFont caption = captionFont();
    const QFontMetricsF captionMetrics(caption);
    painter->setFont(caption);
    if (const std::optional<qreal> fraction = barFraction(tool)) {
        const QRectF track(left, y, std::min(width, kBarMaxWidth), detail);
        LinearProgress::paint(*painter, track, *fraction, ThemeColor::accent().resolve(palette), palette);
    } else if (isSpinning(tool)) {
        const qreal side = kRowSpinnerSide;
        const qreal rowMid = y + detail / 2;
        ActivityIndicator::paint(*painter, QRectF(left, rowMid - side / 2, side, side),
            ActivityIndicator::stepNow(), ThemeColor::secondary().resolve(palette));
        const QString text = detailText(tool);
        if (!text.isEmpty()) {
            const qreal textLeft = left + side + Tokens::Space::sm;
            painter->setPen(ThemeColor::secondary().resolve(palette));
            painter->drawText(QRectF(textLeft, y, std::max<qreal>(0, right - textLeft), detail),
                Qt::AlignLeft | Qt::AlignVCenter, text);
        }
    } else if (tool.phase == ToolPhase::error) {
        painter->setPen(ThemeColor::red().resolve(palette));
        drawWrapped(*painter, QRectF(left, y, width, detail), detailText(tool), 2);
    } else {
        painter->setPen(ThemeColor::secondary().resolve(palette));
        painter->drawText(QRectF(left, y, width, captionMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
            detailText(tool));
    }

    surface.paintOverlay(*painter, card, palette);
    painter->restore();
}

} // namespace mivo
