#pragma once

#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Support/MockHelperClient.h"
#include "Support/UserDefaults.h"
#include "Transport/HelperError.h"
#include "Transport/JSONValue.h"
#include "Transport/WireCoding.h"
#include "Views/ArtworkLoader.h"
#include "Views/MainWindow.h"

#include <QList>
#include <QMap>
#include <QPalette>
#include <QTemporaryDir>
#include <memory>

namespace mivo::screens {

// The design-time helper of the screens: answers like MockHelperClient, except
// that requests of a held method never get an answer (a load that never ends).
class ScreenHelperClient : public MockHelperClient {
    Q_OBJECT

public:
    using MockHelperClient::MockHelperClient;

    void hold(Method method) { m_held.append(method); }
    void fail(Method method, HelperError error) { m_failures.insert(method, std::move(error)); }

    QCoro::Task<std::optional<JSONValue>> requestRaw(Request request, std::chrono::milliseconds timeout) override;

signals:
    // Never emitted: what held requests wait for.
    void released();

private:
    QList<Method> m_held;
    QMap<Method, HelperError> m_failures;
};

// Everything a state is built from, the same on every run: an application model on
// the design-time helper (attached at once, so start() does nothing), an updater,
// user defaults of its own, made-up artwork in place of the provider's, and the
// appearance's palette. One fixture per picture.
class ScreenFixture {
public:
    explicit ScreenFixture(const QPalette& palette);
    ~ScreenFixture();

    const QPalette& palette() const { return m_palette; }

    // The helper's answers by method; change them before model() is first called.
    QMap<Method, JSONValue>& responses() { return m_responses; }
    // Requests of that method stay unanswered; call before model().
    void hold(Method method) { m_held.append(method); }
    // Requests of that method fail with `error`; call before model().
    void fail(Method method, HelperError error) { m_failures.insert(method, std::move(error)); }
    // The configuration and the playlists the helper answers with.
    void setPlaylists(const QList<PlaylistDTO>& playlists);
    void setConfig(const SafeConfig& config);

    // Built on first use from the answers above.
    AppModel& model();
    ScreenHelperClient& client();
    UpdaterModel& updater();
    UserDefaults& defaults() { return *m_defaults; }
    // The main window's inputs: these defaults and no system accessibility settings.
    MainWindow::Environment environment();

    // Reads the configuration and the playlists as start-up does, then settles.
    void loadLibrary();
    // Lets queued events, coalesced notifications and finished loads run.
    static void settle();

    // A record as the helper would send it.
    template <class T> static JSONValue encode(const T& record)
    {
        return JSONValue::fromJson(parseJsonLine(dumpJson(encodeValue(record))));
    }

    // A web address whose made-up artwork has the given hue (0–359).
    static ArtworkRef artwork(int hue);

    // The answers of the sample library: its configuration and its playlists.
    static QMap<Method, JSONValue> sampleResponses();

private:
    QPalette m_palette;
    QTemporaryDir m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
    QMap<Method, JSONValue> m_responses;
    QList<Method> m_held;
    QMap<Method, HelperError> m_failures;
    ScreenHelperClient* m_client = nullptr;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<UpdaterModel> m_updater;
    std::unique_ptr<ArtworkLoader> m_artwork;
};

} // namespace mivo::screens
