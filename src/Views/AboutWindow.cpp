#include "Views/AboutWindow.h"

#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"
#include "Styling/Tokens.h"
#include "Views/Settings/FormText.h"
#include "Views/ViewAccessibility.h"
#include "Views/WindowPlacement.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace mivo {

namespace {

constexpr int kEmblemSide = 72;
constexpr int kWidth = 300;

} // namespace

AboutWindow::AboutWindow(const QString& version, QWidget* parent)
    : QDialog(parent)
    , m_emblem(new QLabel)
{
    ViewAccessibility::install();
    setWindowTitle(tr("About mivo"));
    setModal(false);
    WindowPlacement::offerOnlyClose(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Tokens::Space::xl, Tokens::Space::xl, Tokens::Space::xl, Tokens::Space::xl);
    layout->setSpacing(Tokens::Space::xs);
    m_emblem->setFixedSize(kEmblemSide, kEmblemSide);
    ViewAccessibility::hide(m_emblem);
    layout->addWidget(m_emblem, 0, Qt::AlignHCenter);
    layout->addSpacing(Tokens::Space::md);

    auto* name = new FormText(QStringLiteral("mivo"), TextStyle::title2);
    name->setTextStyle(TextStyle::title2, QFont::Bold);
    name->setObjectName(QStringLiteral("aboutName"));
    auto* versionText
        = new FormText(tr("Version %1").arg(version), TextStyle::callout, ThemeColor::secondary());
    versionText->setObjectName(QStringLiteral("aboutVersion"));
    versionText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* tagline = new FormText(taglineText(), TextStyle::callout);
    tagline->setObjectName(QStringLiteral("aboutTagline"));
    tagline->setWordWrap(true);
    for (QLabel* label :
        { static_cast<QLabel*>(name), static_cast<QLabel*>(versionText), static_cast<QLabel*>(tagline) }) {
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
    }
    layout->insertSpacing(layout->indexOf(tagline), Tokens::Space::sm);

    setFixedWidth(kWidth);
    setFixedHeight(sizeHint().height());
    paintEmblem();
}

QString AboutWindow::taglineText()
{
    return tr("Your streaming playlists as a local, DJ-ready library.");
}

void AboutWindow::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        paintEmblem();
}

void AboutWindow::paintEmblem()
{
    // A waveform on a round panel in the accent colour, as on the welcome screen.
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(QSize(kEmblemSide, kEmblemSide) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(0, 0, kEmblemSide, kEmblemSide).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ThemeColor::legibleUnder(ThemeColor::accent().resolveAsFill(palette()), Qt::white));
    painter.drawEllipse(circle);
    const qreal symbol = kEmblemSide * 0.5;
    Symbols::paint(painter,
        QRectF(circle.center().x() - symbol / 2, circle.center().y() - symbol / 2, symbol, symbol),
        QStringLiteral("waveform"), Qt::white);
    painter.end();
    m_emblem->setPixmap(pixmap);
}

} // namespace mivo
