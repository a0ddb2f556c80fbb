#pragma once

#include "App/AppModel.h"
#include "State/SettingsStore.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Transport/ResultRecords.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace mivo::test {

// The model on a scripted client, attached, with the command-line tool looked
// for in a temporary folder where nothing is installed: what a Settings pane
// or a menu command works on.
struct PaneModel {
    QTemporaryDir dir;
    ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;

    PaneModel()
    {
        AppModel::Options options;
        options.cliTool.toolPaths = { dir.filePath(QStringLiteral("bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        auto owned = std::make_unique<ScriptedHelperClient>();
        client = owned.get();
        model = std::make_unique<AppModel>(std::move(owned), options);
    }

    // Reads `config` into the settings store and forgets the request.
    bool load(const SafeConfig& config)
    {
        client->enqueue(Method::getConfig, ScriptedHelperClient::Outcome::encoded(ConfigResult { config }));
        QCoro::waitFor(model->settings()->refresh());
        client->clearSent();
        return model->settings()->config() == config;
    }

    // Waits until `count` requests were sent.
    bool sentCount(qsizetype count)
    {
        return QTest::qWaitFor([&] { return client->sent().size() >= count; })
            && client->sent().size() == count;
    }
};

// The widget of type T under `root` with that accessible name.
template <class T> T* find(QWidget* root, const QString& accessibleName)
{
    for (T* widget : root->findChildren<T*>()) {
        if (widget->accessibleName() == accessibleName)
            return widget;
    }
    return nullptr;
}

// The push button under `root` that reads `text`.
inline QPushButton* button(QWidget* root, const QString& text)
{
    for (QPushButton* candidate : root->findChildren<QPushButton*>()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

} // namespace mivo::test
