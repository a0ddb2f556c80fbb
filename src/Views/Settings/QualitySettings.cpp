#include "Views/Settings/QualitySettings.h"

#include "App/AppModel.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"
#include "Views/Settings/SwitchButton.h"

#include <QComboBox>
#include <QLineEdit>

namespace mivo {

namespace {

// Titles, translated where they are shown.
const QList<std::pair<const char*, QualityFloor>> kFloors {
    { QT_TRANSLATE_NOOP("mivo::QualitySettings", "FLAC (lossless)"), QualityFloor::flac },
    { QT_TRANSLATE_NOOP("mivo::QualitySettings", "320 kbps MP3"), QualityFloor::mp3_320 },
    { QT_TRANSLATE_NOOP("mivo::QualitySettings", "Any"), QualityFloor::any },
};

} // namespace

QualitySettings::QualitySettings(AppModel& model, QWidget* parent)
    : SettingsPane(model, parent)
    , m_floor(new QComboBox)
    , m_losslessOnly(new SwitchButton(tr("Lossless only")))
    , m_bestQuality(new SwitchButton(tr("Prefer best available quality")))
    , m_upgrade(new SwitchButton(tr("Upgrade existing files when better found")))
    , m_summary(new FormText({}, TextStyle::callout, ThemeColor::secondary()))
    , m_verify(new SwitchButton(tr("Verify matches with MusicBrainz + AcoustID")))
    , m_strict(new SwitchButton(tr("Strict — reject mismatched recordings")))
    , m_acoustid(new QLineEdit)
{
    m_quality = addSection(tr("Quality"));
    for (const auto& [title, floor] : kFloors)
        m_floor->addItem(tr(title), int(floor));
    m_quality->addLabeledRow(tr("Minimum quality floor"), m_floor);
    m_quality->addLabeledRow(tr("Lossless only"), m_losslessOnly);
    m_quality->addLabeledRow(tr("Prefer best available quality"), m_bestQuality);
    m_quality->addLabeledRow(tr("Upgrade existing files when better found"), m_upgrade);
    m_summary->setWordWrap(true);
    m_summarySection = addSection();
    m_summarySection->addRow(m_summary);

    // Each control sends the record as drawn, with its one member replaced.
    connect(m_floor, &QComboBox::activated, this, [this](int index) {
        if (const std::optional<SafeConfig> current = config()) {
            SafeConfig::Quality quality = current->quality;
            quality.floor = QualityFloor(m_floor->itemData(index).toInt());
            pushQuality(quality);
        }
    });
    const std::pair<SwitchButton*, bool SafeConfig::Quality::*> qualitySwitches[] = {
        { m_losslessOnly, &SafeConfig::Quality::losslessOnly },
        { m_bestQuality, &SafeConfig::Quality::bestQuality },
        { m_upgrade, &SafeConfig::Quality::upgradeEnabled },
    };
    for (const auto& [button, member] : qualitySwitches) {
        connect(button, &SwitchButton::clicked, this, [this, member = member](bool on) {
            if (const std::optional<SafeConfig> current = config()) {
                SafeConfig::Quality quality = current->quality;
                quality.*member = on;
                pushQuality(quality);
            }
        });
    }

    m_matching = addSection(tr("Matching"),
        tr("Confirm each download is the right recording with MusicBrainz + AcoustID. More accurate, a "
           "little slower."));
    m_matching->addLabeledRow(tr("Verify matches with MusicBrainz + AcoustID"), m_verify);
    m_strictRow = m_matching->addLabeledRow(tr("Strict — reject mismatched recordings"), m_strict);
    m_acoustid->setEchoMode(QLineEdit::Password);
    m_acoustid->setPlaceholderText(tr("AcoustID API key"));
    m_acoustid->setAccessibleName(tr("AcoustID API key"));
    m_acoustidRow = m_matching->addRow(m_acoustid);
    const std::pair<SwitchButton*, bool SafeConfig::Identity::*> identitySwitches[] = {
        { m_verify, &SafeConfig::Identity::enabled },
        { m_strict, &SafeConfig::Identity::strict },
    };
    for (const auto& [button, member] : identitySwitches) {
        connect(button, &SwitchButton::clicked, this, [this, member = member](bool on) {
            if (const std::optional<SafeConfig> current = config()) {
                SafeConfig::Identity identity = current->identity;
                identity.*member = on;
                pushIdentity(identity);
            }
        });
    }
    connect(m_acoustid, &QLineEdit::returnPressed, this,
        [this] { handOverSecret(AccountService::acoustid, m_acoustid->text()); });

    finishForm();
    bindModel();
}

QString QualitySettings::summary(const SafeConfig::Quality& quality)
{
    QString sentence = tr("mivo will accept ");
    switch (quality.floor) {
    case QualityFloor::flac:
        sentence += tr("only lossless FLAC");
        break;
    case QualityFloor::mp3_320:
        sentence += tr("320 kbps MP3 or better");
        break;
    case QualityFloor::any:
        sentence += tr("any quality");
        break;
    }
    if (quality.bestQuality)
        sentence += tr(", always preferring the highest available");
    if (quality.upgradeEnabled)
        sentence += tr(", and re-download when a better copy appears");
    return sentence + u'.';
}

void QualitySettings::refresh()
{
    const std::optional<SafeConfig> current = config();
    m_quality->setVisible(current.has_value());
    m_summarySection->setVisible(current.has_value());
    m_matching->setVisible(current.has_value());
    if (!current)
        return;

    const SafeConfig::Quality& quality = current->quality;
    m_floor->setCurrentIndex(m_floor->findData(int(quality.floor)));
    m_losslessOnly->setChecked(quality.losslessOnly);
    m_bestQuality->setChecked(quality.bestQuality);
    m_upgrade->setChecked(quality.upgradeEnabled);
    m_summary->setText(summary(quality));

    const SafeConfig::Identity& identity = current->identity;
    m_verify->setChecked(identity.enabled);
    m_strict->setChecked(identity.strict);
    m_strictRow->setVisible(identity.enabled);
    m_acoustidRow->setVisible(identity.enabled);
}

void QualitySettings::pushQuality(SafeConfig::Quality quality)
{
    // Drawn from the store, which shows the change at once; a change that is
    // not sent leaves the switch as the store has it.
    refresh();
    ConfigPatch patch;
    patch.quality = quality;
    applyPatch(std::move(patch));
}

void QualitySettings::pushIdentity(SafeConfig::Identity identity)
{
    refresh();
    ConfigPatch patch;
    patch.identity = identity;
    applyPatch(std::move(patch));
}

} // namespace mivo
