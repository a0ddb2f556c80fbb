#pragma once

#include "Transport/SyncRecords.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <optional>

class QPushButton;
class QVariantAnimation;

namespace mivo {

class AppModel;
class GlassSurface;
class MessageText;
class SymbolLabel;

// The notice over the top edge of the main window: the sync store's banner on a
// floating card, its symbol coloured by kind, the message wrapped to as many
// lines as it needs, "Reconnect" for an expired Spotify sign-in and a dismiss
// button. It shows and hides itself with the banner, sliding in from the top
// edge and fading unless the window asks for reduced motion; a banner that
// replaces another changes the text in place. The card is the banner's contents;
// its shadow lies in the contents margins, outside the width the card is given.
class SyncBannerView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kAnimationMs = 250;

    explicit SyncBannerView(AppModel& model, QWidget* parent = nullptr);

    // The banner shown (also while it slides out); none once hidden.
    const std::optional<SyncBanner>& banner() const { return m_banner; }
    QString message() const;
    // The kind's symbol.
    QString symbol() const;
    QPushButton* reconnectButton() const { return m_reconnect; }
    QPushButton* dismissButton() const { return m_dismiss; }
    // 0 hidden ... 1 fully shown.
    qreal presence() const { return m_presence; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void follow();
    void present(const SyncBanner& banner);
    void animateTo(qreal presence);
    void setPresence(qreal presence);
    void placeCard();
    void takePicture();
    // Ends an animation: the live card once fully shown, hidden once gone.
    void settle();

    QPointer<AppModel> m_model;
    std::optional<SyncBanner> m_banner;
    GlassSurface* m_card;
    SymbolLabel* m_symbol;
    MessageText* m_message;
    QPushButton* m_reconnect;
    QPushButton* m_dismiss;
    QVariantAnimation* m_animation;
    qreal m_presence = 0;
    // The card as drawn while it slides (the card itself is hidden meanwhile).
    QPixmap m_cardPicture;
    // The card's shadow, drawn for m_shadowCard.
    QPixmap m_shadow;
    QSize m_shadowCard;
};

} // namespace mivo
