#pragma once

#include "Styling/ThemeColor.h"
#include "Styling/Typography.h"

#include <QWidget>

namespace mivo {

// Plain text in a text style and colour that wraps onto at most `maxLines`
// lines and ends the last one with "…" when it does not fit. The full text is
// the tooltip while it is cut, and always the accessible name.
class ElidedLabel : public QWidget {
    Q_OBJECT

public:
    ElidedLabel(TextStyle style, const ThemeColor& color, int maxLines = 1, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void setWeight(QFont::Weight weight);
    void setColor(const ThemeColor& color);
    // The lines as drawn at the current width.
    QStringList shownLines() const { return linesFor(width()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QFont textFont() const;
    QStringList linesFor(int width) const;
    void textChanged();

    TextStyle m_style;
    ThemeColor m_color;
    int m_maxLines;
    QFont::Weight m_weight = QFont::Normal;
    QString m_text;
};

} // namespace mivo
