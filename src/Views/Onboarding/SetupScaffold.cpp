#include "Views/Onboarding/SetupScaffold.h"

#include "App/AppModel.h"
#include "Styling/ButtonStyling.h"
#include "Styling/FocusRing.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassSurface.h"
#include "Styling/Tokens.h"
#include "Views/Onboarding/ConnectMusicScreen.h"
#include "Views/Onboarding/DownloadSourcesScreen.h"
#include "Views/Onboarding/FineTuningScreen.h"
#include "Views/Onboarding/FinishScreen.h"
#include "Views/Onboarding/Hairline.h"
#include "Views/Onboarding/PrepareToolsScreen.h"
#include "Views/Onboarding/SourceWarningWindow.h"
#include "Views/Onboarding/SymbolView.h"
#include "Views/Onboarding/WelcomeScreen.h"
#include "Views/Onboarding/WizardLabel.h"
#include "Views/ViewAccessibility.h"
#include "Views/WheelGuard.h"
#include "Views/WindowPlacement.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVariantAnimation>

namespace mivo {

namespace {

using Screen = SetupCoordinator::Screen;

// Holds the current screen in the scroll area. Its height follows its width,
// so its least height is not the one its texts wrap to at their narrowest: the
// scroll area takes that as the page's height, and a page that fits would
// scroll into empty space below it.
class ScreenHost : public QWidget {
public:
    QSize minimumSizeHint() const override
    {
        const QSize least = QWidget::minimumSizeHint();
        return layout() && layout()->hasHeightForWidth() ? QSize(least.width(), 0) : least;
    }
};

// The symbol, title and subtitle of a screen, with the subtitle wrapping.
class SetupHeader : public QWidget {
public:
    SetupHeader(QWidget* parent)
        : QWidget(parent)
        , m_symbol(new SymbolView(QString(), ThemeColor::accent(), 24, this))
        , m_title(new WizardLabel(QString(), TextStyle::title2, ThemeColor::primary(), QFont::Bold, this))
        , m_subtitle(
              new WizardLabel(QString(), TextStyle::callout, ThemeColor::secondary(), QFont::Normal, this))
    {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(
            int(Tokens::Space::lg), int(Tokens::Space::lg), int(Tokens::Space::lg), int(Tokens::Space::lg));
        row->setSpacing(int(Tokens::Space::md));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(int(Tokens::Space::xxs));
        texts->addWidget(m_title);
        texts->addWidget(m_subtitle->wrapping());
        row->addWidget(m_symbol, 0, Qt::AlignVCenter);
        row->addLayout(texts, 1);
    }

    void setInfo(const SetupScaffold::HeaderInfo& info)
    {
        const int side = QFontMetrics(Typography::font(TextStyle::title, font())).height();
        m_symbol->setSymbol(info.symbol, ThemeColor::accent());
        m_symbol->setFixedSize(side, side);
        m_title->setText(info.title);
        m_subtitle->setText(info.subtitle.value_or(QString()));
        m_subtitle->setVisible(info.subtitle && !info.subtitle->isEmpty());
    }

private:
    SymbolView* m_symbol;
    WizardLabel* m_title;
    WizardLabel* m_subtitle;
};

// One dot per step: the current one large in the accent colour, passed ones
// faded accent, later ones faint.
class StepDots : public QWidget {
public:
    explicit StepDots(QWidget* parent)
        : QWidget(parent)
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        // The dots are read as one text.
        ViewAccessibility::setRole(this, QAccessible::StaticText);
    }

    void setSteps(int total, int current, int leadingInset)
    {
        if (m_total == total && m_current == current && m_inset == leadingInset)
            return;
        m_total = total;
        m_current = current;
        m_inset = leadingInset;
        setAccessibleName(tr("Step %1 of %2").arg(current + 1).arg(total));
        updateGeometry();
        update();
    }

