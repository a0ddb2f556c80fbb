#pragma once

#include "State/StatusRole.h"

#include <QWidget>

namespace mivo {

// A status label: the role's symbol and a text, both in the role's colour, in the
// caption style (semibold when prominent). No capsule or background; callers add
// one if they want it. One accessibility element read as its text.
class StatusPill : public QWidget {
    Q_OBJECT

public:
    StatusPill(StatusRole role, const QString& text, bool prominent = false, QWidget* parent = nullptr);

    StatusRole role() const { return m_role; }
    QString text() const { return m_text; }
    bool prominent() const { return m_prominent; }

    void setRole(StatusRole role);
    void setText(const QString& text);
    void setProminent(bool prominent);

    static QFont font(const QFont& base, bool prominent);
    static QSizeF sizeFor(const QString& text, const QFont& font);
    // Draw the pill left-aligned and vertically centred in `rect`.
    static void paint(QPainter& painter, const QRectF& rect, StatusRole role, const QString& text,
        const QFont& font, const QPalette& palette);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void changed();

    StatusRole m_role;
    QString m_text;
    bool m_prominent;
};

} // namespace mivo
