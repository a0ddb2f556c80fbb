// Renders every atom, surface role, button kind and symbol of the design system
// in the light and dark palettes, and every glass tier, to PNG files:
//
//   mivo-gallery [--scale N] <folder>
//
// A developer tool for looking at the drawing; not part of the application.

#include "App/Translations.h"
#include "Styling/AppStyle.h"
#include "Styling/AssetImages.h"
#include "Styling/Availability.h"
#include "Styling/ButtonStyling.h"
#include "Styling/ConfidenceMeter.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassSurface.h"
#include "Styling/PreviewPalettes.h"
#include "Styling/SourceBadge.h"
#include "Styling/SourceLogo.h"
#include "Styling/StatusPill.h"
#include "Styling/SurfaceStyle.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTextStream>
#include <QVBoxLayout>
#include <functional>

using namespace mivo;

namespace {

struct Appearance {
    QString name;
    QPalette palette;
};

QList<Appearance> appearances()
{
    return { { QStringLiteral("light"), PreviewPalettes::light() },
        { QStringLiteral("dark"), PreviewPalettes::dark() } };
}

struct PolicyCase {
    QString name;
    GlassResolver resolver;
};

// Policies whose tiers differ; glass allowed by policy still draws translucent here.
QList<PolicyCase> policies()
{
    return {
        { QStringLiteral("default"), GlassResolver::fallback() },
        { QStringLiteral("glass-allowed"), GlassResolver::resolve(true, false, false, false, false) },
        { QStringLiteral("reduce-transparency"), GlassResolver::resolve(false, true, false, false, false) },
        { QStringLiteral("increase-contrast"), GlassResolver::resolve(false, false, false, true, false) },
    };
}

QLabel* caption(const QString& text)
{
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.8);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QWidget* page(const QPalette& palette)
{
    auto* widget = new QWidget;
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    return widget;
}

bool save(QWidget* widget, const QString& path)
{
    widget->adjustSize();
    widget->ensurePolished();
    const bool ok = widget->grab().save(path);
    QTextStream(stdout) << (ok ? "wrote " : "FAILED ") << path << '\n';
    delete widget;
    return ok;
}

QWidget* atomsPage(const QPalette& palette)
{
    QWidget* root = page(palette);
    auto* layout = new QVBoxLayout(root);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(10);

    layout->addWidget(caption(QStringLiteral("SourceLogo — 22, 36, 56")));
    for (const qreal size : { 22.0, 36.0, 56.0 }) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        for (const auto source : allCases<PlaylistSourceId>())
            row->addWidget(new SourceLogo(source, size));
        for (const auto source : allCases<SourceId>())
            row->addWidget(new SourceLogo(source, size));
        row->addWidget(new SourceLogo(QStringLiteral("ServiceVPN"), ThemeColor::fromRgb(90, 90, 100),
            QStringLiteral("Corvane VPN"), size));
        row->addStretch();
        layout->addLayout(row);
    }

    layout->addWidget(caption(QStringLiteral("SourceBadge — the four sources, an unknown source")));
    auto* badges = new QHBoxLayout;
    badges->setSpacing(14);
    for (const auto source : allCases<SourceId>())
        badges->addWidget(new SourceBadge(std::optional<TrackMeta>(TrackMeta { {}, {}, rawString(source) })));
    badges->addWidget(
        new SourceBadge(std::optional<TrackMeta>(TrackMeta { {}, {}, QStringLiteral("Bandcamp") })));
    badges->addStretch();
    layout->addLayout(badges);

    layout->addWidget(caption(QStringLiteral("StatusPill — regular, prominent")));
    const QStringList texts = { QStringLiteral("Queued"), QStringLiteral("Downloading 42%"),
        QStringLiteral("Review"), QStringLiteral("Done"), QStringLiteral("Failed"), QStringLiteral("Skipped"),
        QStringLiteral("On disk") };
    for (const bool prominent : { false, true }) {
        auto* pills = new QHBoxLayout;
        pills->setSpacing(14);
        for (size_t i = 0; i < kAllStatusRoles.size(); ++i)
            pills->addWidget(new StatusPill(kAllStatusRoles[i], texts[qsizetype(i)], prominent));
        pills->addStretch();
        layout->addLayout(pills);
    }

    layout->addWidget(caption(
        QStringLiteral("ConfidenceMeter — 0.3, 0.5, 0.7499, 0.87, 1.3 (with percent); 0.125 without")));
    auto* meters = new QGridLayout;
    meters->setHorizontalSpacing(16);
    int column = 0;
    for (const double value : { 0.3, 0.5, 0.7499, 0.87, 1.3 }) {
        auto* meter = new ConfidenceMeter(value, true);
        meter->setFixedWidth(130);
        meters->addWidget(meter, 0, column++);
    }
    auto* plain = new ConfidenceMeter(0.125, false);
    plain->setFixedWidth(130);
    meters->addWidget(plain, 1, 0);
    layout->addLayout(meters);
    return root;
}

