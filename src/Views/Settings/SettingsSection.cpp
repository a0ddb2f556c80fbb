#include "Views/Settings/SettingsSection.h"

#include "Styling/GlassRole.h"
#include "Styling/GlassSurface.h"
#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"
#include "Styling/Tokens.h"
#include "Views/Settings/FormText.h"
#include "Views/ViewAccessibility.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QPainter>

namespace mivo {

namespace {

constexpr int kRowMinimumHeight = 36;

// A row of the card. It draws the hairline above itself when a visible row
// comes before it, so hiding rows never leaves a double or dangling line. It is
// never lower than a row of one control, nor than what it holds needs: a fixed
// minimum height would let the card squeeze a tall row's contents instead of
// the pane scrolling.
class FormRow : public QWidget {
public:
    using QWidget::QWidget;

    QSize minimumSizeHint() const override
    {
        return QWidget::minimumSizeHint().expandedTo(QSize(0, kRowMinimumHeight));
    }
    QSize sizeHint() const override { return QWidget::sizeHint().expandedTo(QSize(0, kRowMinimumHeight)); }

protected:
    // The layout sets the row's minimum to what it holds each time it is laid
    // out (a minimum the card's layout keeps also where it measures rows by
    // their width); the row keeps the floor of a row of one control under it.
    bool event(QEvent* event) override
    {
        const bool handled = QWidget::event(event);
        if (event->type() == QEvent::LayoutRequest && minimumHeight() < kRowMinimumHeight)
            setMinimumHeight(kRowMinimumHeight);
        return handled;
    }

    void paintEvent(QPaintEvent*) override
    {
        if (!hasVisibleRowBefore())
            return;
        QPainter painter(this);
        painter.setPen(QPen(ThemeColor::separator().resolve(palette()), 1));
        const qreal y = 0.5;
        painter.drawLine(QPointF(Tokens::Space::md, y), QPointF(width() - Tokens::Space::md, y));
    }

private:
    bool hasVisibleRowBefore() const
    {
        const QWidget* card = parentWidget();
        if (!card)
            return false;
        for (const QObject* sibling : card->children()) {
            if (sibling == this)
                return false;
            const auto* row = qobject_cast<const QWidget*>(sibling);
            if (row && dynamic_cast<const FormRow*>(row) && !row->isHidden())
                return true;
        }
        return false;
    }
};

} // namespace

SettingsSection::SettingsSection(const QString& header, const QString& footer, QWidget* parent)
    : QWidget(parent)
    , m_header(new FormText(header, TextStyle::subheadline, ThemeColor::primary(), this))
    , m_card(new GlassSurface(GlassRole::groupCard(), this))
    , m_rows(new QVBoxLayout(m_card))
    , m_footer(new FormText(footer, TextStyle::caption, ThemeColor::secondary(), this))
    , m_footerSymbol(new QLabel(this))
{
    m_footerSymbol->hide();
    ViewAccessibility::hide(m_footerSymbol); // the footer's text says it
    m_header->setTextStyle(TextStyle::subheadline, QFont::DemiBold);
    m_header->setVisible(!header.isEmpty());
    m_footer->setWordWrap(true);
    m_footer->setVisible(!footer.isEmpty());
    m_rows->setContentsMargins(0, Tokens::Space::xxs, 0, Tokens::Space::xxs);
    m_rows->setSpacing(0);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Tokens::Space::xs + Tokens::Space::xxs);
    const int inset = int(Tokens::Space::xs);
    auto* headerBox = new QHBoxLayout;
    headerBox->setContentsMargins(inset, 0, inset, 0);
    headerBox->addWidget(m_header);
    layout->addLayout(headerBox);
    layout->addWidget(m_card);
    auto* footerBox = new QHBoxLayout;
    footerBox->setContentsMargins(inset, 0, inset, 0);
    footerBox->setSpacing(int(Tokens::Space::xs));
    footerBox->addWidget(m_footerSymbol, 0, Qt::AlignTop);
    footerBox->addWidget(m_footer, 1);
    layout->addLayout(footerBox);
}

QWidget* SettingsSection::addRow(QWidget* content)
{
    auto* box = new QHBoxLayout;
    box->addWidget(content);
    return addRow(box);
}

QWidget* SettingsSection::addRow(QBoxLayout* layout)
{
    auto* row = new FormRow(m_card);
    const int h = int(Tokens::Space::md);
    const int v = int(Tokens::Space::xs + Tokens::Space::xxs);
    layout->setContentsMargins(h, v, h, v);
    layout->setSpacing(int(Tokens::Space::sm));
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    row->setLayout(layout);
    row->setMinimumHeight(kRowMinimumHeight);
    m_rows->addWidget(row);
    return row;
}

QWidget* SettingsSection::addLabeledRow(const QString& label, QWidget* value)
{
    auto* box = new QHBoxLayout;
    auto* text = new FormText(label);
    box->addWidget(text);
    box->addStretch(1);
    box->addWidget(value);
    text->setBuddy(value);
    return addRow(box);
}

void SettingsSection::setFooterText(const QString& text)
{
    m_footer->setText(text);
    m_footer->setVisible(!text.isEmpty());
    m_footerSymbolName.clear();
    m_footerSymbol->hide();
}

void SettingsSection::setFooterLabel(const QString& text, const QString& symbol, const ThemeColor& color)
{
    setFooterText(text);
    m_footer->setColor(color);
    m_footerSymbolName = symbol;
    const int side = m_footer->fontMetrics().height();
    m_footerSymbol->setPixmap(Symbols::icon(symbol, color).pixmap(QSize(side, side)));
    m_footerSymbol->setVisible(!text.isEmpty());
}

void SettingsSection::setHeaderWidget(QWidget* widget)
{
    m_header->hide();
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    auto* box = static_cast<QHBoxLayout*>(layout->itemAt(0)->layout());
    box->addWidget(widget);
}

} // namespace mivo
