#pragma once

#include <QDialog>

class QLabel;

namespace mivo {

// The application's own small About window: its emblem, name, version and
// one line on what it does. Not modal; Escape or the window's close button
// closes it, and showing it again brings the same window forward.
class AboutWindow : public QDialog {
    Q_OBJECT

public:
    explicit AboutWindow(const QString& version, QWidget* parent = nullptr);

    static QString taglineText();

protected:
    void changeEvent(QEvent* event) override;

private:
    void paintEmblem();

    QLabel* m_emblem;
};

} // namespace mivo
