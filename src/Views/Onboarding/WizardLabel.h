#pragma once

#include "Styling/ThemeColor.h"
#include "Styling/Typography.h"

#include <QLabel>
#include <optional>

namespace mivo {

// A plain text of the setup wizard in one of the named text styles and a
// design colour. The colour is resolved against the surrounding palette each
// time it changes, so the text follows the light and dark appearance.
class WizardLabel : public QLabel {
    Q_OBJECT

public:
    WizardLabel(const QString& text, TextStyle style, const ThemeColor& color = ThemeColor::primary(),
        QFont::Weight weight = QFont::Normal, QWidget* parent = nullptr);

    const ThemeColor& color() const { return m_color; }
    void setColor(const ThemeColor& color);
    // Wraps onto as many lines as the width needs.
    WizardLabel* wrapping();
    // Stays on one line, cutting `text` with an ellipsis where `mode` says
    // when the width is too small; the full text is the tool tip.
    WizardLabel* eliding(Qt::TextElideMode mode);
    void setFullText(const QString& text);
    const QString& fullText() const { return m_fullText; }

protected:
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyColor();
    void applyElision();

    ThemeColor m_color;
    std::optional<Qt::TextElideMode> m_elide;
    QString m_fullText;
};

} // namespace mivo
