#pragma once

#include <QDialog>

class QPushButton;

namespace mivo {

class FormText;

// The wizard's own small window that asks whether to finish without a playlist
// source: a symbol, the question, why it matters, and the two ways on, the
// first of which ("Connect a Source") is the default. Modal over the wizard.
// Escape or the window's close button closes it with no choice made.
class SourceWarningWindow : public QDialog {
    Q_OBJECT

public:
    enum class Choice { connectSource, continueAnyway };
    Q_ENUM(Choice)

    static constexpr int kWidth = 340;

    explicit SourceWarningWindow(QWidget* parent = nullptr);

    static QString titleText();
    static QString messageText();

    FormText* title() const { return m_title; }
    FormText* message() const { return m_message; }
    QPushButton* connectSourceButton() const { return m_connectSource; }
    QPushButton* continueAnywayButton() const { return m_continueAnyway; }

signals:
    // The user chose a way on; the window closes. Not emitted when it is
    // closed any other way.
    void chosen(mivo::SourceWarningWindow::Choice choice);

private:
    void choose(Choice choice);

    FormText* m_title;
    FormText* m_message;
    QPushButton* m_connectSource;
    QPushButton* m_continueAnyway;
};

} // namespace mivo