// A busy backdrop so that translucent surfaces show what lies behind them.
class Backdrop : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        QLinearGradient gradient(0, 0, width(), height());
        gradient.setColorAt(0, QColor(252, 60, 68, 110));
        gradient.setColorAt(0.5, QColor(45, 125, 210, 110));
        gradient.setColorAt(1, QColor(30, 215, 96, 110));
        for (int x = -height(); x < width(); x += 18) {
            painter.setPen(QPen(QBrush(gradient), 7));
            painter.drawLine(x, 0, x + height(), height());
        }
    }
};

QWidget* surfaceCard(const GlassRole& role, const QString& name)
{
    auto* surface = new GlassSurface(role);
    auto* inner = new QVBoxLayout(surface);
    inner->setContentsMargins(12, 10, 12, 10);
    auto* label = new QLabel(name);
    inner->addWidget(label);
    surface->setMinimumSize(150, 56);
    return surface;
}

QList<std::pair<GlassRole, QString>> roles()
{
    return {
        { GlassRole::chrome(), QStringLiteral("chrome") },
        { GlassRole::groupCard(), QStringLiteral("groupCard") },
        { GlassRole::panel(), QStringLiteral("panel") },
        { GlassRole::floating(), QStringLiteral("floating") },
        { GlassRole::chip(), QStringLiteral("chip") },
        { GlassRole::selection(ThemeColor::accent()), QStringLiteral("selection(accent)") },
        { GlassRole::selection(Tokens::Source::spotify()), QStringLiteral("selection(spotify)") },
    };
}

QWidget* surfacesPage(const QPalette& palette, const PolicyCase& policy)
{
    QWidget* root = new Backdrop;
    root->setPalette(palette);
    GlassEnvironment::set(root, policy.resolver);
    auto* layout = new QGridLayout(root);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(14);
    const GlassTier tier = policy.resolver.tier(Availability::systemGlass());
    const char* tierName = tier == GlassTier::glass ? "glass"
        : tier == GlassTier::translucent            ? "translucent"
                                                    : "opaque";
    auto* title = new QLabel(QStringLiteral("policy %1 → tier %2").arg(policy.name, QLatin1String(tierName)));
    title->setAutoFillBackground(true);
    layout->addWidget(title, 0, 0, 1, 4);
    int index = 0;
    for (const auto& [role, name] : roles()) {
        layout->addWidget(surfaceCard(role, name), 1 + index / 4, index % 4);
        ++index;
    }
    return root;
}

// The pure tier drawing, glass included (there is no system glass here, so the
// glass tier is the stand-in drawing a consumer would never reach).
class TierSwatch : public QWidget {
public:
    TierSwatch(GlassRole role, GlassTier tier)
        : m_role(role)
        , m_tier(tier)
    {
        setMinimumSize(150, 56);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const SurfaceStyle style = SurfaceStyle::of(m_role, m_tier);
        const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
        style.paintBackground(painter, area, palette());
        style.paintOverlay(painter, area, palette());
    }

private:
    GlassRole m_role;
    GlassTier m_tier;
};

QWidget* tiersPage(const QPalette& palette)
{
    QWidget* root = new Backdrop;
    root->setPalette(palette);
    auto* layout = new QGridLayout(root);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    const QList<std::pair<GlassTier, QString>> tiers
        = { { GlassTier::glass, QStringLiteral("glass (stand-in)") },
              { GlassTier::translucent, QStringLiteral("translucent") },
              { GlassTier::opaque, QStringLiteral("opaque") } };
    int column = 1;
    for (const auto& [tier, name] : tiers) {
        auto* label = new QLabel(name);
        label->setAutoFillBackground(true);
        layout->addWidget(label, 0, column++);
    }
    int row = 1;
    for (const auto& [role, name] : roles()) {
        auto* label = new QLabel(name);
        label->setAutoFillBackground(true);
        layout->addWidget(label, row, 0);
        column = 1;
        for (const auto& tier : tiers)
            layout->addWidget(new TierSwatch(role, tier.first), row, column++);
        ++row;
    }
    return root;
}

QPushButton* styledButton(const QString& text, ButtonStyle style, ControlSize size,
    std::optional<ThemeColor> tint = std::nullopt, const QString& symbol = {})
{
    auto* button = new QPushButton(text);
    ButtonStyling::setStyle(button, style);
    ButtonStyling::setControlSize(button, size);
    if (tint)
        ButtonStyling::setTint(button, *tint);
    if (!symbol.isEmpty())
        ButtonStyling::setSymbol(button, symbol);
    return button;
}

