#pragma once

#include "Styling/ThemeColor.h"
#include "Styling/Typography.h"

#include <QWidget>
#include <optional>

namespace mivo {

// A symbol followed by one line of text in a text style, the symbol in its own
// colour, the text in another. A label without text is the symbol alone.
class SymbolLabel : public QWidget {
    Q_OBJECT

public:
    SymbolLabel(const QString& symbol, const ThemeColor& symbolColor, TextStyle style,
        const ThemeColor& textColor, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol, const ThemeColor& color);
    void setWeight(QFont::Weight weight);
    // The symbol's edge as a multiple of the text's line height (1 by default).
    void setSymbolScale(qreal scale);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont textFont() const;
    qreal symbolEdge() const;

    QString m_symbol;
    ThemeColor m_symbolColor;
    TextStyle m_style;
    ThemeColor m_textColor;
    QString m_text;
    QFont::Weight m_weight = QFont::Normal;
    qreal m_symbolScale = 1;
};

} // namespace mivo
