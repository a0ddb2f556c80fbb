#pragma once

#include <QString>
#include <QWidget>

class QBoxLayout;
class QLabel;
class QVBoxLayout;

namespace mivo {

class FormText;
class ThemeColor;
class GlassSurface;

// One section of a grouped settings form: a plain header, a card of rows with
// hairlines between the visible ones, and a caption footer that explains the
// section. Rows are hidden and shown as the pane's state asks; an empty
// header or footer takes no room.
class SettingsSection : public QWidget {
    Q_OBJECT

public:
    explicit SettingsSection(
        const QString& header = {}, const QString& footer = {}, QWidget* parent = nullptr);

    // Adds a row holding `content`; returns the row, which the caller may hide.
    QWidget* addRow(QWidget* content);
    // Adds a row laid out by `layout` (usually a horizontal box).
    QWidget* addRow(QBoxLayout* layout);
    // A row with a text on the leading side and `value` on the trailing side.
    QWidget* addLabeledRow(const QString& label, QWidget* value);

    FormText* header() const { return m_header; }
    FormText* footer() const { return m_footer; }
    void setFooterText(const QString& text);
    // A footer that is a label: the symbol before the text, both in `color`.
    void setFooterLabel(const QString& text, const QString& symbol, const ThemeColor& color);
    // The symbol shown before the footer's text; empty when there is none.
    QString footerSymbol() const { return m_footerSymbolName; }
    // Replaces the header's text with a row of widgets (a title and a button).
    void setHeaderWidget(QWidget* widget);

private:
    FormText* m_header;
    GlassSurface* m_card;
    QVBoxLayout* m_rows;
    FormText* m_footer;
    QLabel* m_footerSymbol;
    QString m_footerSymbolName;
};

} // namespace mivo
