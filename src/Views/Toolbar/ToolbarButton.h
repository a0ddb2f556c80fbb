#pragma once

#include "Styling/ThemeColor.h"

#include <QToolButton>
#include <optional>

namespace mivo {

// A tool bar button whose symbol and title share one tint (none: the usual
// text colour). The colour is resolved against the palette at paint time, so
// the button follows a change of appearance. A button without a title shows
// its symbol alone. The second press of a double-click does nothing: the
// button under it may just have taken the place of the one first pressed
// (Sync appears where Cancel Sync was), and must not act on a press meant
// for the other.
class ToolbarButton : public QToolButton {
    Q_OBJECT

public:
    explicit ToolbarButton(QWidget* parent = nullptr);

    // Symbol, title and tint in one go; an empty title leaves the symbol alone.
    void setLabel(const QString& symbol, const QString& title, std::optional<ThemeColor> tint);
    const std::optional<ThemeColor>& tint() const { return m_tint; }
    QString symbol() const { return m_symbol; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool showsMenuChevron() const;

    QString m_symbol;
    std::optional<ThemeColor> m_tint;
};

} // namespace mivo
