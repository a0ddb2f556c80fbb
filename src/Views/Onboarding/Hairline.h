#pragma once

#include <QWidget>

namespace mivo {

// A horizontal divider one pixel high in the separator colour.
class Hairline : public QWidget {
    Q_OBJECT

public:
    explicit Hairline(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace mivo
