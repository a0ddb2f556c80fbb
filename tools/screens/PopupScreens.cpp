// A pop-up button's list, open: the Theme pop-up of the General pane, over
// the Settings window, with the pointer on another value than the current one.

#include "ScreenFixture.h"
#include "ScreenRegistry.h"
#include "Support/SampleData.h"
#include "Views/Settings/SettingsWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QPainter>

namespace mivo::screens {

namespace {

// The window and the list in one picture: the list is a window of its own.
QWidget* openThemePopup(ScreenFixture& fixture)
{
    fixture.setConfig(SampleData::sampleConfig());
    auto* settings = new SettingsWindow(fixture.model(), fixture.updater(), fixture.defaults());
    settings->setCurrentPane(0);
    settings->setPalette(fixture.palette());
    settings->show();
    ScreenFixture::settle();
    auto* picture = new QLabel;
    QComboBox* theme = nullptr;
    for (QComboBox* combo : settings->findChildren<QComboBox*>()) {
        if (!theme && combo->count() > 0 && combo->itemText(0) == QStringLiteral("System"))
            theme = combo;
    }
    QPixmap composed = settings->grab();
    if (theme) {
        theme->showPopup();
        ScreenFixture::settle();
        QAbstractItemView* list = theme->view();
        QWidget* popup = list->window();
        list->setCurrentIndex(theme->model()->index((theme->currentIndex() + 1) % theme->count(), 0));
        ScreenFixture::settle();
        const QPixmap open = popup->grab();
        const QPoint offset = popup->mapToGlobal(QPoint()) - settings->mapToGlobal(QPoint());
        QPainter painter(&composed);
        painter.setClipRegion(
            (popup->mask().isEmpty() ? QRegion(popup->rect()) : popup->mask()).translated(offset));
        painter.drawPixmap(offset, open);
        painter.end();
        theme->hidePopup();
    }
    picture->setPixmap(composed);
    picture->setFixedSize(SettingsWindow::kSize);
    delete settings;
    return picture;
}

const ScreenRegistration registration {
    { QStringLiteral("popup-theme-open"), SettingsWindow::kSize, openThemePopup },
};

} // namespace

} // namespace mivo::screens
