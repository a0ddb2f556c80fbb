#include "Views/Settings/OutputSettings.h"

#include "App/AppModel.h"
#include "Support/HomePath.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <unistd.h>

namespace mivo {

namespace {

// One line of text, elided in the middle when it does not fit; the whole text
// stays the accessible name.
class MiddleElidedText : public FormText {
public:
    using FormText::FormText;

    QSize minimumSizeHint() const override { return { 0, FormText::minimumSizeHint().height() }; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
            fontMetrics().elidedText(text(), Qt::ElideMiddle, width()));
    }
};

} // namespace

OutputSettings::OutputSettings(AppModel& model, QWidget* parent)
    : OutputSettings(
        model,
        [](QWidget* parent, const QString& startFolder) {
            return QFileDialog::getExistingDirectory(parent, tr("Choose Download Folder"), startFolder);
        },
        parent)
{
}

OutputSettings::OutputSettings(AppModel& model, FolderChooser chooser, QWidget* parent)
    : SettingsPane(model, parent)
    , m_chooser(std::move(chooser))
    , m_path(new MiddleElidedText)
    , m_choose(new QPushButton(tr("Choose…")))
    , m_section(addSection(tr("Download Folder")))
{
    auto* row = new QHBoxLayout;
    m_path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(m_path, 1);
    row->addWidget(m_choose);
    m_section->addRow(row);
    connect(m_choose, &QPushButton::clicked, this, &OutputSettings::chooseFolder);

    finishForm();
    bindModel();
}

bool OutputSettings::isWritableFolder(const QString& path)
{
    const QString expanded = HomePath::expandTilde(path);
    return QFileInfo(expanded).isDir() && ::access(QFile::encodeName(expanded).constData(), W_OK) == 0;
}

void OutputSettings::refresh()
{
    const std::optional<SafeConfig> current = config();
    const std::optional<QString> folder = current ? current->outputDir : std::nullopt;
    m_path->setText(folder ? HomePath::abbreviate(HomePath::expandTilde(*folder)) : tr("Not set"));
    m_path->setAccessibleName(m_path->text());
    m_path->setColor(folder ? ThemeColor::primary() : ThemeColor::secondary());
    m_choose->setEnabled(current.has_value());
    if (!folder) {
        m_checkedFolder.reset();
        m_section->setFooterText({});
        return;
    }
    if (m_checkedFolder == folder)
        return;
    m_checkedFolder = folder;
    if (isWritableFolder(*folder))
        m_section->setFooterLabel(
            tr("Folder is writable."), QStringLiteral("checkmark.circle"), ThemeColor::green());
    else
        m_section->setFooterLabel(
            tr("Folder is not writable."), QStringLiteral("exclamationmark.triangle"), ThemeColor::orange());
}

void OutputSettings::showEvent(QShowEvent* event)
{
    SettingsPane::showEvent(event);
    // The folder may have gone, or become read-only, while the pane was away.
    if (!event->spontaneous())
        recheck();
}

void OutputSettings::recheck()
{
    m_checkedFolder.reset();
    refresh();
}

void OutputSettings::chooseFolder()
{
    const std::optional<SafeConfig> current = config();
    const QString chosen = m_chooser(this,
        HomePath::existingFolderOrHome(current && current->outputDir ? *current->outputDir : QString()));
    if (chosen.isEmpty())
        return;
    // Checked again now, even when the helper's answer brings the same folder.
    recheck();
    ConfigPatch patch;
    patch.outputDir = QDir::cleanPath(QFileInfo(chosen).absoluteFilePath());
    applyPatch(std::move(patch));
}

} // namespace mivo
