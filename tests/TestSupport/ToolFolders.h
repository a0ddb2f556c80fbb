#pragma once

#include "App/AppModel.h"
#include "Services/AdminRunner.h"
#include "Services/CLIInstaller.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace mivo::test {

// A system folder and a home folder in a temporary place, this application's
// helper and another copy's (stand-in scripts that print their version), and
// a model and an installer that look there.
struct ToolFolders {
    QTemporaryDir root;
    std::unique_ptr<CLIInstaller> installer;
    std::unique_ptr<AppModel> model;

    // `path` is the PATH the installer sees; empty means the home's ~/.local/bin.
    explicit ToolFolders(std::shared_ptr<AdminRunner> runner, QString path = {})
    {
        QDir().mkpath(systemFolder());
        QDir().mkpath(home() + QStringLiteral("/.local/bin"));
        writeScript(helper(), "echo 'mivo 9.9'");
        writeScript(otherHelper(), "echo 'mivo 0.1'");
        writeScript(otherProgram(), "echo 'other 1.0'");
        CLIInstaller::Context installing;
        installing.systemBinFolder = systemFolder();
        installing.homeFolder = home();
        installing.environment
            = { { QStringLiteral("PATH"), path.isEmpty() ? home() + QStringLiteral("/.local/bin") : path } };
        installing.locateHelper = [helper = helper()] { return helper; };
        installing.isWritable = [](const QString&) { return false; };
        installing.adminRunner = std::move(runner);
        installer = std::make_unique<CLIInstaller>(installing);

        AppModel::Options options;
        options.cliTool.toolPaths = { installer->systemLinkPath(), installer->fallbackLinkPath() };
        options.cliTool.preferredTarget = [helper = helper()] { return std::optional<QString>(helper); };
        options.cliTool.readVersion = [this](const QString& tool) { return installer->versionOf(tool); };
        model = std::make_unique<AppModel>(options);
    }

    QString systemFolder() const { return root.filePath(QStringLiteral("usr/local/bin")); }
    QString home() const { return root.filePath(QStringLiteral("home")); }
    QString helper() const { return root.filePath(QStringLiteral("app/mivo-helper")); }
    // Another copy's helper sits where an application keeps it.
    QString otherHelper() const
    {
        return root.filePath(QStringLiteral("old-app/mivo.app/Contents/Helpers/mivo"));
    }
    // Some other program, not a helper of any copy.
    QString otherProgram() const { return root.filePath(QStringLiteral("tools/other-program")); }

    // An executable shell script at `path` running `body`.
    static void writeScript(const QString& path, const QByteArray& body)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body + "\n");
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    }
};

} // namespace mivo::test
