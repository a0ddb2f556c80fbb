#include "Views/ContentUnavailableView.h"

#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace mivo {

namespace {

constexpr int kSymbolSize = 40;

// A symbol drawn in the secondary colour, repainted with the palette.
class UnavailableSymbol : public QWidget {
public:
    explicit UnavailableSymbol(const QString& name)
        : m_name(name)
    {
        setFixedSize(kSymbolSize, kSymbolSize);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Symbols::paint(painter, rect(), m_name, ThemeColor::secondary().resolve(palette()));
    }

private:
    QString m_name;
};

QLabel* wrappingLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

ContentUnavailableView::ContentUnavailableView(
    const QString& symbol, const QString& title, const QString& description, QWidget* parent)
    : QWidget(parent)
    , m_symbol(new UnavailableSymbol(symbol))
    , m_title(wrappingLabel(title))
    , m_description(wrappingLabel(description))
    , m_actions(new QVBoxLayout)
{
    m_title->setFont(Typography::font(TextStyle::title3, font(), QFont::Bold));
    m_description->setFont(Typography::font(TextStyle::callout, font()));
    m_description->setForegroundRole(QPalette::PlaceholderText);
    m_description->setVisible(!description.isEmpty());
    m_description->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    const int margin = int(Tokens::Space::lg);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(int(Tokens::Space::sm));
    layout->addStretch(1);
    layout->addWidget(m_symbol, 0, Qt::AlignHCenter);
    layout->addSpacing(int(Tokens::Space::xs));
    layout->addWidget(m_title);
    layout->addWidget(m_description);
    m_actions->setSpacing(int(Tokens::Space::sm));
    m_actions->setContentsMargins(0, int(Tokens::Space::xs), 0, 0);
    layout->addLayout(m_actions);
    layout->addStretch(1);
    setAccessibleName(title);
}

void ContentUnavailableView::setTitle(const QString& title)
{
    m_title->setText(title);
    setAccessibleName(title);
}

void ContentUnavailableView::setDescription(const QString& description)
{
    m_description->setText(description);
    m_description->setVisible(!description.isEmpty());
}

QString ContentUnavailableView::title() const
{
    return m_title->text();
}

QString ContentUnavailableView::description() const
{
    return m_description->text();
}

QPushButton* ContentUnavailableView::addAction(const QString& text)
{
    auto* button = new QPushButton(text);
    m_actions->addWidget(button, 0, Qt::AlignHCenter);
    return button;
}

} // namespace mivo
