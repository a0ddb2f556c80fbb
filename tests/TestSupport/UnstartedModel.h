#pragma once

#include "App/AppModel.h"
#include "TestSupport/ScopedEnvironment.h"
#include "TestSupport/TestPaths.h"

#include <QTemporaryDir>

namespace mivo::test {

// A model as the application makes it, before start(): the stand-in helper is
// found as the application finds it, and its configuration and the
// command-line tool's folder lie in a temporary folder.
struct UnstartedModel {
    UnstartedModel()
        : environment {
            { "MIVO_HELPER_PATH", standInHelperPath().toLocal8Bit() },
            { "MIVO_STANDIN_CONFIG", dir.filePath(QStringLiteral("config.json")).toLocal8Bit() },
        }
        , model(options(dir))
    {
    }
    // The helper ends before its folder goes (a model leaves it running).
    ~UnstartedModel() { model.stopHelper(); }

    QTemporaryDir dir;
    ScopedEnvironment environment;
    AppModel model;

private:
    static AppModel::Options options(const QTemporaryDir& dir)
    {
        AppModel::Options options;
        options.cliTool.toolPaths = { dir.filePath(QStringLiteral("bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        return options;
    }
};

} // namespace mivo::test