QWidget* buttonsPage(const QPalette& palette, const PolicyCase& policy)
{
    QWidget* root = page(palette);
    GlassEnvironment::set(root, policy.resolver);
    auto* layout = new QGridLayout(root);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(10);
    layout->addWidget(caption(QStringLiteral("policy %1").arg(policy.name)), 0, 0, 1, 5);
    const QList<std::pair<ButtonStyle, QString>> styles = {
        { ButtonStyle::glassProminentAdaptive, QStringLiteral("glassProminentAdaptive") },
        { ButtonStyle::glassAdaptive, QStringLiteral("glassAdaptive") },
        { ButtonStyle::borderedProminent, QStringLiteral("borderedProminent") },
        { ButtonStyle::bordered, QStringLiteral("bordered") },
        { ButtonStyle::borderless, QStringLiteral("borderless") },
    };
    const QList<std::pair<ControlSize, QString>> sizes = { { ControlSize::mini, QStringLiteral("mini") },
        { ControlSize::small, QStringLiteral("small") }, { ControlSize::regular, QStringLiteral("regular") },
        { ControlSize::large, QStringLiteral("large") } };
    int row = 1;
    for (const auto& [style, name] : styles) {
        layout->addWidget(caption(name), row, 0);
        int column = 1;
        for (const auto& [size, sizeName] : sizes)
            layout->addWidget(styledButton(sizeName, style, size), row, column++, Qt::AlignLeft);
        layout->addWidget(
            styledButton(QStringLiteral("Move to Trash"), style, ControlSize::small, ThemeColor::red()), row,
            column++, Qt::AlignLeft);
        layout->addWidget(styledButton(QStringLiteral("Review"), style, ControlSize::small,
                              ThemeColor::orange(), QStringLiteral("exclamationmark.triangle.fill")),
            row, column++, Qt::AlignLeft);
        layout->addWidget(styledButton(QStringLiteral("Sync"), style, ControlSize::regular, std::nullopt,
                              QStringLiteral("arrow.triangle.2.circlepath")),
            row, column++, Qt::AlignLeft);
        auto* disabled = styledButton(QStringLiteral("Disabled"), style, ControlSize::regular);
        disabled->setEnabled(false);
        layout->addWidget(disabled, row, column++, Qt::AlignLeft);
        auto* iconOnly = styledButton(
            QString(), style, ControlSize::regular, ThemeColor::secondary(), QStringLiteral("xmark"));
        layout->addWidget(iconOnly, row, column++, Qt::AlignLeft);
        ++row;
    }
    return root;
}

class SymbolCell : public QWidget {
public:
    SymbolCell(QString name, ThemeColor color, qreal side)
        : m_name(std::move(name))
        , m_color(color)
        , m_side(side)
    {
        setFixedSize(int(std::max<qreal>(150, side * 1.6)), int(side + 30));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QColor color = m_color.resolve(palette());
        const qreal side = m_side;
        if (m_name.startsWith(QLatin1String("Service")))
            AssetImages::paint(painter, QRectF((width() - side) / 2, 4, side, side), m_name, color);
        else
            Symbols::paint(painter, QRectF((width() - side) / 2, 4, side, side), m_name, color);
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 0.75);
        painter.setFont(font);
        painter.setPen(ThemeColor::secondary().resolve(palette()));
        painter.drawText(QRectF(0, side + 8, width(), 20), Qt::AlignCenter, m_name);
    }

private:
    QString m_name;
    ThemeColor m_color;
    qreal m_side;
};

// Every symbol, the placeholder of an unknown name and every logo, with glyphs of `side`.
QWidget* symbolsPage(const QPalette& palette, qreal side = 28)
{
    QWidget* root = page(palette);
    auto* layout = new QGridLayout(root);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(4);
    QStringList names = Symbols::names();
    names << QStringLiteral("no.such.symbol");
    for (const char* logo : { "ServiceAppleMusic", "ServiceSpotify", "ServiceSoulseek", "ServiceBandcamp",
             "ServiceSoundCloud", "ServiceYouTube", "ServiceVPN" })
        names << QLatin1String(logo);
    const int columns = side > 40 ? 6 : 7;
    int i = 0;
    for (const QString& name : names) {
        layout->addWidget(new SymbolCell(name, ThemeColor::primary(), side), i / columns, i % columns);
        ++i;
    }
    return root;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const qsizetype scaleAt = args.indexOf(QStringLiteral("--scale"));
    if (scaleAt >= 0 && scaleAt + 1 < args.size()) {
        qputenv("QT_SCALE_FACTOR", args[scaleAt + 1].toLocal8Bit());
        args.remove(scaleAt, 2);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (args.size() != 1) {
        QTextStream(stderr) << "usage: mivo-gallery [--scale N] <folder>\n";
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setStyle(new AppStyle);
    Translations::install();
    const QDir folder(args.first());
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << folder.path() << '\n';
        return 1;
    }

    bool ok = true;
    for (const Appearance& appearance : appearances()) {
        const auto file = [&](const QString& stem) {
            return folder.filePath(QStringLiteral("%1-%2.png").arg(stem, appearance.name));
        };
        ok &= save(atomsPage(appearance.palette), file(QStringLiteral("atoms")));
        ok &= save(symbolsPage(appearance.palette), file(QStringLiteral("symbols")));
        ok &= save(symbolsPage(appearance.palette, 96), file(QStringLiteral("symbols-large")));
        ok &= save(tiersPage(appearance.palette), file(QStringLiteral("tiers")));
        for (const PolicyCase& policy : policies()) {
            ok &= save(
                surfacesPage(appearance.palette, policy), file(QStringLiteral("surfaces-") + policy.name));
            ok &= save(
                buttonsPage(appearance.palette, policy), file(QStringLiteral("buttons-") + policy.name));
        }
    }
    return ok ? 0 : 1;
}
