#include "Views/Onboarding/WizardParts.h"

#include "Styling/GlassSurface.h"
#include "Styling/Tokens.h"
#include "Views/Onboarding/WizardLabel.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace mivo::WizardParts {

GlassSurface* card(const GlassRole& role, Qt::Orientation orientation, int padding, int spacing)
{
    auto* surface = new GlassSurface(role);
    QBoxLayout* layout = orientation == Qt::Horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(surface))
                                                       : static_cast<QBoxLayout*>(new QVBoxLayout(surface));
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(spacing);
    return surface;
}

QBoxLayout* layoutOf(QWidget* card)
{
    return static_cast<QBoxLayout*>(card->layout());
}

QWidget* titleAndText(WizardLabel* title, WizardLabel* text)
{
    auto* block = new QWidget;
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(Tokens::Space::xxs));
    column->addWidget(title);
    column->addWidget(text->wrapping());
    return block;
}

QBoxLayout* centred(QWidget* widget)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addStretch(1);
    row->addWidget(widget, 1000);
    row->addStretch(1);
    return row;
}

QPushButton* smallButton(const QString& title, ButtonStyle style)
{
    auto* button = new QPushButton(title);
    ButtonStyling::setStyle(button, style);
    ButtonStyling::setControlSize(button, ControlSize::small);
    button->setAutoDefault(false);
    return button;
}

} // namespace mivo::WizardParts
