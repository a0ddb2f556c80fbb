#pragma once

#include "Styling/ThemeColor.h"
#include "Styling/Typography.h"

#include <QLabel>

namespace mivo {

// A text of a settings form in one of the named text styles and colours. The
// colour is a named colour resolved against the surrounding palette, so the
// text follows a change between light and dark. Plain text unless a format is
// set; words wrap when asked.
class FormText : public QLabel {
    Q_OBJECT

public:
    explicit FormText(const QString& text = {}, TextStyle style = TextStyle::body,
        const ThemeColor& color = ThemeColor::primary(), QWidget* parent = nullptr);

    TextStyle textStyle() const { return m_style; }
    ThemeColor color() const { return m_color; }
    void setColor(const ThemeColor& color);
    void setTextStyle(TextStyle style, QFont::Weight weight = QFont::Normal);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColor();

    TextStyle m_style;
    ThemeColor m_color;
    bool m_applying = false;
};

} // namespace mivo
