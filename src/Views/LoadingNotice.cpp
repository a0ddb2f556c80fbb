#include "Views/LoadingNotice.h"

#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/ActivityIndicator.h"

#include <QLabel>
#include <QVBoxLayout>

namespace mivo {

LoadingNotice::LoadingNotice(const QString& text, QWidget* parent)
    : QWidget(parent)
    , m_text(new QLabel(text))
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(int(Tokens::Space::md));
    layout->addStretch(1);
    layout->addWidget(new ActivityIndicator(20), 0, Qt::AlignHCenter);
    m_text->setFont(Typography::font(TextStyle::callout, font()));
    m_text->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_text, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    setAccessibleName(text);
}

QString LoadingNotice::text() const
{
    return m_text->text();
}

} // namespace mivo
