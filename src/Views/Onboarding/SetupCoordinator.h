#pragma once

#include "Models/QualityProfile.h"
#include "Transport/SafeConfig.h"
#include "Transport/WireVocabulary.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

namespace mivo {

class AppModel;

// The state of one run of the setup wizard: which screens it shows and which
// one is current, the choices made on them, and the single commit() that turns
// those choices into one configuration change plus the account tokens the user
// typed. Nothing reaches the helper before commit(); leaving the wizard
// without committing changes nothing.
//
// Holds its application model weakly. Main thread only.
class SetupCoordinator : public QObject {
    Q_OBJECT
    Q_PROPERTY(mivo::SetupCoordinator::Mode mode READ mode CONSTANT)
    Q_PROPERTY(QList<mivo::SetupCoordinator::Screen> screenOrder READ screenOrder CONSTANT)
    Q_PROPERTY(mivo::SetupCoordinator::Screen currentScreen READ currentScreen NOTIFY currentScreenChanged)
    Q_PROPERTY(int currentIndex READ currentIndex NOTIFY currentScreenChanged)
    Q_PROPERTY(int stepCount READ stepCount CONSTANT)
    Q_PROPERTY(bool isFirst READ isFirst NOTIFY currentScreenChanged)
    Q_PROPERTY(bool isLast READ isLast NOTIFY currentScreenChanged)
    Q_PROPERTY(QList<mivo::SourceId> selectedSources READ selectedSources WRITE setSelectedSources NOTIFY
            selectedSourcesChanged)
    Q_PROPERTY(mivo::QualityProfile qualityProfile READ qualityProfile WRITE setQualityProfile NOTIFY
            qualityProfileChanged)
    Q_PROPERTY(
        bool identityEnabled READ identityEnabled WRITE setIdentityEnabled NOTIFY identityEnabledChanged)
    Q_PROPERTY(bool identityStrict READ identityStrict WRITE setIdentityStrict NOTIFY identityStrictChanged)
    Q_PROPERTY(QString outputDir READ outputDir WRITE setOutputDir NOTIFY outputDirChanged)
    Q_PROPERTY(
        QString soundcloudToken READ soundcloudToken WRITE setSoundcloudToken NOTIFY soundcloudTokenChanged)
    Q_PROPERTY(QString acoustidKey READ acoustidKey WRITE setAcoustidKey NOTIFY acoustidKeyChanged)
    Q_PROPERTY(QString proxySubscription READ proxySubscription WRITE setProxySubscription NOTIFY
            proxySubscriptionChanged)
    Q_PROPERTY(bool hasStoredSettings READ hasStoredSettings NOTIFY storedSettingsChanged)
    Q_PROPERTY(bool isCommitting READ isCommitting NOTIFY isCommittingChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(bool dismissedSourceWarning READ dismissedSourceWarning WRITE setDismissedSourceWarning NOTIFY
            dismissedSourceWarningChanged)
    Q_PROPERTY(bool canAdvancePastTools READ canAdvancePastTools NOTIFY readinessChanged)
    Q_PROPERTY(bool hasNoSource READ hasNoSource NOTIFY readinessChanged)

public:
    enum class Mode { firstRun, reRun };
    Q_ENUM(Mode)

    enum class Screen { welcome = 0, prepareTools, connectMusic, downloadSources, fineTuning, finish };
    Q_ENUM(Screen)

    // The download folder when the configuration names none.
    static constexpr auto kDefaultOutputDir = "~/Music/DjayImport";

    // Every screen, in order.
    static QList<Screen> allScreens();
    // The screen of a raw value, none outside 0...5.
    static std::optional<Screen> screenFromRawValue(int rawValue);

    // The choices start as the settings store's configuration reads, and each
    // one the user has not changed keeps following it (a change made in
    // Settings while the wizard is open shows here too). Without a
    // configuration they start from defaults (all four sources, balanced
    // quality, no identity matching). A re-run leaves out the welcome screen.
    // The model is held weakly; stores it attaches later are watched from then on.
    SetupCoordinator(Mode mode, AppModel* model, QObject* parent = nullptr);

    Mode mode() const { return m_mode; }
    // The application model, while it lives.
    AppModel* model() const;
    const QList<Screen>& screenOrder() const { return m_screenOrder; }
    Screen currentScreen() const { return m_currentScreen; }

    // The position of the current screen; 0 when it is not in the list.
    int currentIndex() const;
    int stepCount() const { return int(m_screenOrder.size()); }
    bool isFirst() const { return currentIndex() == 0; }
    bool isLast() const { return currentIndex() >= stepCount() - 1; }

    // Move to the next or previous screen; nothing happens past either end.
    void advance();
    void back();
    void goToConnectMusic();

    // The choices as shown: the user's own where they changed one, else what
    // the configuration holds now. A choice set back to what the configuration
    // holds counts as unchanged. The sources keep the configuration's order
    // (the search priority); one switched on joins the end, several of them in
    // the declared order.
    const QList<SourceId>& selectedSources() const { return m_shown.sources; }
    void setSelectedSources(const QList<SourceId>& sources);
    QualityProfile qualityProfile() const { return m_shown.qualityProfile; }
    void setQualityProfile(QualityProfile profile);
    bool identityEnabled() const { return m_shown.identityEnabled; }
    void setIdentityEnabled(bool enabled);
    bool identityStrict() const { return m_shown.identityStrict; }
    void setIdentityStrict(bool strict);
    // As typed or chosen; may start with "~".
    const QString& outputDir() const { return m_shown.outputDir; }
    void setOutputDir(const QString& dir);

    // Typed by the user; never filled from the configuration, which only tells
    // whether such an account is connected.
    const QString& soundcloudToken() const { return m_soundcloudToken; }
    void setSoundcloudToken(const QString& token);
    const QString& acoustidKey() const { return m_acoustidKey; }
    void setAcoustidKey(const QString& key);
    const QString& proxySubscription() const { return m_proxySubscription; }
    void setProxySubscription(const QString& subscription);

    // The settings store holds the helper's configuration. Without it (the
    // read failed, or there is no helper) the choices show defaults, and only
    // a field the user sets whole (the quality profile, the folder) can be
    // changed and is saved: the sources list and the identity pair stay as
    // stored, their setters do nothing.
    bool hasStoredSettings() const;
    // The fields the user sets whole.
    enum class ChoiceField { qualityProfile, outputDir };
    // Whether the user chose the field in this run (and did not set it back
    // to what the configuration holds).
    bool isChosen(ChoiceField field) const;
    // Reads the configuration again, as after a failed read.
    void readAgain();
    // The configuration fields commit() would send now: those the user changed.
    ConfigPatch pendingChanges() const;

    bool isCommitting() const { return m_isCommitting; }
    // Why the last commit() did not save everything; none when it did.
    const std::optional<QString>& lastError() const { return m_lastError; }

    // Set once the user chose to go on without a playlist source.
    bool dismissedSourceWarning() const { return m_dismissedSourceWarning; }
    void setDismissedSourceWarning(bool dismissed);

    // The helper's tools are installed: the model is alive and its tool
    // provisioning store exists and is ready.
    bool canAdvancePastTools() const;
    // No playlist source is usable: neither cloud account is connected in the
    // current configuration and the Music app's automation is not authorized.
    bool hasNoSource() const;

    // Sends the choices the user changed as one configuration patch through
    // the settings store (none when nothing changed), then stores each
    // non-empty token (trimmed) with the helper. Everything else is left as the
    // helper holds it, also what Settings changed while the wizard was open,
    // and a stored floor or lossless-only switch that no quality profile
    // carries unless the profile was changed. A changed identity switch is sent
    // with the other one as the configuration now holds it. Never throws.
    // Afterwards `lastError` holds the settings store's error (when a patch
    // was sent), or else the first token that could not be stored.
    QCoro::Task<void> commit();

signals:
    void currentScreenChanged();
    void selectedSourcesChanged();
    void qualityProfileChanged();
    void identityEnabledChanged();
    void identityStrictChanged();
    void outputDirChanged();
    void soundcloudTokenChanged();
    void acoustidKeyChanged();
    void proxySubscriptionChanged();
    void isCommittingChanged();
    void lastErrorChanged();
    void dismissedSourceWarningChanged();
    void storedSettingsChanged();
    // What isChosen() answers may have changed.
    void choicesChanged();
    // canAdvancePastTools or hasNoSource may read differently: the tool store's
    // phase, the configuration or the automation consent changed.
    void readinessChanged();

private:
    // The choices that become the configuration patch.
    struct Choices {
        QList<SourceId> sources;
        QualityProfile qualityProfile;
        bool identityEnabled;
        bool identityStrict;
        QString outputDir;
        bool operator==(const Choices&) const = default;
    };
    // What the user changed; none where they did not.
    struct Changes {
        // Per source, whether the user switched it on or off.
        QMap<SourceId, bool> sources;
        std::optional<QualityProfile> qualityProfile;
        std::optional<bool> identityEnabled;
        std::optional<bool> identityStrict;
        std::optional<QString> outputDir;
    };

    // The choices as the configuration now reads, or the defaults without one.
    Choices stored() const;
    // The stored choices with the user's changes on top.
    Choices withChanges(const Choices& base) const;
    // Shows the choices anew and tells of those that read differently.
    void update();

    void go(int index);
    void setCurrentScreen(Screen screen);
    void setCommitting(bool committing);
    void setLastError(std::optional<QString> error);
    void watchReadiness();
    void watchStores();

    const Mode m_mode;
    QPointer<AppModel> m_model;
    const QList<Screen> m_screenOrder;
    Screen m_currentScreen;
    Changes m_changes;
    Choices m_shown;
    bool m_hasStoredSettings = false;
    QString m_soundcloudToken;
    QString m_acoustidKey;
    QString m_proxySubscription;
    bool m_isCommitting = false;
    std::optional<QString> m_lastError;
    bool m_dismissedSourceWarning = false;
};

} // namespace mivo
