#include "Views/Settings/FormStepper.h"

#include "Views/Settings/FormText.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace mivo {

FormStepper::FormStepper(const QString& title, std::function<void(int direction)> step, QWidget* parent)
    : QWidget(parent)
    , m_label(new FormText)
    , m_down(new QToolButton)
    , m_up(new QToolButton)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_label);
    layout->addStretch(1);
    m_down->setText(QStringLiteral("−"));
    m_up->setText(QStringLiteral("+"));
    m_down->setAccessibleName(tr("Decrease %1").arg(title));
    m_up->setAccessibleName(tr("Increase %1").arg(title));
    for (QToolButton* button : { m_down, m_up }) {
        button->setAutoRaise(false);
        button->setFixedSize(24, 22);
        layout->addWidget(button);
    }
    connect(m_down, &QToolButton::clicked, this, [step] { step(-1); });
    connect(m_up, &QToolButton::clicked, this, [step] { step(+1); });
}

void FormStepper::setText(const QString& text)
{
    m_label->setText(text);
}

QString FormStepper::text() const
{
    return m_label->text();
}

} // namespace mivo
