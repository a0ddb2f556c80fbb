#include "Views/Settings/ProxySettings.h"

#include "App/AppModel.h"
#include "Styling/ButtonStyling.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Support/SubscriptionAddress.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace mivo {

namespace {

// Spaces and tabs, not line breaks, are what the field's ends may lose.
QString trimHorizontal(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && (text[start] == u' ' || text[start] == u'\t'))
        ++start;
    while (end > start && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.mid(start, end - start);
}

} // namespace

ProxySettings::ProxySettings(AppModel& model, QWidget* parent)
    : SettingsPane(model, parent)
    , m_subscription(new QLineEdit)
    , m_refusal(new FormText(SubscriptionAddress::refusalText(), TextStyle::caption, ThemeColor::red()))
    , m_primary(new QPushButton(tr("Save")))
    , m_testing(new QProgressBar)
    , m_resultSymbol(new QLabel)
    , m_result(new FormText({}, TextStyle::caption))
    , m_forget(new QPushButton(tr("Forget")))
    , m_detail(new FormText({}, TextStyle::caption, ThemeColor::secondary()))
    , m_section(addSection(tr("Corvane VPN"), footerText(false)))
{
    m_subscription->setEchoMode(QLineEdit::Password);
    m_subscription->setPlaceholderText(tr("Subscription URL"));
    m_subscription->setAccessibleName(tr("Subscription URL"));
    m_section->addRow(m_subscription);
    connect(m_subscription, &QLineEdit::textChanged, this, [this] {
        m_refused = false;
        refresh();
    });
    connect(m_subscription, &QLineEdit::returnPressed, this, [this] {
        if (hasInput())
            saveSubscription();
    });

    auto* buttons = new QHBoxLayout;
    ButtonStyling::setStyle(m_primary, ButtonStyle::bordered);
    buttons->addWidget(m_primary);
    m_testing->setRange(0, 0);
    m_testing->setTextVisible(false);
    m_testing->setFixedWidth(60);
    m_testing->setAccessibleName(tr("Testing"));
    buttons->addWidget(m_testing);
    buttons->addStretch(1);
    auto* result = new QHBoxLayout;
    result->setSpacing(int(Tokens::Space::xs));
    result->addWidget(m_resultSymbol);
    result->addWidget(m_result);
    buttons->addLayout(result);
    ButtonStyling::setStyle(m_forget, ButtonStyle::bordered);
    ButtonStyling::setTint(m_forget, ThemeColor::red());
    buttons->addWidget(m_forget);
    m_section->addRow(buttons);
    connect(m_primary, &QPushButton::clicked, this, &ProxySettings::primaryClicked);
    connect(m_forget, &QPushButton::clicked, this, [this] { forget(); });

    // The refusal shows in a row of its own below the buttons, so that it
    // moves none of them and no room waits for it while there is none.
    m_refusal->setWordWrap(true);
    m_refusalRow = m_section->addRow(m_refusal);
    m_refusalRow->hide();

    m_detail->setWordWrap(true);
    m_detail->setMaximumHeight(m_detail->fontMetrics().lineSpacing() * 2 + 2);
    m_detailRow = m_section->addRow(m_detail);

    finishForm();
    bindModel();
}

QString ProxySettings::footerText(bool configured)
{
    return (configured ? tr("A subscription URL is stored by the mivo helper. Paste a new one to "
                            "replace it. ")
                       : tr("Paste your VPN subscription URL. The mivo helper keeps it; this app "
                            "stores no copy. "))
        + tr("Turn routing on or off from the VPN button in the toolbar. ")
        + tr("Soulseek is hard-stopped if the tunnel drops, so your IP is never exposed to peers.");
}

bool ProxySettings::hasInput() const
{
    return !trimHorizontal(m_subscription->text()).isEmpty();
}

bool ProxySettings::configured() const
{
    const std::optional<SafeConfig> current = config();
    return current && current->proxy.configured;
}

void ProxySettings::refresh()
{
    const bool input = hasInput();
    const bool stored = configured();
    const bool testMode = !input && stored;
    m_primary->setText(testMode ? tr("Test") : tr("Save"));
    m_primary->setEnabled(input || (testMode && !m_isTesting));
    m_primary->setVisible(!(testMode && m_isTesting));
    m_testing->setVisible(testMode && m_isTesting);

    const bool showResult = !input && m_testResult.has_value();
    m_result->setVisible(showResult);
    m_resultSymbol->setVisible(showResult);
    if (showResult) {
        const bool ok = m_testResult->ok;
        const ThemeColor colour = ok ? ThemeColor::green() : ThemeColor::red();
        m_result->setText(ok ? tr("Connected") : tr("Failed"));
        m_result->setColor(colour);
        const int side = m_result->fontMetrics().height();
        m_resultSymbol->setPixmap(Symbols::icon(
            ok ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("xmark.octagon.fill"), colour)
                                      .pixmap(QSize(side, side)));
    }
    const bool showDetail = showResult && m_testResult->detail && !m_testResult->detail->isEmpty();
    m_detail->setText(showDetail ? *m_testResult->detail : QString());
    m_detailRow->setVisible(showDetail);
    m_forget->setVisible(stored);
    m_refusalRow->setVisible(m_refused);
    m_section->setFooterText(footerText(stored));
}

void ProxySettings::primaryClicked()
{
    if (hasInput())
        saveSubscription();
    else if (configured() && !m_isTesting)
        runTest();
}

QCoro::Task<void> ProxySettings::saveSubscription()
{
    const QString subscription = trimHorizontal(m_subscription->text());
    if (subscription.isEmpty())
        co_return;
    // Refused where it was typed, and kept there to be mended.
    if (!SubscriptionAddress::isAcceptable(subscription)) {
        m_refused = true;
        refresh();
        co_return;
    }
    SettingsStore* settings = model().settings();
    if (!settings)
        co_return;
    const QPointer<ProxySettings> self(this);
    const QPointer<SettingsStore> store(settings);
    QCoro::Task<bool> saved = settings->setProxySubscription(subscription);
    const bool succeeded = co_await std::move(saved);
    if (!self)
        co_return;
    showOutcome(succeeded, store ? store->lastError() : std::nullopt);
    if (!succeeded)
        co_return;
    // Cleared only when it was taken; what was typed meanwhile stays.
    if (trimHorizontal(m_subscription->text()) == subscription)
        m_subscription->clear();
    m_testResult.reset();
    refresh();
}

QCoro::Task<void> ProxySettings::runTest()
{
    const QPointer<ProxySettings> self(this);
    m_isTesting = true;
    refresh();
    std::optional<SettingsStore::ProxyTest> result;
    if (SettingsStore* settings = model().settings()) {
        QCoro::Task<SettingsStore::ProxyTest> test = settings->testProxy();
        result = co_await std::move(test);
    }
    if (!self)
        co_return;
    m_testResult = result;
    m_isTesting = false;
    refresh();
}

QCoro::Task<void> ProxySettings::forget()
{
    const QPointer<ProxySettings> self(this);
    if (SettingsStore* settings = model().settings()) {
        const QPointer<SettingsStore> store(settings);
        QCoro::Task<bool> removed = settings->disconnectProxy();
        const bool succeeded = co_await std::move(removed);
        if (!self)
            co_return;
        showOutcome(succeeded, store ? store->lastError() : std::nullopt);
    }
    m_subscription->clear();
    m_testResult.reset();
    refresh();
}

} // namespace mivo
