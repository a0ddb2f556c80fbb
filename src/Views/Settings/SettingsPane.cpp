#include "Views/Settings/SettingsPane.h"

#include "App/AppModel.h"
#include "State/StoreRequests.h"
#include "Styling/FocusRing.h"
#include "Styling/Tokens.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"

#include <QEvent>
#include <QPointer>
#include <QVBoxLayout>

namespace mivo {

SettingsPane::SettingsPane(AppModel& model, QWidget* parent)
    : QScrollArea(parent)
    , m_model(model)
    , m_form(nullptr)
    , m_errorLabel(new FormText({}, TextStyle::callout, ThemeColor::red(), this))
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FocusRing::passFocusThrough(this);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    m_form = new QVBoxLayout(content);
    const int margin = int(Tokens::Space::lg);
    m_form->setContentsMargins(margin, margin, margin, margin);
    m_form->setSpacing(int(Tokens::Space::lg + Tokens::Space::xs));
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_errorLabel->setAccessibleName(tr("Error"));
    m_errorLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_errorLabel->hide();
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

SettingsSection* SettingsPane::addSection(const QString& header, const QString& footer)
{
    auto* section = new SettingsSection(header, footer);
    m_form->addWidget(section);
    return section;
}

void SettingsPane::finishForm()
{
    m_form->addStretch(1);
}

void SettingsPane::bindModel()
{
    connect(&m_model, &AppModel::attached, this, [this] {
        connectSettingsStore();
        bindStores();
        refresh();
    });
    connectSettingsStore();
    bindStores();
    refresh();
}

void SettingsPane::connectSettingsStore()
{
    SettingsStore* settings = m_model.settings();
    if (!settings)
        return;
    connect(settings, &SettingsStore::configChanged, this, &SettingsPane::refresh, Qt::UniqueConnection);
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
