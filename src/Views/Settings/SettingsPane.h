#pragma once

#include "Transport/SafeConfig.h"
#include "Transport/WireVocabulary.h"

#include <QCoro/QCoroTask>
#include <QScrollArea>
#include <optional>

class QVBoxLayout;

namespace mivo {

class AppModel;
class FormText;
class LoadingNotice;
class SettingsSection;
class SettingsStore;

// What every settings pane shares: a scrolling grouped form of sections, the
// configuration read from the settings store, one-field writes, secrets handed
// to the helper, and an inline line for the failures of the writes this pane
// made. That line has its own strip below the form, kept whether or not it
// shows a failure, so a failure never moves the controls.
//
// A pane is usable before the helper link is attached: it draws its empty form
// and connects to the stores once the model attaches them. Subclasses build
// their sections in their constructor and then call bindModel(); refresh()
// redraws from the stores whenever they change.
//
// A pane that shows the configuration says that it is reading while it waits
// for the first one, instead of controls that would show made-up values. It
// says so in words when the helper could not be read, with the helper's error
// and a button that reads again; while no configuration is held after such a
// failure, that is all it shows.
class SettingsPane : public QScrollArea {
    Q_OBJECT

public:
    // Whether the pane shows the helper's configuration.
    enum class Reads { configuration, nothing };

    explicit SettingsPane(AppModel& model, QWidget* parent = nullptr, Reads reads = Reads::configuration);

    // The text of the last failure of a write or hand-over made here; none
    // once a later one succeeded or the configuration was read again.
    std::optional<QString> errorText() const { return m_error; }
    // True while the pane says that the configuration could not be read.
    bool showsReadFailure() const;
    // True while the pane says that it is reading the configuration.
    bool showsReading() const;

protected:
    AppModel& model() const { return m_model; }
    // The configuration as the settings store holds it now, the user's changes
    // in flight included; none before the first read or without a store.
    std::optional<SafeConfig> config() const;
    // True while no configuration is held and none has failed to come: the
    // time for a progress indicator.
    bool awaitingConfig() const;

    SettingsSection* addSection(const QString& header = {}, const QString& footer = {});
    // Ends the form: the sections sit at the top, the rest of the pane is empty.
    void finishForm();

    // Connects to the stores now and again when the model attaches them, and
    // calls refresh() each time.
    void bindModel();
    // Connects the pane's own signals of stores that exist only once attached.
    virtual void bindStores() { }
    // Redraws from the stores.
    virtual void refresh() = 0;

    // Sends a patch with one field set; dropped without a settings store or
    // before a configuration is held. A failure shows in the pane, a success
    // clears it.
    void applyPatch(ConfigPatch patch);
    // Hands a secret to the helper, trimmed; blank text is never sent, so a
    // stored secret is never erased by an empty field. True once stored.
    QCoro::Task<bool> handOverSecret(AccountService service, QString text);
    // Runs a write the pane awaits: shows its failure or clears the last one.
    // `failure` is the text to show when `succeeded` is false.
    void showOutcome(bool succeeded, const std::optional<QString>& failure);
    void setErrorText(std::optional<QString> error);

    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void placeErrorLine();
    QCoro::Task<void> runApply(ConfigPatch patch);
    void connectSettingsStore();
    void buildReadNotice();
    void updateReadNotice();

    AppModel& m_model;
    const Reads m_reads;
    QVBoxLayout* m_form;
    // The subclass's sections, hidden while the read failure is all there is to say.
    QWidget* m_body;
    QVBoxLayout* m_sections;
    LoadingNotice* m_reading = nullptr;
    // The index in the form of the room that ends it; -1 before finishForm().
    int m_formEnd = -1;
    SettingsSection* m_readNotice = nullptr;
    FormText* m_readNoticeDetail = nullptr;
    FormText* m_errorLabel;
    std::optional<QString> m_error;
};

} // namespace mivo
