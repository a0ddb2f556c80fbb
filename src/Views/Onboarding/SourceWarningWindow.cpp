#include "Views/Onboarding/SourceWarningWindow.h"

#include "Styling/ButtonStyling.h"
#include "Styling/Tokens.h"
#include "Views/Onboarding/SymbolView.h"
#include "Views/Settings/FormText.h"
#include "Views/ViewAccessibility.h"
#include "Views/WindowPlacement.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace mivo {

namespace {

constexpr int kSymbolSide = 40;

} // namespace

QString SourceWarningWindow::titleText()
{
    return tr("Continue without a playlist source?");
}

QString SourceWarningWindow::messageText()
{
    return tr("mivo needs Apple Music or Spotify to find playlists to download. You can connect later in "
              "Settings — but there's nothing to sync until you do.");
}

SourceWarningWindow::SourceWarningWindow(QWidget* parent)
    : QDialog(parent)
    , m_title(new FormText(titleText(), TextStyle::headline))
    , m_message(new FormText(messageText(), TextStyle::callout, ThemeColor::secondary()))
    , m_connectSource(new QPushButton(tr("Connect a Source")))
    , m_continueAnyway(new QPushButton(tr("Continue Anyway")))
{
    ViewAccessibility::install();
    setObjectName(QStringLiteral("sourceWarning"));
    setWindowTitle(QStringLiteral("mivo"));
    // An alert: a title bar with its close button, nothing to minimise or enlarge.
    WindowPlacement::offerOnlyClose(this);
    setWindowModality(Qt::WindowModal);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Tokens::Space::xl, Tokens::Space::xl, Tokens::Space::xl, Tokens::Space::lg);
    layout->setSpacing(Tokens::Space::sm);
    auto* symbol = new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), ThemeColor::orange(), 32);
    symbol->setFixedSize(kSymbolSide, kSymbolSide);
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    layout->addSpacing(Tokens::Space::xs);

    m_title->setTextStyle(TextStyle::headline, QFont::Bold);
    m_title->setObjectName(QStringLiteral("sourceWarningTitle"));
    m_message->setObjectName(QStringLiteral("sourceWarningMessage"));
    for (FormText* text : { m_title, m_message }) {
        text->setWordWrap(true);
        text->setAlignment(Qt::AlignHCenter);
        layout->addWidget(text);
    }
    layout->addSpacing(Tokens::Space::md);

    // One above the other, the default first, each as wide as the window.
    m_connectSource->setObjectName(QStringLiteral("connectSource"));
    ButtonStyling::setStyle(m_connectSource, ButtonStyle::glassProminentAdaptive);
    m_continueAnyway->setObjectName(QStringLiteral("continueAnyway"));
    ButtonStyling::setStyle(m_continueAnyway, ButtonStyle::glassAdaptive);
    m_continueAnyway->setAutoDefault(false);
    m_connectSource->setDefault(true);
    for (QPushButton* button : { m_connectSource, m_continueAnyway }) {
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        layout->addWidget(button);
    }
    connect(m_connectSource, &QPushButton::clicked, this, [this] { choose(Choice::connectSource); });
    connect(m_continueAnyway, &QPushButton::clicked, this, [this] { choose(Choice::continueAnyway); });

    setFixedWidth(kWidth);
    setFixedHeight(heightForWidth(kWidth) > 0 ? heightForWidth(kWidth) : sizeHint().height());
}

void SourceWarningWindow::choose(Choice choice)
{
    accept();
    emit chosen(choice);
}

} // namespace mivo
