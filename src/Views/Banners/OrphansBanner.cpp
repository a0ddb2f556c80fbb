#include "Views/Banners/OrphansBanner.h"

#include "App/AppModel.h"
#include "Services/FileManagerReveal.h"
#include "Styling/ButtonStyling.h"
#include "Styling/GlassSurface.h"
#include "Styling/Inflection.h"
#include "Styling/Tokens.h"
#include "Views/Banners/OrphanFileDelegate.h"
#include "Views/DisclosurePanel.h"
#include "Views/ElidedLabel.h"
#include "Views/FittedListView.h"
#include "Views/SymbolLabel.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

namespace mivo {

namespace {

// The listed paths; assistive technology reads each row with what activating it does.
class ListedFiles : public QStringListModel {
public:
    using QStringListModel::QStringListModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::AccessibleDescriptionRole && index.isValid())
            return OrphanFileDelegate::revealLabel();
        return QStringListModel::data(index, role);
    }
};

QPushButton* smallButton(const QString& title, ButtonStyle style, QWidget* parent)
{
    auto* button = new QPushButton(title, parent);
    ButtonStyling::setStyle(button, style);
    ButtonStyling::setControlSize(button, ControlSize::small);
    button->setAutoDefault(false);
    return button;
}

} // namespace

QString OrphansBanner::summaryFor(qint64 count)
{
    return tr("%n leftover file(s) no longer in your playlists", nullptr, Inflection::forTr(count));
}

QString OrphansBanner::moreFilesText(qint64 count)
{
    return tr("and %n more file(s)…", nullptr, Inflection::forTr(count));
}

OrphansBanner::OrphansBanner(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(&model)
    , m_reveal([](QString path) { return FileManagerReveal::shared().reveal(std::move(path)); })
{
    setObjectName(QStringLiteral("orphansBanner"));
    setAccessibleName(tr("Leftover files"));
    auto* margin = new QVBoxLayout(this);
    const int outer = int(Tokens::Space::md);
    margin->setContentsMargins(outer, outer, outer, outer);
    auto* card = new GlassSurface(GlassRole::floating(), this);
    margin->addWidget(card);

    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(outer, outer, outer, outer);
    column->setSpacing(int(Tokens::Space::sm));

    auto* header = new QHBoxLayout;
    header->setSpacing(int(Tokens::Space::sm));
    m_summary = new SymbolLabel(
        QStringLiteral("trash.slash"), ThemeColor::orange(), TextStyle::callout, ThemeColor::primary(), card);
    m_summary->setSymbolScale(1.2);
    m_summary->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    header->addWidget(m_summary, 1);
    m_show = smallButton(tr("Show"), ButtonStyle::borderless, card);
    m_keep = smallButton(tr("Keep"), ButtonStyle::glassAdaptive, card);
    m_trash = smallButton(tr("Move to Trash"), ButtonStyle::glassProminentAdaptive, card);
    ButtonStyling::setTint(m_trash, ThemeColor::red());
    header->addWidget(m_show);
    header->addWidget(m_keep);
    header->addWidget(m_trash);
    column->addLayout(header);

    m_error = new ElidedLabel(TextStyle::caption, ThemeColor::red(), 3, card);
    column->addWidget(m_error);

    m_list = new QWidget;
    auto* list = new QVBoxLayout(m_list);
    list->setContentsMargins(int(Tokens::Space::lg), 0, 0, 0);
    list->setSpacing(int(Tokens::Space::xxs));
    m_listed = new ListedFiles(this);
    m_files = new FittedListView(m_list);
    m_files->setAccessibleName(tr("Leftover files"));
    auto* delegate = new OrphanFileDelegate(m_files);
    m_files->setItemDelegate(delegate);
    m_files->setModel(m_listed);
    list->addWidget(m_files);
    m_more = new ElidedLabel(TextStyle::caption2, ThemeColor::tertiary(), 1, m_list);
    list->addWidget(m_more);
    m_listReveal = new DisclosurePanel(m_list, false, card);
    column->addWidget(m_listReveal);

    const auto reveal = [this](const QString& path) { this->reveal(path); };
    connect(delegate, &OrphanFileDelegate::revealRequested, this, reveal);
    connect(m_files, &QListView::activated, this,
        [reveal](const QModelIndex& index) { reveal(index.data(Qt::DisplayRole).toString()); });
    connect(m_show, &QPushButton::clicked, this, [this] { setExpanded(!m_expanded); });
    connect(m_keep, &QPushButton::clicked, this, [this] {
        if (m_store)
            m_store->setDismissed(true);
    });
    connect(m_trash, &QPushButton::clicked, this, &OrphansBanner::moveToTrash);
    connect(&model, &AppModel::attached, this, &OrphansBanner::rebind);
    rebind();
}

void OrphansBanner::rebind()
{
    if (!m_model || m_store == m_model->orphans())
        return refresh();
    m_store = m_model->orphans();
    if (m_store) {
        for (const auto signal : { &OrphansStore::pathsChanged, &OrphansStore::hasOrphansChanged,
                 &OrphansStore::isTrashingChanged, &OrphansStore::lastErrorChanged })
            connect(m_store, signal, this, &OrphansBanner::refresh);
    }
    refresh();
}

void OrphansBanner::setExpanded(bool expanded)
{
    if (m_expanded == expanded)
        return;
    m_expanded = expanded;
    refresh();
}

void OrphansBanner::refresh()
{
    const bool visible = m_store && m_store->hasOrphans();
    if (!visible) {
        // The card comes back collapsed.
        m_expanded = false;
        hide();
        m_listReveal->setRevealed(false);
        return;
    }
    const QList<QString>& paths = m_store->paths();
    m_summary->setText(summaryFor(paths.size()));
    m_show->setText(m_expanded ? tr("Hide") : tr("Show"));
    m_trash->setEnabled(!m_store->isTrashing());
    m_error->setText(m_store->lastError().value_or(QString()));
    m_error->setVisible(m_store->lastError().has_value());
    const QStringList listed = paths.mid(0, kListedFiles);
    if (m_listed->stringList() != listed)
        m_listed->setStringList(listed);
    const qint64 more = paths.size() - listed.size();
    m_more->setText(more > 0 ? moreFilesText(more) : QString());
    m_more->setVisible(more > 0);
    show();
    m_listReveal->setRevealed(m_expanded);
    updateGeometry();
}

QCoro::Task<void> OrphansBanner::reveal(QString path)
{
    if (!m_reveal)
        co_return;
    const QPointer<OrphansBanner> self(this);
    const QString name = QFileInfo(path).fileName();
    QCoro::Task<bool> revealing = m_reveal(std::move(path));
    const bool shown = co_await std::move(revealing);
    if (self && m_model && !shown)
        m_model->sync().setBanner(
            SyncBanner { SyncBanner::Kind::error, FileManagerReveal::failureText(name), std::nullopt });
}

void OrphansBanner::moveToTrash()
{
    if (m_store && !m_store->isTrashing())
        m_store->trash(m_store->paths());
}

QString OrphansBanner::summaryText() const
{
    return m_summary->text();
}

QString OrphansBanner::moreText() const
{
    return m_more->isHidden() ? QString() : m_more->text();
}

QString OrphansBanner::errorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

QStringList OrphansBanner::listedPaths() const
{
    return m_listReveal->isHidden() ? QStringList() : m_listed->stringList();
}

} // namespace mivo
