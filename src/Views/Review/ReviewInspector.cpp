#include "Views/Review/ReviewInspector.h"

#include "App/AppModel.h"
#include "State/ReviewOffer.h"
#include "Styling/ButtonStyling.h"
#include "Styling/ConfidenceMeter.h"
#include "Styling/FocusRing.h"
#include "Styling/Format.h"
#include "Styling/GlassSurface.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Views/ArtworkView.h"
#include "Views/ElidedLabel.h"
#include "Views/FittedListView.h"
#include "Views/FocusFrame.h"
#include "Views/Review/CandidateDelegate.h"
#include "Views/Review/CandidateListModel.h"
#include "Views/SymbolLabel.h"
#include "Views/ViewAccessibility.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyleOption>
#include <QVBoxLayout>
#include <algorithm>

namespace mivo {

namespace {

constexpr int kSpace = int(Tokens::Space::lg);

ElidedLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new ElidedLabel(TextStyle::caption, ThemeColor::secondary(), 1, parent);
    label->setWeight(QFont::DemiBold);
    label->setText(text);
    return label;
}

QFrame* hairline(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    line->setFixedHeight(1);
    return line;
}

QPushButton* button(const QString& title, ButtonStyle style, QWidget* parent)
{
    auto* result = new QPushButton(title, parent);
    ButtonStyling::setStyle(result, style);
    result->setAutoDefault(false);
    return result;
}

// The candidates of a track while it awaits review; none otherwise.
QList<CandidateDTO> candidatesOf(const TrackModel& track)
{
    const auto* waiting = std::get_if<TrackState::AwaitingReview>(&track.state().value);
    return waiting ? waiting->candidates : QList<CandidateDTO>();
}

double bestConfidence(const QList<CandidateDTO>& candidates)
{
    double best = 0;
    for (const CandidateDTO& candidate : candidates) {
        if (candidate.confidence)
            best = std::max(best, *candidate.confidence);
    }
    return best;
}

} // namespace

ReviewInspector::ReviewInspector(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(&model)
{
    setObjectName(QStringLiteral("reviewInspector"));
    setWindowTitle(tr("Review"));
    m_pages = new QStackedWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);
    m_empty = buildEmptyState();
    m_pages->addWidget(m_empty);

    m_reviewing = new QWidget(this);
    auto* reviewing = new QVBoxLayout(m_reviewing);
    reviewing->setContentsMargins(0, 0, 0, 0);
    reviewing->setSpacing(0);
    auto* scroll = new QScrollArea(m_reviewing);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(buildContent());
    scroll->viewport()->setAutoFillBackground(false);
    scroll->widget()->setAutoFillBackground(false);
    FocusRing::passFocusThrough(scroll);
    reviewing->addWidget(scroll, 1);
    reviewing->addWidget(buildActionBar());
    m_pages->addWidget(m_reviewing);

    // The inspector can hold the keyboard itself (while all is caught up), but
    // Tab never stops on it.
    setFocusPolicy(Qt::ClickFocus);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    close->setContext(Qt::WidgetWithChildrenShortcut);
    connect(close, &QShortcut::activated, this, [this] {
        if (m_model)
            m_model->setInspectorPresented(false);
    });

    connect(&model, &AppModel::focusedReviewTrackIdChanged, this, &ReviewInspector::refresh);
    connect(&model.sync(), &SyncStore::changed, this, &ReviewInspector::refresh);
    connect(&model.sync(), &SyncStore::phaseChanged, this, &ReviewInspector::refresh);
    connect(m_candidateModel, &CandidateListModel::selectedIdChanged, this, &ReviewInspector::updateActions);
    refresh();
}

QWidget* ReviewInspector::buildEmptyState()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("allCaughtUp"));
    // The keyboard that was on the track's page when all got caught up stays
    // with the inspector, which shows it holds it.
    page->setFocusProxy(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(kSpace, kSpace, kSpace, kSpace);
    column->setSpacing(int(Tokens::Space::sm));
    column->addStretch();
    auto* symbol = new SymbolLabel(QStringLiteral("checkmark.circle"), ThemeColor::secondary(),
        TextStyle::largeTitle, ThemeColor::secondary(), page);
    symbol->setSymbolScale(1.4);
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    auto* title = new ElidedLabel(TextStyle::title2, ThemeColor::primary(), 1, page);
    title->setWeight(QFont::Bold);
    title->setText(tr("All Caught Up"));
    title->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    column->addWidget(title, 0, Qt::AlignHCenter);
    auto* description = new ElidedLabel(TextStyle::callout, ThemeColor::secondary(), 2, page);
    description->setText(tr("No matches need review."));
    description->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    column->addWidget(description, 0, Qt::AlignHCenter);
    column->addStretch();
    return page;
}

