#include "Views/Settings/DiagnosticsSettings.h"

#include "App/AppModel.h"
#include "Styling/ButtonStyling.h"
#include "Views/Settings/DoctorCheckDelegate.h"
#include "Views/Settings/DoctorCheckModel.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QListView>
#include <QPushButton>

namespace mivo {

DiagnosticsSettings::DiagnosticsSettings(AppModel& model, QWidget* parent)
    : SettingsPane(model, parent, Reads::nothing)
    , m_checks(new DoctorCheckModel(this))
    , m_list(new QListView)
    , m_runAll(new QPushButton(tr("Run All")))
    , m_placeholder(new FormText(
          tr("Run the checks to see your setup status."), TextStyle::body, ThemeColor::secondary()))
{
    SettingsSection* section = addSection();
    auto* header = new QWidget;
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    auto* title = new FormText(tr("Checks"));
    title->setTextStyle(TextStyle::subheadline, QFont::DemiBold);
    headerRow->addWidget(title);
    headerRow->addStretch(1);
    ButtonStyling::setStyle(m_runAll, ButtonStyle::bordered);
    ButtonStyling::setControlSize(m_runAll, ControlSize::small);
    headerRow->addWidget(m_runAll);
    section->setHeaderWidget(header);
    connect(m_runAll, &QPushButton::clicked, this, [this] {
        if (DiagnosticsStore* diagnostics = this->model().diagnostics())
            diagnostics->runDoctor();
    });

    section->addRow(m_placeholder);
    m_list->setModel(m_checks);
    auto* delegate = new DoctorCheckDelegate(m_list);
    m_list->setItemDelegate(delegate);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setAccessibleName(tr("Checks"));
    QWidget* listRow = section->addRow(m_list);
    listRow->layout()->setContentsMargins(0, 0, 0, 0);
    connect(delegate, &DoctorCheckDelegate::fixRequested, this, [this](const QString& id) {
        if (DiagnosticsStore* diagnostics = this->model().diagnostics())
            diagnostics->fix(id);
    });
    connect(m_checks, &QAbstractItemModel::modelReset, this, &DiagnosticsSettings::fitListHeight);

    finishForm();
    bindModel();
}

void DiagnosticsSettings::bindStores()
{
    DiagnosticsStore* diagnostics = model().diagnostics();
    if (!diagnostics)
        return;
    connect(diagnostics, &DiagnosticsStore::checksChanged, this, &DiagnosticsSettings::refresh,
        Qt::UniqueConnection);
    connect(diagnostics, &DiagnosticsStore::lastErrorChanged, this, &DiagnosticsSettings::refresh,
        Qt::UniqueConnection);
}

void DiagnosticsSettings::refresh()
{
    const DiagnosticsStore* diagnostics = model().diagnostics();
    const QList<DoctorCheck> checks = diagnostics ? diagnostics->checks() : QList<DoctorCheck> {};
    m_checks->setChecks(checks);
    m_placeholder->parentWidget()->setVisible(checks.isEmpty());
    m_list->parentWidget()->setVisible(!checks.isEmpty());
    setErrorText(diagnostics ? diagnostics->lastError() : std::nullopt);
}

void DiagnosticsSettings::fitListHeight()
{
    int height = 0;
    for (int row = 0; row < m_checks->rowCount(); ++row)
        height += m_list->sizeHintForRow(row);
    m_list->setFixedHeight(height + 2);
}

} // namespace mivo
