#pragma once

#include "Models/ServiceCatalog.h"

#include <QAbstractButton>

namespace mivo {

// One quality profile as a selectable card: a radio symbol, the profile's name
// and blurb; the whole card is clickable. Selected, it shows the filled symbol
// in the accent colour on a tinted selection surface.
class QualityOption : public QAbstractButton {
    Q_OBJECT

public:
    explicit QualityOption(const ServiceCatalog::QualityProfileInfo& info, QWidget* parent = nullptr);

    const ServiceCatalog::QualityProfileInfo& info() const { return m_info; }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    ServiceCatalog::QualityProfileInfo m_info;
};

} // namespace mivo
