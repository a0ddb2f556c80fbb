#pragma once

#include "TestSupport/StandInSession.h"
#include "Views/Settings/SettingsWindow.h"

#include <QtTest>
#include <memory>

namespace mivo::test {

// The Settings window as the application opens it: over a shown main window
// that started the stand-in helper, with the same user defaults. The wizard
// is kept out of the way (the user has been through it).
struct SettingsSession {
    // The panes, in the order of the window's tabs.
    enum Pane { general, accounts, sources, quality, output, vpn, commandLine, diagnostics };

    explicit SettingsSession(std::initializer_list<std::pair<const char*, QByteArray>> switches = {},
        const nlohmann::json& config = StandInSession::storedConfig())
        : session(switches, config)
    {
        session.defaults->setDidOnboard(true);
    }

    // Shows the main window, waits for the helper, then opens Settings on `pane`.
    bool open(Pane pane)
    {
        if (!session.showAndWaitForTheHelper())
            return false;
        window = std::make_unique<SettingsWindow>(*session.model, *session.updater, *session.defaults);
        window->setCurrentPane(pane);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    template <class T> T* pane(Pane index) const { return qobject_cast<T*>(window->pane(index)); }

    StandInSession session;
    std::unique_ptr<SettingsWindow> window;
};

} // namespace mivo::test
