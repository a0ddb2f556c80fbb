#include "Views/Onboarding/PrepareToolsScreen.h"

#include "App/AppModel.h"
#include "State/ToolProvisioningStore.h"
#include "Styling/ButtonStyling.h"
#include "Styling/Tokens.h"
#include "Views/ActivityIndicator.h"
#include "Views/Onboarding/SymbolView.h"
#include "Views/Onboarding/ToolProgressRow.h"
#include "Views/Onboarding/WizardLabel.h"

#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace mivo {

namespace {

// A symbol and a text side by side; the text wraps.
QWidget* labelWithSymbol(const QString& symbol, WizardLabel* text, const ThemeColor& symbolColor)
{
    auto* line = new QWidget;
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(Tokens::Space::xs) + 2);
    const int side = text->fontMetrics().height();
    auto* icon = new SymbolView(symbol, symbolColor, side);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    return line;
}

} // namespace

PrepareToolsScreen::PrepareToolsScreen(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(&model)
    , m_list(new QListView)
    , m_failure(new QWidget)
    , m_failureText(new WizardLabel(QString(), TextStyle::callout, ThemeColor::secondary()))
    , m_tryAgain(new QPushButton(tr("Try Again")))
    , m_log(new WizardLabel(QString(), TextStyle::caption2, ThemeColor::tertiary()))
    , m_spinnerTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("prepareToolsScreen"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(Tokens::Space::md));

    auto* intro = new WizardLabel(tr("mivo needs a couple of small open-source tools (yt-dlp and ffmpeg) to "
                                     "download and convert audio."),
        TextStyle::callout, ThemeColor::secondary());
    column->addWidget(intro->wrapping());

    m_list->setObjectName(QStringLiteral("toolList"));
    m_list->setItemDelegate(new ToolProgressRow(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setUniformItemSizes(false);
    // A failure's text wraps at the list's width: the rows follow it.
    m_list->setResizeMode(QListView::Adjust);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setAutoFillBackground(false);
    column->addWidget(m_list);

    // The failure block.
    auto* failureColumn = new QVBoxLayout(m_failure);
    failureColumn->setContentsMargins(0, 0, 0, 0);
    failureColumn->setSpacing(int(Tokens::Space::sm));
    m_failureLine = labelWithSymbol(
        QStringLiteral("exclamationmark.triangle"), m_failureText->wrapping(), ThemeColor::secondary());
    failureColumn->addWidget(m_failureLine);
    auto* hint = new WizardLabel(tr("Check your internet connection, or install yt-dlp and ffmpeg with your "
                                    "distribution's package manager, then try again."),
        TextStyle::caption, ThemeColor::secondary());
    failureColumn->addWidget(hint->wrapping());
    m_tryAgain->setObjectName(QStringLiteral("tryAgain"));
    ButtonStyling::setStyle(m_tryAgain, ButtonStyle::glassAdaptive);
    failureColumn->addWidget(m_tryAgain, 0, Qt::AlignLeft);
    column->addWidget(m_failure);

    auto* readyText
        = new WizardLabel(tr("All components are ready."), TextStyle::callout, ThemeColor::green());
    m_ready = labelWithSymbol(QStringLiteral("checkmark.circle"), readyText, ThemeColor::green());
    m_ready->setObjectName(QStringLiteral("toolsReady"));
    column->addWidget(m_ready);

    m_log->setObjectName(QStringLiteral("toolLog"));
    QFont mono = m_log->font();
    mono.setStyleHint(QFont::Monospace);
    mono.setFamily(QStringLiteral("monospace"));
    m_log->setFont(mono);
    m_log->eliding(Qt::ElideMiddle);
    column->addWidget(m_log);
    column->addStretch(1);

    connect(m_tryAgain, &QPushButton::clicked, this, [this] {
        if (m_store)
            m_store->provision();
    });
    m_spinnerTimer->setInterval(ActivityIndicator::kIntervalMs);
    connect(m_spinnerTimer, &QTimer::timeout, this, &PrepareToolsScreen::tick);

    connect(&model, &AppModel::attached, this, [this] {
        attachStore();
        if (m_shown)
            startIfIdle();
    });
    attachStore();
}

void PrepareToolsScreen::attachStore()
{
    if (m_store || !m_model || !m_model->toolProvisioning())
        return refresh();
    m_store = m_model->toolProvisioning();
    m_list->setModel(m_store->toolsModel());
    connect(m_store, &ToolProvisioningStore::phaseChanged, this, &PrepareToolsScreen::refresh);
    connect(m_store, &ToolProvisioningStore::lastErrorChanged, this, &PrepareToolsScreen::refresh);
    connect(m_store, &ToolProvisioningStore::lastLogChanged, this, &PrepareToolsScreen::refresh);
    connect(m_store, &ToolProvisioningStore::toolsChanged, this, &PrepareToolsScreen::refresh);
    refresh();
}

void PrepareToolsScreen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    startIfIdle();
}

void PrepareToolsScreen::startIfIdle()
{
    if (m_store && m_store->phase() == ToolProvisioningStore::Phase::idle)
        m_store->provision();
}

void PrepareToolsScreen::refresh()
{
    using Phase = ToolProvisioningStore::Phase;
    const bool hasStore = m_store;
    const Phase phase = hasStore ? m_store->phase() : Phase::idle;
    m_list->setVisible(hasStore);
    m_failure->setVisible(hasStore && phase == Phase::failed);
    const std::optional<QString> error = hasStore ? m_store->lastError() : std::nullopt;
    // A failed tool's row says what went wrong with it; the block below says
    // only what no row says already.
    bool saidByARow = false;
    if (error && hasStore) {
        for (const ToolProgress& tool : m_store->tools())
            saidByARow = saidByARow
                || (tool.phase == ToolPhase::error && ToolProgressRow::detailText(tool) == *error);
    }
    m_failureLine->setVisible(error.has_value() && !saidByARow);
    m_failureText->setText(error.value_or(QString()));
    m_ready->setVisible(hasStore && phase == Phase::ready);
    const std::optional<QString> log = hasStore ? m_store->lastLog() : std::nullopt;
    m_log->setVisible(hasStore && phase == Phase::running && log.has_value());
    m_log->setFullText(log.value_or(QString()));
    fitList();

    bool spinning = false;
    if (hasStore) {
        for (const ToolProgress& tool : m_store->tools())
            spinning = spinning || ToolProgressRow::isSpinning(tool);
    }
    if (spinning && !m_spinnerTimer->isActive())
        m_spinnerTimer->start();
    else if (!spinning)
        m_spinnerTimer->stop();
}

void PrepareToolsScreen::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitList();
}

void PrepareToolsScreen::fitList()
{
    int height = 0;
    if (QAbstractItemModel* rows = m_list->model()) {
        for (int row = 0; row < rows->rowCount(); ++row)
            height += m_list->sizeHintForRow(row);
        if (height > 0)
            height -= int(ToolProgressRow::kGap);
    }
    m_list->setFixedHeight(std::max(height, 0));
}

void PrepareToolsScreen::tick()
{
    QAbstractItemModel* rows = m_list->model();
    if (!rows || !m_list->isVisible())
        return;
    for (int row = 0; row < rows->rowCount(); ++row) {
        const QModelIndex index = rows->index(row, 0);
        if (ToolProgressRow::isSpinning(ToolProgressRow::rowAt(index)))
            m_list->viewport()->update(m_list->visualRect(index));
    }
}

} // namespace mivo