    QSize sizeHint() const override
    {
        const int count = std::max(m_total, 1);
        return { m_inset + count * 8 + (count - 1) * 4, 8 };
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const qreal midY = height() / 2.0;
        qreal x = m_inset;
        for (int index = 0; index < std::max(m_total, 1); ++index) {
            const bool current = index == m_current;
            const qreal side = current ? 8 : 6;
            const ThemeColor color = current ? ThemeColor::accent()
                : index < m_current          ? ThemeColor::accent().withOpacity(0.5)
                                             : ThemeColor::secondary().withOpacity(0.3);
            painter.setBrush(color.resolve(palette()));
            painter.drawEllipse(QRectF(x + (8 - side) / 2, midY - side / 2, side, side));
            x += 8 + 4;
        }
    }

private:
    int m_total = 0;
    int m_current = 0;
    int m_inset = 0;
};

// The room between Back and the dots, on top of the footer's spacing.
constexpr int kDotsInset = int(Tokens::Space::sm);

QWidget* makeScreen(Screen screen, SetupCoordinator& coordinator, AppModel& model, QWidget* parent)
{
    switch (screen) {
    case Screen::welcome:
        return new WelcomeScreen(parent);
    case Screen::prepareTools:
        return new PrepareToolsScreen(model, parent);
    case Screen::connectMusic:
        return new ConnectMusicScreen(model, coordinator, parent);
    case Screen::downloadSources:
        return new DownloadSourcesScreen(coordinator, parent);
    case Screen::fineTuning:
        return new FineTuningScreen(coordinator, parent);
    case Screen::finish:
        return new FinishScreen(coordinator, model, parent);
    }
    return new QWidget(parent);
}

// Only the primary button reacts to Return.
void clearAutoDefaults(QWidget* root)
{
    for (QPushButton* button : root->findChildren<QPushButton*>())
        button->setAutoDefault(false);
}

} // namespace

std::optional<SetupScaffold::HeaderInfo> SetupScaffold::headerInfo(Screen screen)
{
    switch (screen) {
    case Screen::welcome:
    case Screen::finish:
        return std::nullopt;
    case Screen::prepareTools:
        return HeaderInfo { QStringLiteral("arrow.down.circle"), tr("Getting things ready"), std::nullopt };
    case Screen::connectMusic:
        return HeaderInfo { QStringLiteral("music.note"), tr("Connect your music"),
            tr("Choose where mivo reads your playlists. You can add more later in Settings.") };
    case Screen::downloadSources:
        return HeaderInfo { QStringLiteral("square.stack.3d.up"), tr("Service setup"),
            tr("Choose where mivo finds audio, and optionally route it through a VPN. The defaults work "
               "great.") };
    case Screen::fineTuning:
        return HeaderInfo { QStringLiteral("slider.horizontal.3"), tr("Quality & downloads"),
            tr("Choose where files are saved and your audio quality.") };
    }
    return std::nullopt;
}

