#pragma once

#include <QWidget>
#include <functional>

class QToolButton;

namespace mivo {

class FormText;

// A stepper row: a text ending in the current value, and a pair of buttons
// that step it down and up. The buttons stay enabled; what a step sends (and
// any clamping) is decided by the `step` callback, called with -1 or +1.
class FormStepper : public QWidget {
    Q_OBJECT

public:
    FormStepper(const QString& title, std::function<void(int direction)> step, QWidget* parent = nullptr);

    // The whole text, such as "Parallel downloads: 3".
    void setText(const QString& text);
    QString text() const;

    QToolButton* decrementButton() const { return m_down; }
    QToolButton* incrementButton() const { return m_up; }

private:
    FormText* m_label;
    QToolButton* m_down;
    QToolButton* m_up;
};

} // namespace mivo
