#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace mivo {

// The empty or failed state of a pane: a large symbol, a title, a description
// and optional action buttons, centred in the space there is.
class ContentUnavailableView : public QWidget {
    Q_OBJECT

public:
    ContentUnavailableView(const QString& symbol, const QString& title, const QString& description = {},
        QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setDescription(const QString& description);
    QString title() const;
    QString description() const;

    // Adds a button below the description; the caller styles it and connects it.
    QPushButton* addAction(const QString& text);

private:
    QWidget* m_symbol;
    QLabel* m_title;
    QLabel* m_description;
    QVBoxLayout* m_actions;
};

} // namespace mivo
