#include "Views/Banners/SyncBannerView.h"

#include "App/AppModel.h"
#include "Styling/ButtonStyling.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassSurface.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/Banners/MessageText.h"
#include "Views/SymbolLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVariantAnimation>

namespace mivo {

namespace {

// Room around the card for its shadow (8 blur, 2 down).
constexpr int kShadowSide = 8;
constexpr int kShadowBottom = 10;
constexpr int kShadowBlur = 8;

const QString kSpotifyAuthExpiredCode = QStringLiteral("spotify_auth_expired");

QString symbolOf(SyncBanner::Kind kind)
{
    switch (kind) {
    case SyncBanner::Kind::info:
        return QStringLiteral("info.circle.fill");
    case SyncBanner::Kind::warning:
        return QStringLiteral("exclamationmark.triangle.fill");
    case SyncBanner::Kind::error:
        return QStringLiteral("xmark.octagon.fill");
    }
    return {};
}

ThemeColor colorOf(SyncBanner::Kind kind)
{
    switch (kind) {
    case SyncBanner::Kind::info:
        return ThemeColor::accent();
    case SyncBanner::Kind::warning:
        return ThemeColor::orange();
    case SyncBanner::Kind::error:
        return ThemeColor::red();
    }
    return ThemeColor::secondary();
}

} // namespace

SyncBannerView::SyncBannerView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(&model)
    , m_card(new GlassSurface(GlassRole::floating(), this))
    , m_symbol(
          new SymbolLabel(QString(), ThemeColor::accent(), TextStyle::body, ThemeColor::primary(), m_card))
    , m_message(new MessageText(m_card))
    , m_reconnect(new QPushButton(tr("Reconnect"), m_card))
    , m_dismiss(new QPushButton(m_card))
    , m_animation(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("syncBanner"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_symbol->setSymbolScale(1.25);
    // Room for the shadow around the card.
    setContentsMargins(kShadowSide, 0, kShadowSide, kShadowBottom);
    m_message->setFont(Typography::font(TextStyle::callout, font()));
    ButtonStyling::setStyle(m_reconnect, ButtonStyle::glassAdaptive);
    ButtonStyling::setControlSize(m_reconnect, ControlSize::small);
    m_reconnect->setAutoDefault(false);
    ButtonStyling::setStyle(m_dismiss, ButtonStyle::borderless);
    ButtonStyling::setSymbol(m_dismiss, QStringLiteral("xmark"));
    ButtonStyling::setTint(m_dismiss, ThemeColor::secondary());
    ButtonStyling::setControlSize(m_dismiss, ControlSize::small);
    m_dismiss->setAccessibleName(tr("Dismiss"));
    m_dismiss->setToolTip(tr("Dismiss"));
    m_dismiss->setAutoDefault(false);

    auto* row = new QHBoxLayout(m_card);
    row->setContentsMargins(
        int(Tokens::Space::md), int(Tokens::Space::sm), int(Tokens::Space::md), int(Tokens::Space::sm));
    row->setSpacing(int(Tokens::Space::sm));
    row->addWidget(m_symbol, 0, Qt::AlignVCenter);
    // As tall as its lines, on the row's centre line with the symbol and the buttons.
    row->addWidget(m_message, 1, Qt::AlignVCenter);
    row->addSpacing(int(Tokens::Space::sm));
    row->addWidget(m_reconnect, 0, Qt::AlignVCenter);
    row->addWidget(m_dismiss, 0, Qt::AlignVCenter);

    m_animation->setDuration(kAnimationMs);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
        [this](const QVariant& value) { setPresence(value.toReal()); });
    connect(m_animation, &QVariantAnimation::finished, this, &SyncBannerView::settle);

    connect(m_dismiss, &QPushButton::clicked, this, [this] {
        if (m_model)
            m_model->sync().dismissBanner();
    });
    connect(m_reconnect, &QPushButton::clicked, this, [this] {
        if (m_model && m_banner && m_banner->code == kSpotifyAuthExpiredCode)
            m_model->beginOnboarding();
    });
    connect(&model.sync(), &SyncStore::bannerChanged, this, &SyncBannerView::follow);
    setPresence(0);
    QWidget::hide();
    follow();
}

QString SyncBannerView::message() const
{
    return m_message->message();
}

QString SyncBannerView::symbol() const
{
    return m_symbol->symbol();
}

void SyncBannerView::follow()
{
    const std::optional<SyncBanner> banner = m_model ? m_model->sync().banner() : std::nullopt;
    if (banner) {
        present(*banner);
        return;
    }
    if (isHidden())
        return;
    animateTo(0);
}

void SyncBannerView::present(const SyncBanner& banner)
{
    m_banner = banner;
    m_symbol->setSymbol(symbolOf(banner.kind), colorOf(banner.kind));
    m_message->setMessage(banner.message);
    m_reconnect->setVisible(banner.code == kSpotifyAuthExpiredCode);
    updateGeometry();
    if (isHidden()) {
        QWidget::show();
        animateTo(1);
    } else if (m_animation->state() == QAbstractAnimation::Running || m_presence < 1) {
        animateTo(1);
    }
    placeCard();
}

void SyncBannerView::animateTo(qreal presence)
{
    m_animation->stop();
    if (GlassEnvironment::of(this).reduceMotion) {
        setPresence(presence);
        settle();
        return;
    }
    takePicture();
    m_animation->setStartValue(m_presence);
    m_animation->setEndValue(presence);
    m_animation->start();
}

void SyncBannerView::setPresence(qreal presence)
{
    m_presence = presence;
    placeCard();
    update();
}

void SyncBannerView::takePicture()
{
    // While it slides, the card is a picture drawn faded by paintEvent: one
    // rendering of it for the whole animation instead of one per frame.
    placeCard();
    if (QLayout* layout = m_card->layout())
        layout->activate();
    m_cardPicture = m_card->grab();
    m_card->hide();
}

void SyncBannerView::settle()
{
    if (m_presence >= 1) {
        m_cardPicture = QPixmap();
        m_card->show();
    } else if (m_presence <= 0 && !(m_model && m_model->sync().banner())) {
        m_cardPicture = QPixmap();
        hide();
    }
}

void SyncBannerView::placeCard()
{
    const int width = std::max(0, this->width() - 2 * kShadowSide);
    const int height
        = m_card->hasHeightForWidth() ? m_card->heightForWidth(width) : m_card->sizeHint().height();
    const int offset = int((1 - m_presence) * (height + kShadowBottom));
    m_card->setGeometry(kShadowSide, -offset, width, height);
}

int SyncBannerView::heightForWidth(int width) const
{
    const int cardWidth = std::max(0, width - 2 * kShadowSide);
    const int height
        = m_card->hasHeightForWidth() ? m_card->heightForWidth(cardWidth) : m_card->sizeHint().height();
    return height + kShadowBottom;
}

QSize SyncBannerView::sizeHint() const
{
    const QSize card = m_card->sizeHint();
    return QSize(card.width() + 2 * kShadowSide, card.height() + kShadowBottom);
}

void SyncBannerView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_animation->state() == QAbstractAnimation::Running)
        takePicture(); // at the new width
    else
        placeCard();
}

