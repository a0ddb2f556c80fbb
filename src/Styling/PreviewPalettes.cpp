#include "Styling/PreviewPalettes.h"

#include <QColor>

namespace mivo::PreviewPalettes {

namespace {

QPalette build(const QColor& window, const QColor& base, const QColor& alternate, const QColor& text,
    const QColor& button, const QColor& highlight)
{
    QPalette palette;
    for (const auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::AlternateBase, alternate);
        palette.setColor(group, QPalette::Button, button);
        palette.setColor(group, QPalette::Highlight, highlight);
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::ToolTipBase, base);
        palette.setColor(group, QPalette::Link, highlight);
        palette.setColor(group, QPalette::BrightText, Qt::white);
        QColor foreground = text;
        if (group == QPalette::Disabled)
            foreground.setAlphaF(0.35f);
        for (const auto role :
            { QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText })
            palette.setColor(group, role, foreground);
        QColor placeholder = text;
        placeholder.setAlphaF(0.4f);
        palette.setColor(group, QPalette::PlaceholderText, placeholder);
        palette.setColor(group, QPalette::Light, button.lighter(130));
        palette.setColor(group, QPalette::Midlight, button.lighter(115));
        palette.setColor(group, QPalette::Mid, button.darker(120));
        palette.setColor(group, QPalette::Dark, button.darker(150));
        palette.setColor(group, QPalette::Shadow, Qt::black);
    }
    return palette;
}

} // namespace

QPalette light()
{
    return build(QColor(236, 236, 236), QColor(255, 255, 255), QColor(245, 245, 245), QColor(28, 28, 30),
        QColor(246, 246, 246), QColor(10, 112, 230));
}

QPalette dark()
{
    return build(QColor(40, 40, 42), QColor(30, 30, 32), QColor(46, 46, 48), QColor(236, 236, 238),
        QColor(62, 62, 64), QColor(24, 132, 255));
}

} // namespace mivo::PreviewPalettes