QWidget* ReviewInspector::buildContent()
{
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(kSpace, kSpace, kSpace, kSpace);
    column->setSpacing(kSpace);

    // The queue stepper, with the inspector's own shortcuts.
    m_stepper = new QWidget(content);
    auto* stepper = new QHBoxLayout(m_stepper);
    stepper->setContentsMargins(0, 0, 0, 0);
    m_position = caption(QString(), m_stepper);
    stepper->addWidget(m_position, 1);
    const struct {
        const char* symbol;
        const char* name;
        Qt::Key key;
        int step;
    } steps[] = { { "chevron.left", QT_TR_NOOP("Previous Review"), Qt::Key_BracketLeft, -1 },
        { "chevron.right", QT_TR_NOOP("Next Review"), Qt::Key_BracketRight, 1 } };
    for (const auto& step : steps) {
        auto* arrow = button(QString(), ButtonStyle::borderless, m_stepper);
        ButtonStyling::setSymbol(arrow, QString::fromLatin1(step.symbol));
        const QKeySequence keys(Qt::CTRL | Qt::ALT | step.key);
        arrow->setAccessibleName(tr(step.name));
        arrow->setToolTip(
            QStringLiteral("%1 (%2)").arg(tr(step.name), keys.toString(QKeySequence::NativeText)));
        auto* shortcut = new QShortcut(keys, m_stepper);
        const int by = step.step;
        const auto move = [this, by] {
            if (m_model)
                m_model->stepReview(by);
        };
        connect(arrow, &QPushButton::clicked, this, move);
        connect(shortcut, &QShortcut::activated, this, move);
        stepper->addWidget(arrow);
    }
    column->addWidget(m_stepper);

    // The track.
    auto* header = new QVBoxLayout;
    header->setSpacing(int(Tokens::Space::sm));
    auto* identity = new QHBoxLayout;
    identity->setSpacing(int(Tokens::Space::md));
    m_artwork = new ArtworkView(ArtworkRef::none(), Tokens::Art::inspector, QStringLiteral("music.note"),
        Tokens::Radius::control, content);
    identity->addWidget(m_artwork, 0, Qt::AlignVCenter);
    auto* names = new QVBoxLayout;
    names->setSpacing(int(Tokens::Space::xxs));
    m_title = new ElidedLabel(TextStyle::headline, ThemeColor::primary(), 2, content);
    m_artist = new ElidedLabel(TextStyle::subheadline, ThemeColor::secondary(), 1, content);
    m_album = new ElidedLabel(TextStyle::caption, ThemeColor::tertiary(), 1, content);
    names->addWidget(m_title);
    names->addWidget(m_artist);
    names->addWidget(m_album);
    identity->addLayout(names, 1);
    header->addLayout(identity);
    m_meterHolder = new QVBoxLayout;
    m_meterHolder->setContentsMargins(0, 0, 0, 0);
    header->addLayout(m_meterHolder);
    m_duration = new SymbolLabel(QStringLiteral("clock"), ThemeColor::secondary(), TextStyle::caption,
        ThemeColor::secondary(), content);
    header->addWidget(m_duration, 0, Qt::AlignLeft);
    column->addLayout(header);
    column->addWidget(hairline(content));

    // The candidates.
    m_noCandidates = new ElidedLabel(TextStyle::callout, ThemeColor::secondary(), 3, content);
    m_noCandidates->setText(tr("No candidates returned. Paste a direct URL below to use instead."));
    column->addWidget(m_noCandidates);
    m_candidateSection = new QWidget(content);
    auto* section = new QVBoxLayout(m_candidateSection);
    section->setContentsMargins(0, 0, 0, 0);
    section->setSpacing(int(Tokens::Space::xs));
    section->addWidget(caption(tr("Candidates"), m_candidateSection));
    m_candidateModel = new CandidateListModel(this);
    m_candidateList = new FittedListView(m_candidateSection);
    m_candidateList->setAccessibleName(tr("Candidates"));
    // The picked candidate is the selected one.
    ViewAccessibility::setItemList(m_candidateList, QAccessible::List, QAccessible::ListItem);
    m_candidateList->setItemDelegate(new CandidateDelegate(m_candidateList));
    m_candidateList->setModel(m_candidateModel);
    const auto pick = [this](const QModelIndex& index) {
        m_candidateModel->setSelectedId(index.data(CandidateListModel::IdRole).toString());
    };
    connect(m_candidateList, &QListView::clicked, this, pick);
    connect(m_candidateList, &QListView::activated, this, pick);
    m_candidateList->installEventFilter(this); // Space picks as Return does
    section->addWidget(m_candidateList);
    column->addWidget(m_candidateSection);

    // A direct web address.
    auto* urlSection = new QVBoxLayout;
    urlSection->setSpacing(int(Tokens::Space::xs));
    urlSection->addWidget(caption(tr("Or paste a direct URL"), content));
    m_url = new QLineEdit(content);
    m_url->setPlaceholderText(QStringLiteral("https://"));
    m_url->setAccessibleName(tr("Direct URL"));
    m_url->setInputMethodHints(Qt::ImhUrlCharactersOnly | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    connect(m_url, &QLineEdit::returnPressed, this, &ReviewInspector::submitURL);
    connect(m_url, &QLineEdit::textChanged, this, &ReviewInspector::updateActions);
    urlSection->addWidget(m_url);
    column->addLayout(urlSection);
    column->addStretch();
    return content;
}

QWidget* ReviewInspector::buildActionBar()
{
    auto* holder = new QWidget(m_reviewing);
    auto* stack = new QVBoxLayout(holder);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(hairline(holder));
    auto* bar = new GlassSurface(GlassRole::chrome(), holder);
    bar->setObjectName(QStringLiteral("reviewActions"));
    auto* row = new QHBoxLayout(bar);
    const int padding = int(Tokens::Space::md);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(int(Tokens::Space::sm));
    m_skip = button(tr("Skip"), ButtonStyle::glassAdaptive, bar);
    ButtonStyling::setTint(m_skip, ThemeColor::red());
    m_useSelected = button(tr("Use Selected"), ButtonStyle::glassAdaptive, bar);
    m_useURL = button(tr("Use URL"), ButtonStyle::glassAdaptive, bar);
    m_acceptBest = button(tr("Accept Best"), ButtonStyle::glassProminentAdaptive, bar);
    row->addWidget(m_skip);
    row->addStretch();
    row->addWidget(m_useSelected);
    row->addWidget(m_useURL);
    row->addWidget(m_acceptBest);
    stack->addWidget(bar);

    connect(m_skip, &QPushButton::clicked, this, [this] { decide(ReviewDecision::skip()); });
    connect(m_useSelected, &QPushButton::clicked, this, [this] {
        if (const std::optional<QString> id = m_candidateModel->selectedId())
            decide(ReviewDecision::candidate(*id));
    });
    connect(m_useURL, &QPushButton::clicked, this, &ReviewInspector::submitURL);
    connect(m_acceptBest, &QPushButton::clicked, this, [this] { decide(ReviewDecision::accept()); });
    return holder;
}

bool ReviewInspector::showsTrack() const
{
    return m_pages->currentWidget() == m_reviewing;
}

QString ReviewInspector::positionText() const
{
    return m_stepper->isHidden() ? QString() : m_position->text();
}

bool ReviewInspector::showsStepper() const
{
    return showsTrack() && !m_stepper->isHidden();
}

void ReviewInspector::refresh()
{
    if (!m_model)
        return;
    std::shared_ptr<TrackModel> track = m_model->resolvedFocusedReview();
    // The pick belongs to the track it was made for.
    const std::optional<QString> id = track ? std::optional(track->id()) : std::nullopt;
    if (id != m_shownId || track != m_track)
        m_candidateModel->setSelectedId(std::nullopt);
    m_shownId = id;
    if (track != m_track) {
        if (m_track)
            disconnect(m_track.get(), nullptr, this, nullptr);
        m_track = track;
        if (m_track)
            connect(m_track.get(), &TrackModel::stateChanged, this, &ReviewInspector::refresh);
    }
    if (!track) {
        m_pages->setCurrentWidget(m_empty);
        updateActions();
        return;
    }
    m_pages->setCurrentWidget(m_reviewing);

    const QList<std::shared_ptr<TrackModel>> queue = m_model->sync().reviewQueue();
    const auto found = std::find(queue.begin(), queue.end(), track);
    m_stepper->setHidden(queue.size() < 2 || found == queue.end());
    if (found != queue.end())
        m_position->setText(tr("Review %1 of %2").arg(found - queue.begin() + 1).arg(queue.size()));

    const TrackDTO& dto = track->dto();
    m_artwork->setRef(dto.artwork);
    m_title->setText(dto.title);
    m_artist->setText(dto.artist);
    m_album->setText(dto.album.value_or(QString()));
    m_album->setHidden(!dto.album);
    const QList<CandidateDTO> candidates = candidatesOf(*track);
    const double best = ConfidenceMeter::clampValue(bestConfidence(candidates));
    if (!m_meter || m_meter->value() != best) {
        delete m_meter;
        m_meter = new ConfidenceMeter(best, true);
        m_meterHolder->addWidget(m_meter);
    }
    m_duration->setText(Format::duration(dto.durationSec));
    m_candidateModel->setCandidates(candidates, dto.durationSec);
    m_noCandidates->setHidden(!candidates.isEmpty());
    m_candidateSection->setHidden(candidates.isEmpty());
    updateActions();
}

void ReviewInspector::updateActions()
{
    const QList<CandidateDTO> candidates = m_track ? candidatesOf(*m_track) : QList<CandidateDTO>();
    const auto offered = [&](const ReviewDecision& decision) {
        return m_track && ReviewOffer::validated(candidates, decision).has_value();
    };
    const std::optional<QString> selected = m_candidateModel->selectedId();
    const bool useSelected = selected && offered(ReviewDecision::candidate(*selected));
    m_useSelected->setVisible(useSelected);
    m_useURL->setVisible(!useSelected && offered(ReviewDecision::url(m_url->text())));
    m_acceptBest->setEnabled(offered(ReviewDecision::accept()));
    m_skip->setEnabled(m_track != nullptr);
}

void ReviewInspector::decide(const ReviewDecision& decision)
{
    const bool hadFocus = holdsFocus();
    if (!m_model || !m_model->decideFocusedReview(decision))
        return;
    m_candidateModel->setSelectedId(std::nullopt);
    keepFocusAfterDecision(hadFocus);
}

void ReviewInspector::submitURL()
{
    const bool hadFocus = holdsFocus();
    if (!m_model || !m_model->decideFocusedReview(ReviewDecision::url(m_url->text())))
        return;
    m_candidateModel->setSelectedId(std::nullopt);
    m_url->clear();
    keepFocusAfterDecision(hadFocus);
}

void ReviewInspector::focusContent(Qt::FocusReason reason)
{
    if (!showsTrack()) {
        setFocus(reason);
        return;
    }
    if (!m_candidateSection->isHidden() && m_candidateModel->rowCount() > 0) {
        if (!m_candidateList->currentIndex().isValid())
            m_candidateList->setCurrentIndex(m_candidateModel->index(0));
        m_candidateList->setFocus(reason);
        return;
    }
    m_url->setFocus(reason);
}

bool ReviewInspector::holdsFocus() const
{
    const QWidget* focused = QApplication::focusWidget();
    return focused && (focused == this || isAncestorOf(focused));
}

void ReviewInspector::keepFocusAfterDecision(bool hadFocus)
{
    // The next track's content replaced the control that had the keyboard (a
    // button went away or off): the keyboard stays in the inspector. Nothing to
    // do once the inspector closed.
    if (!hadFocus || !isVisible())
        return;
    const QWidget* focused = QApplication::focusWidget();
    if (holdsFocus() && focused->isVisible() && focused->isEnabled())
        return;
    focusContent(FocusRing::reasonForUserAction());
}

void ReviewInspector::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!hasFocus())
        return;
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    FocusFrame::paint(painter, option, rect().adjusted(1, 1, -1, -1), this);
}

void ReviewInspector::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void ReviewInspector::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

bool ReviewInspector::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_candidateList && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex current = m_candidateList->currentIndex();
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && current.isValid()) {
            m_candidateModel->setSelectedId(current.data(CandidateListModel::IdRole).toString());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace mivo
