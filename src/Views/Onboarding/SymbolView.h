#pragma once

#include "Styling/ThemeColor.h"

#include <QWidget>

namespace mivo {

// A symbol of the application's set in a fixed square, in a design colour
// resolved against the widget's palette when painted.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(const QString& name, const ThemeColor& color, int side, QWidget* parent = nullptr);

    const QString& name() const { return m_name; }
    void setSymbol(const QString& name, const ThemeColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    ThemeColor m_color;
};

} // namespace mivo
