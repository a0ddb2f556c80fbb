#include "Views/Settings/SettingsPane.h"

#include "App/AppModel.h"
#include "State/StoreRequests.h"
#include "Styling/ButtonStyling.h"
#include "Styling/FocusRing.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/LoadingNotice.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace mivo {

SettingsPane::SettingsPane(AppModel& model, QWidget* parent, Reads reads)
    : QScrollArea(parent)
    , m_model(model)
    , m_reads(reads)
    , m_form(nullptr)
    , m_body(new QWidget)
    , m_sections(new QVBoxLayout(m_body))
    , m_errorLabel(new FormText({}, TextStyle::callout, ThemeColor::red(), this))
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FocusRing::passFocusThrough(this);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    m_form = new QVBoxLayout(content);
    // The error line's strip below the form is the room at its bottom: a
    // margin of its own there would make a form that fits scroll by it.
    const int margin = int(Tokens::Space::lg);
    m_form->setContentsMargins(margin, margin, margin, 0);
    m_form->setSpacing(int(Tokens::Space::lg + Tokens::Space::xs));
    m_sections->setContentsMargins(0, 0, 0, 0);
    m_sections->setSpacing(m_form->spacing());
    m_body->setAutoFillBackground(false);
    m_form->addWidget(m_body);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_errorLabel->setAccessibleName(tr("Error"));
    m_errorLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_errorLabel->hide();
    if (m_reads == Reads::configuration) {
        m_reading = new LoadingNotice(tr("Reading settings\u2026"));
        m_form->insertWidget(0, m_reading, 1);
    }
    setWidget(content);
    viewport()->setAutoFillBackground(false);
    placeErrorLine();
}

void SettingsPane::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    placeErrorLine();
}

void SettingsPane::changeEvent(QEvent* event)
{
    QScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        placeErrorLine();
}

void SettingsPane::placeErrorLine()
{
    // Room for two lines of the error's text; a longer message is cut there
    // and can be selected and copied whole.
    const int margin = int(Tokens::Space::lg);
    const int strip = 2 * m_errorLabel->fontMetrics().lineSpacing() + int(Tokens::Space::sm);
    setViewportMargins(0, 0, 0, strip);
    const QRect area = contentsRect();
    m_errorLabel->setGeometry(area.left() + margin + int(Tokens::Space::xs), area.bottom() + 1 - strip,
        area.width() - 2 * margin - int(Tokens::Space::xs), strip);
    m_errorLabel->raise();
}

std::optional<SafeConfig> SettingsPane::config() const
{
    const SettingsStore* settings = m_model.settings();
    return settings ? settings->config() : std::nullopt;
}

bool SettingsPane::awaitingConfig() const
{
    const SettingsStore* settings = m_model.settings();
    // Without a store, a helper that could not be started brings nothing.
    if (!settings)
        return !m_model.startupError();
    return !settings->config() && settings->readState() != SettingsStore::ReadState::failed;
}

bool SettingsPane::showsReadFailure() const
{
    return m_readNotice && !m_readNotice->isHidden();
}

bool SettingsPane::showsReading() const
{
    return m_reading && !m_reading->isHidden();
}

