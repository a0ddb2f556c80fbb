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
class SettingsPane : public QScrollArea {
    Q_OBJECT

public:
    explicit SettingsPane(AppModel& model, QWidget* parent = nullptr);

    // The text of the last failure of a write or hand-over made here; none
    // once a later one succeeded or the configuration was read again.
    std::optional<QString> errorText() const { return m_error; }

protected:
    AppModel& model() const { return m_model; }
    // The configuration last read; none before the first read or without a store.
    std::optional<SafeConfig> config() const;

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

    AppModel& m_model;
    QVBoxLayout* m_form;
    FormText* m_errorLabel;
    std::optional<QString> m_error;
};

} // namespace mivo
