#pragma once

#include "State/ToolProgress.h"

#include <QStyledItemDelegate>
#include <optional>

namespace mivo {

// Paints one row of the tool provisioning list (ToolProgressModel) as a card:
// a status symbol, the tool's name, and below it a bar while downloading with
// a known percent, a small spinner with "Verifying…" or "Installing…", or the
// outcome ("Installed" and a "Ready" pill, or the failure in red on up to two
// lines). Rows are spaced by a gap below each card.
class ToolProgressRow : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr qreal kGap = 12;
    static constexpr qreal kBarMaxWidth = 220;

    using QStyledItemDelegate::QStyledItemDelegate;

    // The row of a model index.
    static ToolProgress rowAt(const QModelIndex& index);
    // What the detail line shows in words; empty for a bar or a bare spinner.
    static QString detailText(const ToolProgress& tool);
    // The filled share of the bar, 0...1, when the row shows one.
    static std::optional<qreal> barFraction(const ToolProgress& tool);
    // Whether the row shows a spinner that needs repainting while it turns.
    static bool isSpinning(const ToolProgress& tool);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace mivo