void SettingsPane::buildReadNotice()
{
    // One row: a warning symbol, what happened with the helper's words under
    // it, and the button that reads again.
    m_readNotice = new SettingsSection;
    auto* row = new QHBoxLayout;
    row->setSpacing(int(Tokens::Space::md));
    auto* symbol = new QLabel;
    const int side = QFontMetrics(Typography::font(TextStyle::headline, font())).height();
    symbol->setPixmap(Symbols::icon(QStringLiteral("exclamationmark.triangle"), ThemeColor::orange())
                          .pixmap(QSize(side, side), devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignTop);
    row->addWidget(symbol, 0, Qt::AlignTop);
    auto* words = new QVBoxLayout;
    words->setSpacing(int(Tokens::Space::xs));
    auto* title = new FormText(tr("mivo could not read its settings from the helper."), TextStyle::headline);
    title->setWordWrap(true);
    words->addWidget(title);
    m_readNoticeDetail = new FormText({}, TextStyle::callout, ThemeColor::secondary());
    m_readNoticeDetail->setWordWrap(true);
    m_readNoticeDetail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    words->addWidget(m_readNoticeDetail);
    row->addLayout(words, 1);
    auto* retry = new QPushButton(tr("Try Again"));
    ButtonStyling::setStyle(retry, ButtonStyle::bordered);
    row->addWidget(retry, 0, Qt::AlignVCenter);
    m_readNotice->addRow(row);
    connect(retry, &QPushButton::clicked, this, [this] {
        if (SettingsStore* settings = m_model.settings())
            settings->refresh();
    });
    m_form->insertWidget(0, m_readNotice);
}

void SettingsPane::updateReadNotice()
{
    if (m_reads != Reads::configuration)
        return;
    const SettingsStore* settings = m_model.settings();
    const bool reading = awaitingConfig();
    const bool failed = !reading && settings && settings->readState() == SettingsStore::ReadState::failed;
    m_reading->setVisible(reading);
    // While reading, the notice takes the pane's whole height and sits in its middle.
    if (m_formEnd >= 0)
        m_form->setStretch(m_formEnd, reading ? 0 : 1);
    // Made when first needed.
    if (failed && !m_readNotice)
        buildReadNotice();
    if (m_readNotice) {
        m_readNoticeDetail->setText(failed ? settings->readError().value_or(QString()) : QString());
        m_readNoticeDetail->setVisible(!m_readNoticeDetail->text().isEmpty());
        m_readNotice->setVisible(failed);
    }
    // Without a configuration the sections would show made-up values.
    m_body->setVisible(!reading && (!failed || settings->config().has_value()));
}

SettingsSection* SettingsPane::addSection(const QString& header, const QString& footer)
{
    auto* section = new SettingsSection(header, footer);
    m_sections->addWidget(section);
    return section;
}

void SettingsPane::finishForm()
{
    m_form->addStretch(1);
    m_formEnd = m_form->count() - 1;
    updateReadNotice();
}

void SettingsPane::bindModel()
{
    connect(&m_model, &AppModel::attached, this, [this] {
        connectSettingsStore();
        bindStores();
        updateReadNotice();
        refresh();
    });
    connect(&m_model, &AppModel::startupErrorChanged, this, &SettingsPane::updateReadNotice);
    connectSettingsStore();
    bindStores();
    updateReadNotice();
    refresh();
}

void SettingsPane::connectSettingsStore()
{
    SettingsStore* settings = m_model.settings();
    if (!settings)
        return;
    connect(settings, &SettingsStore::configChanged, this, &SettingsPane::refresh, Qt::UniqueConnection);
    // A progress indicator shows only while a read is on its way.
    connect(settings, &SettingsStore::readStateChanged, this, &SettingsPane::refresh, Qt::UniqueConnection);
    if (m_reads == Reads::configuration) {
        connect(settings, &SettingsStore::configChanged, this, &SettingsPane::updateReadNotice,
            Qt::UniqueConnection);
        connect(settings, &SettingsStore::readStateChanged, this, &SettingsPane::updateReadNotice,
            Qt::UniqueConnection);
        connect(settings, &SettingsStore::readErrorChanged, this, &SettingsPane::updateReadNotice,
            Qt::UniqueConnection);
    }
    // A successful read clears what an earlier failure left.
    connect(settings, &SettingsStore::lastErrorChanged, this, [this, settings] {
        if (!settings->lastError())
            setErrorText(std::nullopt);
    });
}

void SettingsPane::applyPatch(ConfigPatch patch)
{
    // A part of a record is only written over a configuration the pane was drawn from.
    if (!m_model.settings() || !config())
        return;
    runApply(std::move(patch));
}

QCoro::Task<void> SettingsPane::runApply(ConfigPatch patch)
{
    const QPointer<SettingsPane> self(this);
    const QPointer<SettingsStore> settings(m_model.settings());
    QCoro::Task<bool> write = settings->apply(std::move(patch));
    const bool succeeded = co_await std::move(write);
    if (!self)
        co_return;
    showOutcome(succeeded, settings ? settings->lastError() : std::nullopt);
}

QCoro::Task<bool> SettingsPane::handOverSecret(AccountService service, QString text)
{
    const QString token = text.trimmed();
    if (token.isEmpty())
        co_return false;
    const QPointer<SettingsPane> self(this);
    std::optional<QString> failure;
    try {
        QCoro::Task<void> stored = m_model.storeAccountToken(service, token, std::nullopt);
        co_await std::move(stored);
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    if (self)
        self->showOutcome(!failure, failure);
    co_return !failure;
}

void SettingsPane::showOutcome(bool succeeded, const std::optional<QString>& failure)
{
    if (succeeded)
        setErrorText(std::nullopt);
    else
        setErrorText(failure.value_or(tr("The change could not be saved.")));
}

void SettingsPane::setErrorText(std::optional<QString> error)
{
    if (m_error == error)
        return;
    m_error = std::move(error);
    m_errorLabel->setText(m_error.value_or(QString()));
    m_errorLabel->setVisible(m_error.has_value());
}

} // namespace mivo
