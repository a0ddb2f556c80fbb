#pragma once

#include <QWidget>

class QLabel;

namespace mivo {

// What a view shows while it waits for its content: the small activity
// indicator over a line of text ("Loading playlists…"), both centred in the
// room the view gives it.
class LoadingNotice : public QWidget {
    Q_OBJECT

public:
    explicit LoadingNotice(const QString& text, QWidget* parent = nullptr);

    QString text() const;

private:
    QLabel* m_text;
};

} // namespace mivo
