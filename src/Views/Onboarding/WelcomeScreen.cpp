#include "Views/Onboarding/WelcomeScreen.h"

#include "Styling/Tokens.h"
#include "Views/Onboarding/SymbolView.h"
#include "Views/Onboarding/WelcomeHero.h"
#include "Views/Onboarding/WizardLabel.h"
#include "Views/Onboarding/WizardParts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace mivo {

namespace {

QWidget* stepLine(const QString& symbol, const QString& text)
{
    auto* line = new QWidget;
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(Tokens::Space::sm));
    auto* label = new WizardLabel(text, TextStyle::callout);
    const int side = label->fontMetrics().height();
    auto* icon = new SymbolView(symbol, ThemeColor::accent(), side);
    row->addWidget(icon);
    row->addWidget(label, 1);
    return line;
}

} // namespace

WelcomeScreen::WelcomeScreen(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("welcomeScreen"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, int(Tokens::Space::lg), 0, 0);
    column->setSpacing(int(Tokens::Space::xl));
    column->addWidget(new WelcomeHero, 0, Qt::AlignHCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(int(Tokens::Space::sm));
    auto* headline = new WizardLabel(tr("Turn your playlists into a DJ-ready library"), TextStyle::title,
        ThemeColor::primary(), QFont::Bold);
    headline->wrapping()->setAlignment(Qt::AlignHCenter);
    auto* sentence = new WizardLabel(tr("mivo finds and downloads clean audio for the playlists you already "
                                        "love, then drops them straight into your djay library."),
        TextStyle::body, ThemeColor::secondary());
    sentence->wrapping()->setAlignment(Qt::AlignHCenter);
    sentence->setMaximumWidth(440);
    texts->addWidget(headline);
    texts->addLayout(WizardParts::centred(sentence));
    column->addLayout(texts);

    auto* steps = new QWidget;
    steps->setFixedWidth(320);
    auto* stepColumn = new QVBoxLayout(steps);
    stepColumn->setContentsMargins(0, 0, 0, 0);
    stepColumn->setSpacing(int(Tokens::Space::md));
    stepColumn->addWidget(stepLine(QStringLiteral("music.note.list"), tr("Connect Apple Music or Spotify")));
    stepColumn->addWidget(stepLine(QStringLiteral("arrow.down.circle"), tr("mivo downloads matching audio")));
    stepColumn->addWidget(
        stepLine(QStringLiteral("square.stack.3d.up"), tr("Auto-imports into your djay library")));
    column->addWidget(steps, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

} // namespace mivo
