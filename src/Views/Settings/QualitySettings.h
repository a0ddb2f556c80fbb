#pragma once

#include "Views/Settings/SettingsPane.h"

class QComboBox;
class QLineEdit;

namespace mivo {

class FormText;
class SettingsSection;
class SwitchButton;

// The Quality pane: the download quality rule and the recording verification
// switches, each change sent as the whole record it belongs to, and the
// AcoustID key handed to the helper. Until a configuration has been read it
// shows only a progress indicator.
class QualitySettings : public SettingsPane {
    Q_OBJECT

public:
    explicit QualitySettings(AppModel& model, QWidget* parent = nullptr);

    // The sentence under the quality controls.
    static QString summary(const SafeConfig::Quality& quality);

protected:
    void refresh() override;

private:
    void pushQuality(SafeConfig::Quality quality);
    void pushIdentity(SafeConfig::Identity identity);

    SettingsSection* m_quality;
    SettingsSection* m_summarySection;
    SettingsSection* m_matching;
    QComboBox* m_floor;
    SwitchButton* m_losslessOnly;
    SwitchButton* m_bestQuality;
    SwitchButton* m_upgrade;
    FormText* m_summary;
    SwitchButton* m_verify;
    SwitchButton* m_strict;
    QWidget* m_strictRow;
    QLineEdit* m_acoustid;
    QWidget* m_acoustidRow;
};

} // namespace mivo