SetupScaffold::SetupScaffold(SetupCoordinator& coordinator, AppModel& model, QWidget* parent)
    : QDialog(parent)
    , m_coordinator(&coordinator)
    , m_model(&model)
{
    ViewAccessibility::install();
    setObjectName(QStringLiteral("setupWizard"));
    setWindowTitle(tr("Set Up mivo"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(kWidth, kHeight);
    WindowPlacement::offerOnlyClose(this);
    WheelGuard::install(this);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new GlassSurface(GlassRole::panel(), this);
    outer->addWidget(panel);

    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_header = new SetupHeader(panel);
    m_headerDivider = new Hairline(panel);
    column->addWidget(m_header);
    column->addWidget(m_headerDivider);

    m_scroll = new QScrollArea(panel);
    m_scroll->setObjectName(QStringLiteral("screenScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_host = new ScreenHost;
    m_hostLayout = new QVBoxLayout(m_host);
    m_hostLayout->setContentsMargins(
        int(Tokens::Space::xl), int(Tokens::Space::lg), int(Tokens::Space::xl), int(Tokens::Space::lg));
    m_scroll->setWidget(m_host);
    // The scroll area makes its widget fill itself with the window colour; the
    // page is the panel, under the scroll bar's track as under the screen.
    m_host->setAutoFillBackground(false);
    FocusRing::passFocusThrough(m_scroll);
    column->addWidget(m_scroll, 1);
    column->addWidget(new Hairline(panel));

    auto* footer = new QHBoxLayout;
    footer->setSpacing(int(Tokens::Space::sm));
    footer->setContentsMargins(
        int(Tokens::Space::lg), int(Tokens::Space::lg), int(Tokens::Space::lg), int(Tokens::Space::lg));
    m_back = new QPushButton(tr("Back"), panel);
    m_back->setObjectName(QStringLiteral("back"));
    m_dots = new StepDots(panel);
    m_dots->setObjectName(QStringLiteral("stepDots"));
    m_skip = new QPushButton(tr("Skip"), panel);
    m_skip->setObjectName(QStringLiteral("skip"));
    ButtonStyling::setStyle(m_skip, ButtonStyle::glassAdaptive);
    m_primary = new QPushButton(panel);
    m_primary->setObjectName(QStringLiteral("primary"));
    ButtonStyling::setStyle(m_primary, ButtonStyle::glassProminentAdaptive);
    footer->addWidget(m_back);
    footer->addWidget(m_dots);
    footer->addStretch(1);
    footer->addWidget(m_skip);
    footer->addWidget(m_primary);
    column->addLayout(footer);

    clearAutoDefaults(this);
    m_primary->setDefault(true);

    connect(m_back, &QPushButton::clicked, this, [this] {
        if (m_coordinator)
            m_coordinator->back();
    });
    connect(m_skip, &QPushButton::clicked, this, [this] {
        if (m_coordinator)
            m_coordinator->advance();
    });
    connect(m_primary, &QPushButton::clicked, this, &SetupScaffold::primaryAction);

    connect(
        &coordinator, &SetupCoordinator::currentScreenChanged, this, [this] { showScreen(!reduceMotion()); });
    connect(&coordinator, &SetupCoordinator::isCommittingChanged, this, &SetupScaffold::updateFooter);
    connect(&coordinator, &SetupCoordinator::readinessChanged, this, &SetupScaffold::updateFooter);
    // The tool store may be made after the wizard opened; Back follows its phase.
    const auto watchTools = [this] {
        if (m_model && m_model->toolProvisioning())
            connect(m_model->toolProvisioning(), &ToolProvisioningStore::phaseChanged, this,
                &SetupScaffold::updateFooter, Qt::UniqueConnection);
        updateFooter();
    };
    connect(&model, &AppModel::attached, this, watchTools);
    watchTools();

    showScreen(false);
}

SetupScaffold::~SetupScaffold() = default;

void SetupScaffold::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    const Qt::FocusReason reason = FocusRing::reasonForUserAction();
    if (m_primary->isEnabled())
        FocusRing::giveFocus(m_primary, reason);
    else // the ring shows once the button takes the keyboard
        FocusRing::giveFocus(this, reason);
}

bool SetupScaffold::reduceMotion() const
{
    return GlassEnvironment::of(this).reduceMotion;
}

void SetupScaffold::showScreen(bool animated)
{
    if (!m_coordinator || !m_model)
        return;
    finishTransition();
    updateHeader();

    QWidget* leaving = m_screen;
    m_screen = makeScreen(m_coordinator->currentScreen(), *m_coordinator, *m_model, m_host);
    clearAutoDefaults(m_screen);
    if (leaving)
        m_hostLayout->removeWidget(leaving);
    m_hostLayout->addWidget(m_screen);
    m_scroll->verticalScrollBar()->setValue(0);
    updateFooter();

    if (!leaving)
        return;
    if (!animated || !isVisible()) {
        delete leaving;
        keepKeyboard();
        return;
    }

    // The new screen comes in from the trailing edge while the old one leaves
    // towards the leading edge, both fading; whichever way the user went.
    m_leaving = leaving;
    m_hostLayout->activate();
    const QPoint leavingFrom = leaving->pos();
    const QPoint target = m_screen->pos();
    const int distance = m_scroll->viewport()->width();
    auto* fadeIn = new QGraphicsOpacityEffect(m_screen);
    fadeIn->setOpacity(0);
    m_screen->setGraphicsEffect(fadeIn);
    auto* fadeOut = new QGraphicsOpacityEffect(leaving);
    leaving->setGraphicsEffect(fadeOut);
    leaving->raise();

    m_transition = new QVariantAnimation(this);
    m_transition->setDuration(kTransitionMs);
    m_transition->setEasingCurve(QEasingCurve::OutCubic);
    m_transition->setStartValue(0.0);
    m_transition->setEndValue(1.0);
    QPointer<QWidget> entering = m_screen;
    connect(m_transition, &QVariantAnimation::valueChanged, this,
        [this, entering, fadeIn, fadeOut, leavingFrom, target, distance](const QVariant& value) {
            const qreal t = value.toReal();
            if (entering) {
                entering->move(target + QPoint(int((1 - t) * distance), 0));
                fadeIn->setOpacity(t);
            }
            if (m_leaving) {
                m_leaving->move(leavingFrom - QPoint(int(t * distance), 0));
                fadeOut->setOpacity(1 - t);
            }
        });
    connect(m_transition, &QVariantAnimation::finished, this, &SetupScaffold::finishTransition);
    m_transition->start();
}

void SetupScaffold::finishTransition()
{
    if (m_transition) {
        QVariantAnimation* transition = std::exchange(m_transition, nullptr);
        transition->stop();
        transition->deleteLater();
    }
    if (m_leaving) {
        delete m_leaving.data();
        keepKeyboard();
    }
    if (m_screen) {
        m_screen->setGraphicsEffect(nullptr);
        m_hostLayout->invalidate();
        m_hostLayout->activate();
    }
}

void SetupScaffold::updateHeader()
{
    const std::optional<HeaderInfo> info = headerInfo(m_coordinator->currentScreen());
    if (info)
        static_cast<SetupHeader*>(m_header)->setInfo(*info);
    m_header->setVisible(info.has_value());
    m_headerDivider->setVisible(info.has_value());
}

void SetupScaffold::updateFooter()
{
    if (!m_coordinator)
        return;
    const Screen screen = m_coordinator->currentScreen();
    const int index = m_coordinator->currentIndex();

    // While the commit runs nothing can change: a choice made now would not be
    // saved, and the wizard closes when the commit ends.
    const bool committing = m_coordinator->isCommitting();
    m_host->setEnabled(!committing);
    const bool showBack = index > 0;
    const ToolProvisioningStore* tools = m_model ? m_model->toolProvisioning() : nullptr;
    m_back->setVisible(showBack);
    m_back->setEnabled(!committing
        && !(screen == Screen::prepareTools && tools
            && tools->phase() == ToolProvisioningStore::Phase::running));

    static_cast<StepDots*>(m_dots)->setSteps(m_coordinator->stepCount(), index, showBack ? kDotsInset : 0);

    m_skip->setVisible(
        screen == Screen::connectMusic || screen == Screen::downloadSources || screen == Screen::fineTuning);
    m_skip->setEnabled(!committing);

    m_primary->setText(screen == Screen::welcome ? tr("Get Started")
            : screen == Screen::finish           ? tr("Start Using mivo")
                                                 : tr("Continue"));
    const bool primaryDisabled
        = committing || (screen == Screen::prepareTools && !m_coordinator->canAdvancePastTools());
    m_primary->setEnabled(!primaryDisabled);
    keepKeyboard();
}

void SetupScaffold::keepKeyboard()
{
    // Nothing in the wizard holds the keyboard (the primary button was off, or
    // the control that had it went with its screen): it goes to the primary button.
    const QWidget* focused = focusWidget();
    if (isVisible() && m_primary->isEnabled()
        && (!focused || focused == this || !focused->isVisible() || !focused->isEnabled()))
        m_primary->setFocus(Qt::OtherFocusReason);
}

void SetupScaffold::primaryAction()
{
    if (!m_coordinator)
        return;
    if (m_coordinator->currentScreen() == Screen::finish)
        attemptFinish();
    else
        m_coordinator->advance();
}

void SetupScaffold::attemptFinish()
{
    if (!m_coordinator || m_coordinator->isCommitting())
        return;
    if (m_coordinator->mode() == SetupCoordinator::Mode::firstRun && m_coordinator->hasNoSource()
        && !m_coordinator->dismissedSourceWarning()) {
        showSourceWarning();
        return;
    }
    finish();
}

SourceWarningWindow* SetupScaffold::sourceWarning() const
{
    return m_sourceWarning;
}

void SetupScaffold::showSourceWarning()
{
    if (m_sourceWarning)
        return;
    auto* alert = new SourceWarningWindow(this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    // Closed without a choice, the wizard stays where it is.
    connect(alert, &SourceWarningWindow::chosen, this, [this](SourceWarningWindow::Choice choice) {
        if (!m_coordinator)
            return;
        if (choice == SourceWarningWindow::Choice::connectSource) {
            m_coordinator->goToConnectMusic();
        } else {
            m_coordinator->setDismissedSourceWarning(true);
            finish();
        }
    });
    m_sourceWarning = alert;
    WindowPlacement::centreOver(alert, this);
    alert->open();
}

QCoro::Task<void> SetupScaffold::finish()
{
    const QPointer<SetupScaffold> self(this);
    const QPointer<SetupCoordinator> coordinator = m_coordinator;
    const QPointer<AppModel> model = m_model;
    if (!coordinator)
        co_return;
    co_await coordinator->commit();
    // The commit outlives the panel: closed meanwhile, the wizard's last step
    // still runs, unless a newer wizard took this one's place.
    if (!coordinator || !model || (model->setupCoordinator() && model->setupCoordinator() != coordinator))
        co_return;
    const std::optional<QString> failure = coordinator->lastError();
    const bool stillShown = self && model->isOnboardingPresented();
    // A failed commit leaves a shown wizard open; the finish screen shows why.
    if (failure && stillShown)
        co_return;
    model->finishOnboarding();
    if (failure)
        model->sync().setBanner(SyncBanner { SyncBanner::Kind::error, *failure, std::nullopt });
}

} // namespace mivo
