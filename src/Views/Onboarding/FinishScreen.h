#pragma once

#include <QPointer>
#include <QWidget>

namespace mivo {

class AppModel;
class SetupCoordinator;
class UnreadSettingsNotice;
class WizardLabel;

// The wizard's last screen: the seal, a closing line and a recap of what will
// be saved (the connected playlist sources, the enabled download sources, the
// quality profile and the download folder, which can still be changed here).
// When the last commit failed it says why, above the recap; the frame's
// "Start Using mivo" tries again. While the helper's configuration could not be
// read it says so, and that only what is changed here will be saved; a row
// whose choice was left alone then reads "As stored" instead of a default,
// the playlist sources too (they are not known either).
class FinishScreen : public QWidget {
    Q_OBJECT

public:
    FinishScreen(SetupCoordinator& coordinator, AppModel& model, QWidget* parent = nullptr);

    // The recap's texts, as shown.
    static QString playlistSummary(AppModel& model);
    static QString sourcesSummary(const SetupCoordinator& coordinator);
    static QString qualityName(const SetupCoordinator& coordinator);

    // The row whose value is none shows a "None yet" pill instead.
    WizardLabel* playlistValue() const { return m_playlists; }
    WizardLabel* sourcesValue() const { return m_sources; }
    WizardLabel* qualityValue() const { return m_quality; }
    WizardLabel* folderValue() const { return m_folder; }
    WizardLabel* errorText() const { return m_error; }
    // Says that the stored settings could not be read, while they are not.
    WizardLabel* unreadText() const;
    QWidget* noneYetPill() const { return m_noneYet; }

private:
    void refresh();
    void watchSettings();

    QPointer<SetupCoordinator> m_coordinator;
    QPointer<AppModel> m_model;
    WizardLabel* m_playlists;
    QWidget* m_noneYet;
    WizardLabel* m_sources;
    WizardLabel* m_quality;
    WizardLabel* m_folder;
    QWidget* m_errorLine;
    WizardLabel* m_error;
    UnreadSettingsNotice* m_unread;
};

} // namespace mivo
