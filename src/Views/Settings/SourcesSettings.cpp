#include "Views/Settings/SourcesSettings.h"

#include "App/AppModel.h"
#include "Views/Settings/FormStepper.h"
#include "Views/Settings/SettingsSection.h"
#include "Views/Settings/SourceOrderModel.h"
#include "Views/Settings/SourceRowDelegate.h"

#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QShowEvent>
#include <algorithm>
#include <cmath>
#include <map>

namespace mivo {

namespace {

const QList<SourceId> kAllSources { SourceId::soulseek, SourceId::bandcamp, SourceId::soundcloud,
    SourceId::youtube };

// A real value shown as a whole number (truncated); a value that cannot be
// one is shown as a dash.
QString wholeNumber(double value)
{
    if (!std::isfinite(value) || std::abs(value) >= 9.2e18)
        return QStringLiteral("—");
    return QString::number(qint64(value));
}

double clamp(double value, double minimum, double maximum)
{
    if (std::isnan(value))
        return minimum;
    return std::clamp(value, minimum, maximum);
}

} // namespace

SourcesSettings::SourcesSettings(AppModel& model, QWidget* parent)
    : SettingsPane(model, parent)
    , m_order(new SourceOrderModel(this))
    , m_list(new QListView)
    , m_soundcloud(new QLineEdit)
    , m_advanced(nullptr)
{
    SettingsSection* sources = addSection(tr("Download Sources"),
        tr("Enable the services mivo searches for audio, and drag to set priority — higher is tried "
           "first."));
    m_list->setModel(m_order);
    m_list->setItemDelegate(new SourceRowDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setDragDropMode(QAbstractItemView::InternalMove);
    m_list->setDefaultDropAction(Qt::MoveAction);
    m_list->setDropIndicatorShown(true);
    m_list->setFixedHeight(int(kAllSources.size()) * SourceRowDelegate::kRowHeight + 2);
    m_list->setAccessibleName(tr("Download sources"));
    QWidget* listRow = sources->addRow(m_list);
    listRow->layout()->setContentsMargins(0, 0, 0, 0);
    connect(m_order, &SourceOrderModel::enableRequested, this, &SourcesSettings::setEnabled);
    connect(m_order, &SourceOrderModel::reordered, this, &SourcesSettings::applyOrder);

    SettingsSection* soundcloud = addSection(tr("SoundCloud"),
        tr("Optional — unlocks higher-quality (256 kbps) SoundCloud streams. Press Return to hand it "
           "to the mivo helper, which keeps it; this app stores no copy."));
    m_soundcloud->setEchoMode(QLineEdit::Password);
    m_soundcloud->setPlaceholderText(tr("SoundCloud OAuth token"));
    m_soundcloud->setAccessibleName(tr("SoundCloud OAuth token"));
    soundcloud->addRow(m_soundcloud);
    connect(m_soundcloud, &QLineEdit::returnPressed, this,
        [this] { handOverSecret(AccountService::soundcloud, m_soundcloud->text()); });

    m_advanced
        = addSection(tr("Advanced"), tr("Search and download tuning. The defaults suit most libraries."));
    for (const RunField field : { RunField::searchCount, RunField::concurrency, RunField::searchTimeoutSec,
             RunField::cooloffHours }) {
        static const std::map<RunField, const char*> titles {
            { RunField::searchCount, QT_TR_NOOP("Results per source") },
            { RunField::concurrency, QT_TR_NOOP("Parallel downloads") },
            { RunField::searchTimeoutSec, QT_TR_NOOP("Search timeout") },
            { RunField::cooloffHours, QT_TR_NOOP("Cool-off after a failure") },
        };
        auto* stepper
            = new FormStepper(tr(titles.at(field)), [this, field](int direction) { step(field, direction); });
        m_advanced->addRow(stepper);
        m_steppers.append({ field, stepper });
    }

    finishForm();
    bindModel();
}

QList<SourceId> SourcesSettings::orderFor(const QList<SourceId>& configured, const QList<SourceId>& current)
{
    if (configured.isEmpty())
        return current;
    QList<SourceId> order;
    for (const SourceId source : configured) {
        if (!order.contains(source))
            order.append(source);
    }
    for (const SourceId source : kAllSources) {
        if (!order.contains(source))
            order.append(source);
    }
    return order;
}

void SourcesSettings::refresh()
{
    const std::optional<SafeConfig> current = config();
    const QList<SourceId> configured = current ? current->sources : QList<SourceId> {};
    // Taken once per appearance, so a switch never moves a row under the
    // pointer; again only when the stored order is no longer the one shown (a
    // change made elsewhere, or a move the helper refused).
    if (current && (!m_orderTaken || !shows(m_order->order(), configured))) {
        m_orderTaken = true;
        m_order->setOrder(orderFor(configured, m_order->order()));
    }
    m_order->setEnabled(configured);
    // Without a configuration a switch or a drag would write a list made from nothing.
    m_list->setEnabled(current.has_value());

    m_advanced->setVisible(current.has_value());
    if (!current)
        return;
    const SafeConfig::Run& run = current->run;
    for (const auto& [field, stepper] : m_steppers) {
        switch (field) {
        case RunField::searchCount:
            stepper->setText(tr("Results per source: %1").arg(run.searchCount));
            break;
        case RunField::concurrency:
            stepper->setText(tr("Parallel downloads: %1").arg(run.concurrency));
            break;
        case RunField::searchTimeoutSec:
            stepper->setText(tr("Search timeout: %1s").arg(wholeNumber(run.searchTimeoutSec)));
            break;
        case RunField::cooloffHours:
            stepper->setText(tr("Cool-off after a failure: %1h").arg(wholeNumber(run.cooloffHours)));
            break;
        }
    }
}

void SourcesSettings::showEvent(QShowEvent* event)
{
    SettingsPane::showEvent(event);
    if (event->spontaneous())
        return;
    m_orderTaken = false;
    refresh();
}

bool SourcesSettings::shows(const QList<SourceId>& display, const QList<SourceId>& configured)
{
    QList<SourceId> enabled;
    for (const SourceId source : display) {
        if (configured.contains(source))
            enabled.append(source);
    }
    QList<SourceId> stored;
    for (const SourceId source : configured) {
        if (!stored.contains(source))
            stored.append(source);
    }
    return enabled == stored;
}

QList<SourceId> SourcesSettings::withSource(
    const QList<SourceId>& configured, const QList<SourceId>& display, SourceId source, bool enabled)
{
    QList<SourceId> sources = configured;
    sources.removeAll(source);
    if (!enabled)
        return sources;
    // In its place of the display order: before the first enabled source shown below it.
    const qsizetype shownAt = display.indexOf(source);
    for (qsizetype i = 0; i < sources.size(); ++i) {
        const qsizetype at = display.indexOf(sources[i]);
        if (shownAt >= 0 && at > shownAt) {
            sources.insert(i, source);
            return sources;
        }
    }
    sources.append(source);
    return sources;
}

void SourcesSettings::setEnabled(SourceId source, bool enabled)
{
    // Built on the list the store holds now, changes still on their way included.
    const std::optional<SafeConfig> current = config();
    if (!current)
        return;
    ConfigPatch patch;
    patch.sources = withSource(current->sources, m_order->order(), source, enabled);
    applyPatch(std::move(patch));
}

void SourcesSettings::applyOrder()
{
    // The user moved a row: the enabled sources in the order now shown.
    const std::optional<SafeConfig> current = config();
    if (!current)
        return;
    ConfigPatch patch;
    patch.sources = QList<SourceId> {};
    for (const SourceId source : m_order->order()) {
        if (current->sources.contains(source))
            patch.sources->append(source);
    }
    applyPatch(std::move(patch));
}

void SourcesSettings::step(RunField field, int direction)
{
    const std::optional<SafeConfig> current = config();
    if (!current)
        return;
    SafeConfig::Run run = current->run;
    switch (field) {
    case RunField::searchCount:
        run.searchCount = qint64(clamp(double(run.searchCount) + direction, 1, 20));
        break;
    case RunField::concurrency:
        run.concurrency = qint64(clamp(double(run.concurrency) + direction, 1, 8));
        break;
    case RunField::searchTimeoutSec:
        run.searchTimeoutSec = clamp(run.searchTimeoutSec + 5.0 * direction, 5, 120);
        break;
    case RunField::cooloffHours:
        run.cooloffHours = clamp(run.cooloffHours + direction, 0, 168);
        break;
    }
    ConfigPatch patch;
    patch.run = run;
    applyPatch(std::move(patch));
}

} // namespace mivo