void SyncBannerView::paintEvent(QPaintEvent*)
{
    if (m_presence <= 0)
        return;
    // A soft shadow under the card: black at 12 %, blurred 8, 2 down. Drawn once per
    // card size and faded with the banner, so sliding in and out stays cheap.
    const QSize card = m_card->size();
    const qreal ratio = devicePixelRatioF();
    if (m_shadow.isNull() || m_shadowCard != card || !qFuzzyCompare(m_shadow.devicePixelRatio(), ratio)) {
        m_shadowCard = card;
        m_shadow = QPixmap((QSizeF(card + QSize(2 * kShadowBlur, 2 * kShadowBlur)) * ratio).toSize());
        m_shadow.setDevicePixelRatio(ratio);
        m_shadow.fill(Qt::transparent);
        QPainter shadow(&m_shadow);
        shadow.setRenderHint(QPainter::Antialiasing);
        shadow.setPen(Qt::NoPen);
        shadow.setBrush(QColor(0, 0, 0, int(255 * 0.12 / kShadowBlur)));
        const QRectF cardRect(QPointF(kShadowBlur, kShadowBlur), QSizeF(card));
        for (int i = kShadowBlur; i >= 1; --i) {
            const qreal spread = qreal(i);
            QPainterPath path;
            path.addRoundedRect(cardRect.adjusted(-spread, -spread, spread, spread),
                Tokens::Radius::panel + spread, Tokens::Radius::panel + spread);
            shadow.drawPath(path);
        }
    }
    QPainter painter(this);
    painter.setOpacity(m_presence);
    painter.drawPixmap(m_card->geometry().topLeft() + QPoint(-kShadowBlur, 2 - kShadowBlur), m_shadow);
    if (m_card->isHidden() && !m_cardPicture.isNull())
        painter.drawPixmap(m_card->geometry().topLeft(), m_cardPicture);
}

} // namespace mivo
