#include "Services/CLIInstaller.h"
#include "Services/PkexecAdminRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>
#include <qcoro/qcorotask.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mivo;
using namespace std::chrono_literals;

namespace {

// What a test puts at a tool path, and what it finds there afterwards.
enum class Thing {
    nothing,
    helperLink, // a link to this application's helper
    staleLink, // a link to the helper of another, existing copy
    danglingLink, // a link to a helper that was deleted
    linkToFolder, // a link to one of the user's folders
    programLink, // a link to some other program of the user's
    ownFile, // the user's own file, with its content
    ownFolder, // the user's own folder, with a file in it
    somethingElse, // anything not listed above (a damaged file, say)
};

enum class Outcome { systemLink, fallbackLink, ioFailed, escalationFailed, noHelper, done };

const QByteArray kOwnContent = "the user's own mivo\n";

// Stands in for the administrator: records each call and then either refuses
// or runs the script as the current user, as a granted authorization would.
class FakeAdminRunner : public AdminRunner {
public:
    explicit FakeAdminRunner(bool grants)
        : m_grants(grants)
    {
    }

    QString run(const QString& script, const QStringList& arguments) override
    {
        calls.append({ script, arguments });
        if (!m_grants)
            throw InstallError::escalationFailed(QStringLiteral("Request dismissed"));
        return PkexecAdminRunner(QStringLiteral("env")).run(script, arguments);
    }

    struct Call {
        QString script;
        QStringList arguments;
    };
    QList<Call> calls;

private:
    bool m_grants;
};

QString linkTarget(const QString& path)
{
    QByteArray buffer(8192, '\0');
    const auto length = ::readlink(QFile::encodeName(path).constData(), buffer.data(), buffer.size());
    return length < 0 ? QString() : QFile::decodeName(buffer.left(length));
}

// Awaits `task` in a nested event loop and rethrows what it threw.
// (QCoro::waitFor alone never returns from a task that throws.)
template <class T>
QCoro::Task<void> capture(QCoro::Task<T> task, std::optional<T>& result, std::exception_ptr& error)
{
    try {
        result = co_await std::move(task);
    } catch (...) {
        error = std::current_exception();
    }
}

QCoro::Task<void> capture(QCoro::Task<void> task, std::exception_ptr& error)
{
    try {
        co_await std::move(task);
    } catch (...) {
        error = std::current_exception();
    }
}

template <class T> T awaitBlocking(QCoro::Task<T> task)
{
    std::exception_ptr error;
    if constexpr (std::is_void_v<T>) {
        QCoro::waitFor(capture(std::move(task), error));
        if (error)
            std::rethrow_exception(error);
    } else {
        std::optional<T> result;
        QCoro::waitFor(capture(std::move(task), result, error));
        if (error)
            std::rethrow_exception(error);
        return std::move(*result);
    }
}

bool isRunning(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const auto end = line.lastIndexOf(')');
    return end >= 0 && end + 2 < line.size() && line.at(end + 2) != 'Z';
}

} // namespace

Q_DECLARE_METATYPE(Thing)
Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(mivo::InstallError)

class TestCLIInstaller : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& relative) const { return m_dir->filePath(relative); }
    QString systemBin() const { return path("usr/local/bin"); }
    QString home() const { return path("home"); }
    QString helper() const { return path("mivo.app/Contents/Helpers/mivo"); }
    QString oldHelper() const { return path("Old mivo.app/Contents/Helpers/mivo"); }
    QString records() const { return path("records"); }
    QString otherProgram() const { return path("tools/bin/mivo"); }
    QString systemLink() const { return systemBin() + "/mivo"; }
    QString fallbackLink() const { return home() + "/.local/bin/mivo"; }

    static void writeFile(const QString& file, const QByteArray& content, bool executable = false)
    {
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
        out.close();
        if (executable)
            QVERIFY(
                out.setPermissions(out.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
    }

    static void symlinkTo(const QString& target, const QString& link)
    {
        QVERIFY(QDir().mkpath(QFileInfo(link).absolutePath()));
        QCOMPARE(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    }

    void place(Thing thing, const QString& at)
    {
        QVERIFY(QDir().mkpath(QFileInfo(at).absolutePath()));
        switch (thing) {
        case Thing::nothing:
        case Thing::somethingElse:
            break;
        case Thing::helperLink:
            symlinkTo(helper(), at);
            break;
        case Thing::staleLink:
            symlinkTo(oldHelper(), at);
            break;
        case Thing::danglingLink:
            symlinkTo(path("Deleted.app/Contents/Helpers/mivo"), at);
            break;
        case Thing::linkToFolder:
            symlinkTo(records(), at);
            break;
        case Thing::programLink:
            symlinkTo(otherProgram(), at);
            break;
        case Thing::ownFile:
            writeFile(at, kOwnContent, true);
            break;
        case Thing::ownFolder:
            writeFile(at + "/notes.txt", kOwnContent);
            break;
        }
    }

    Thing inspect(const QString& at) const
    {
        struct stat status { };
        if (::lstat(QFile::encodeName(at).constData(), &status) != 0)
            return Thing::nothing;
        if (S_ISLNK(status.st_mode)) {
            const QString target = linkTarget(at);
            if (target == helper())
                return Thing::helperLink;
            if (target == oldHelper())
                return Thing::staleLink;
            if (target == records())
                return Thing::linkToFolder;
            if (target == otherProgram())
                return Thing::programLink;
            return QFileInfo::exists(target) ? Thing::somethingElse : Thing::danglingLink;
        }
        if (S_ISDIR(status.st_mode))
            return hasOnlyOwnNotes(at) ? Thing::ownFolder : Thing::somethingElse;
        QFile file(at);
        return file.open(QIODevice::ReadOnly) && file.readAll() == kOwnContent ? Thing::ownFile
                                                                               : Thing::somethingElse;
    }

    static bool hasOnlyOwnNotes(const QString& folder)
    {
        const QStringList entries
            = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
        QFile notes(folder + "/notes.txt");
        return entries == QStringList { "notes.txt" } && notes.open(QIODevice::ReadOnly)
            && notes.readAll() == kOwnContent;
    }

    CLIInstaller::Context context(bool systemWritable, std::shared_ptr<AdminRunner> runner) const
    {
        CLIInstaller::Context context;
        context.systemBinFolder = systemBin();
        context.homeFolder = home();
        context.locateHelper = [helper = helper()] { return helper; };
        context.isWritable = [systemBin = systemBin(), systemWritable](const QString& folder) {
            return folder == systemBin ? systemWritable : true;
        };
        context.adminRunner = std::move(runner);
        context.versionTimeout = 300ms;
        return context;
    }

    // Awaits `task` and says how it ended; the returned link's place for
    // install(), whose reason for a fallback goes to `reason`.
    Outcome outcomeOf(QCoro::Task<CLIInstaller::Installation> task, std::optional<QString>* reason = nullptr)
    {
        try {
            const CLIInstaller::Installation installation = awaitBlocking(std::move(task));
            if (reason)
                *reason = installation.fallbackReason;
            const QString link = installation.link.toLocalFile();
            if (link == systemLink())
                return Outcome::systemLink;
            if (link == fallbackLink())
                return Outcome::fallbackLink;
            qWarning() << "unexpected link" << link;
            return Outcome::done;
        } catch (const InstallError& error) {
            return outcomeOf(error);
        }
    }

    Outcome outcomeOf(QCoro::Task<void> task)
    {
        try {
            awaitBlocking(std::move(task));
            return Outcome::done;
        } catch (const InstallError& error) {
            return outcomeOf(error);
        }
    }

    static Outcome outcomeOf(const InstallError& error)
    {
        switch (error.kind()) {
        case InstallError::Kind::escalationFailed:
            return Outcome::escalationFailed;
        case InstallError::Kind::ioFailed:
            return Outcome::ioFailed;
        case InstallError::Kind::noHelper:
            return Outcome::noHelper;
        }
        return Outcome::done;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        writeFile(helper(), "#!/bin/sh\n", true);
        writeFile(oldHelper(), "#!/bin/sh\n", true);
        writeFile(records() + "/notes.txt", kOwnContent);
        writeFile(otherProgram(), "#!/bin/sh\necho other 1.0\n", true);
    }

    void errorTexts_data()
    {
        QTest::addColumn<InstallError>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("escalation") << InstallError::escalationFailed("Request dismissed")
                                    << "Administrator authorization failed: Request dismissed";
        QTest::newRow("io") << InstallError::ioFailed("/x/mivo: Permission denied")
                            << "Could not install the CLI: /x/mivo: Permission denied";
        QTest::newRow("no helper") << InstallError::noHelper()
                                   << "The bundled mivo helper could not be located.";
    }
    void errorTexts()
    {
        QFETCH(InstallError, error);
        QFETCH(QString, text);
        QCOMPARE(error.userText(), text);
        QCOMPARE(QString::fromUtf8(error.what()), text);
    }

    void install_data()
    {
        QTest::addColumn<Thing>("systemBefore");
        QTest::addColumn<Thing>("fallbackBefore");
        QTest::addColumn<bool>("systemFolderExists");
        QTest::addColumn<bool>("systemWritable");
        QTest::addColumn<bool>("adminGrants");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<Thing>("systemAfter");
        QTest::addColumn<Thing>("fallbackAfter");
        QTest::addColumn<int>("adminCalls");
        // Why the link went to the fallback folder: "" none, "own" the user's
        // file at the system path, "refused" the administrator's refusal.
        QTest::addColumn<QString>("reason");

        using T = Thing;

        // Writable system folder: the link is made directly.
        QTest::newRow("empty") << T::nothing << T::nothing << true << true << true << Outcome::systemLink
                               << T::helperLink << T::nothing << 0 << "";
        QTest::newRow("stale link replaced") << T::staleLink << T::nothing << true << true << true
                                             << Outcome::systemLink << T::helperLink << T::nothing << 0 << "";
        QTest::newRow("dangling link replaced")
            << T::danglingLink << T::nothing << true << true << true << Outcome::systemLink << T::helperLink
            << T::nothing << 0 << "";
        // The user's own file or folder at the system path stays; the link
        // goes to the fallback folder, saying why.
        QTest::newRow("own file kept, fallback link")
            << T::ownFile << T::nothing << true << true << true << Outcome::fallbackLink << T::ownFile
            << T::helperLink << 0 << "own";
        QTest::newRow("own folder kept, fallback link")
            << T::ownFolder << T::nothing << true << true << true << Outcome::fallbackLink << T::ownFolder
            << T::helperLink << 0 << "own";
        QTest::newRow("own file kept, no administrator asked")
            << T::ownFile << T::nothing << true << false << true << Outcome::fallbackLink << T::ownFile
            << T::helperLink << 0 << "own";
        QTest::newRow("own file kept, stale fallback link replaced")
            << T::ownFile << T::staleLink << true << true << true << Outcome::fallbackLink << T::ownFile
            << T::helperLink << 0 << "own";
        // A link to anything but a helper is the user's too: it is neither
        // replaced nor handed to the administrator.
        QTest::newRow("link to a folder kept, fallback link")
            << T::linkToFolder << T::nothing << true << true << true << Outcome::fallbackLink
            << T::linkToFolder << T::helperLink << 0 << "own";
        QTest::newRow("link to another program kept, no administrator asked")
            << T::programLink << T::nothing << true << false << true << Outcome::fallbackLink
            << T::programLink << T::helperLink << 0 << "own";
        QTest::newRow("links to other programs at both places kept")
            << T::programLink << T::programLink << true << true << true << Outcome::ioFailed << T::programLink
            << T::programLink << 0 << "";
        QTest::newRow("own files at both places kept")
            << T::ownFile << T::ownFile << true << true << true << Outcome::ioFailed << T::ownFile
            << T::ownFile << 0 << "";

        // System folder not writable: the administrator makes the link.
        QTest::newRow("administrator links") << T::nothing << T::nothing << true << false << true
                                             << Outcome::systemLink << T::helperLink << T::nothing << 1 << "";
        QTest::newRow("administrator replaces a dangling link")
            << T::danglingLink << T::nothing << true << false << true << Outcome::systemLink << T::helperLink
            << T::nothing << 1 << "";
        QTest::newRow("administrator creates the missing folder")
            << T::nothing << T::nothing << false << true << true << Outcome::systemLink << T::helperLink
            << T::nothing << 1 << "";

        // Authorization refused: the fallback folder in the home folder.
        QTest::newRow("refused") << T::nothing << T::nothing << true << false << false
                                 << Outcome::fallbackLink << T::nothing << T::helperLink << 1 << "refused";
        QTest::newRow("refused, missing system folder")
            << T::nothing << T::nothing << false << false << false << Outcome::fallbackLink << T::nothing
            << T::helperLink << 1 << "refused";
        QTest::newRow("refused, stale links")
            << T::staleLink << T::staleLink << true << false << false << Outcome::fallbackLink << T::staleLink
            << T::helperLink << 1 << "refused";
        QTest::newRow("refused, dangling fallback link replaced")
            << T::nothing << T::danglingLink << true << false << false << Outcome::fallbackLink << T::nothing
            << T::helperLink << 1 << "refused";
        QTest::newRow("refused, own file at the fallback kept")
            << T::nothing << T::ownFile << true << false << false << Outcome::ioFailed << T::nothing
            << T::ownFile << 1 << "";
        QTest::newRow("refused, own folder at the fallback kept")
            << T::nothing << T::ownFolder << true << false << false << Outcome::ioFailed << T::nothing
            << T::ownFolder << 1 << "";
        QTest::newRow("refused, link to another program at the fallback kept")
            << T::nothing << T::programLink << true << false << false << Outcome::ioFailed << T::nothing
            << T::programLink << 1 << "";
    }
    void install()
    {
        QFETCH(Thing, systemBefore);
        QFETCH(Thing, fallbackBefore);
        QFETCH(bool, systemFolderExists);
        QFETCH(bool, systemWritable);
        QFETCH(bool, adminGrants);
        QFETCH(Outcome, outcome);
        QFETCH(Thing, systemAfter);
        QFETCH(Thing, fallbackAfter);
        QFETCH(int, adminCalls);
        QFETCH(QString, reason);

        if (systemFolderExists)
            place(systemBefore, systemLink());
        place(fallbackBefore, fallbackLink());
        auto runner = std::make_shared<FakeAdminRunner>(adminGrants);
        const CLIInstaller installer(context(systemWritable, runner));

        std::optional<QString> fallbackReason;
        QCOMPARE(outcomeOf(installer.install(), &fallbackReason), outcome);
        QCOMPARE(inspect(systemLink()), systemAfter);
        QCOMPARE(inspect(fallbackLink()), fallbackAfter);
        QCOMPARE(runner->calls.size(), adminCalls);
        QVERIFY(hasOnlyOwnNotes(records()));
        if (reason == "own")
            QCOMPARE(fallbackReason, systemLink() + " is someone else's file and was left as it is.");
        else if (reason == "refused")
            // A sentence of its own, after "Installed at … instead."
            QCOMPARE(
                fallbackReason, QStringLiteral("Administrator authorization failed: Request dismissed."));
        else
            QCOMPARE(fallbackReason, std::nullopt);
    }

    void installWithoutHelper()
    {
        auto runner = std::make_shared<FakeAdminRunner>(true);
        auto context = this->context(false, runner);
        context.locateHelper = []() -> QString { throw std::runtime_error("helper missing"); };
        const CLIInstaller installer(context);

        QCOMPARE(outcomeOf(installer.install()), Outcome::noHelper);
        QCOMPARE(inspect(systemLink()), Thing::nothing);
        QCOMPARE(inspect(fallbackLink()), Thing::nothing);
        QVERIFY(runner->calls.isEmpty());
    }

    void linkFailureInWritableFolderDoesNotFallBack()
    {
        auto runner = std::make_shared<FakeAdminRunner>(true);
        auto context = this->context(true, runner);
        // Longer than any link target may be.
        context.locateHelper = [] { return "/" + QString(5000, u'x'); };
        QVERIFY(QDir().mkpath(systemBin()));
        const CLIInstaller installer(context);

        try {
            awaitBlocking(installer.install());
            QFAIL("install succeeded");
        } catch (const InstallError& error) {
            QCOMPARE(error.kind(), InstallError::Kind::ioFailed);
            QVERIFY2(error.detail().startsWith(systemLink() + ": "), qPrintable(error.detail()));
        }
        QCOMPARE(inspect(fallbackLink()), Thing::nothing);
        QVERIFY(runner->calls.isEmpty());
    }

    // Paths reach the administrator's shell as data: whatever they contain,
    // the script text stays the same and nothing in them is run.
    void administratorGetsPathsAsArguments_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("quotes and spaces") << R"(DJ's "Best" Apps)";
        QTest::newRow("command substitution") << "$(touch pwned)";
        QTest::newRow("backticks") << "`touch pwned`";
        QTest::newRow("separators") << "x'; touch pwned; echo '";
        QTest::newRow("newline") << "line\ntouch pwned";
    }
    void administratorGetsPathsAsArguments()
    {
        QFETCH(QString, name);
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        const auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });

        const QString helper = path(name + "/mivo.app/Contents/Helpers/mivo");
        writeFile(helper, "#!/bin/sh\n", true);
        auto runner = std::make_shared<FakeAdminRunner>(true);
        auto context = this->context(false, runner);
        context.systemBinFolder = path(name + "/bin");
        context.isWritable = [bin = context.systemBinFolder](const QString& folder) { return folder != bin; };
        context.locateHelper = [helper] { return helper; };
        const CLIInstaller installer(context);
        const QString link = installer.systemLinkPath();

        QCOMPARE(awaitBlocking(installer.install()).link.toLocalFile(), link);
        QCOMPARE(linkTarget(link), helper);
        awaitBlocking(installer.uninstall());
        QVERIFY(!QFileInfo(link).isSymLink());

        QCOMPARE(runner->calls.size(), 2);
        for (const auto& call : runner->calls) {
            QVERIFY(!call.script.contains(name));
            QVERIFY(call.arguments.contains(link));
        }
        QVERIFY(runner->calls[0].arguments.contains(helper));
        QVERIFY(!QFileInfo::exists("pwned"));
    }

    void uninstall_data()
    {
        QTest::addColumn<Thing>("systemBefore");
        QTest::addColumn<Thing>("fallbackBefore");
        QTest::addColumn<bool>("systemWritable");
        QTest::addColumn<bool>("adminGrants");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<Thing>("systemAfter");
        QTest::addColumn<Thing>("fallbackAfter");
        QTest::addColumn<int>("adminCalls");

        using T = Thing;
        QTest::newRow("links in both folders") << T::helperLink << T::helperLink << true << true
                                               << Outcome::done << T::nothing << T::nothing << 0;
        QTest::newRow("dangling links") << T::danglingLink << T::danglingLink << true << true << Outcome::done
                                        << T::nothing << T::nothing << 0;
        QTest::newRow("stale link") << T::staleLink << T::nothing << true << true << Outcome::done
                                    << T::nothing << T::nothing << 0;
        QTest::newRow("link to a folder left alone") << T::linkToFolder << T::helperLink << true << true
                                                     << Outcome::done << T::linkToFolder << T::nothing << 0;
        QTest::newRow("link to another program needs no administrator")
            << T::programLink << T::helperLink << false << false << Outcome::done << T::programLink
            << T::nothing << 0;
        QTest::newRow("own file and folder left alone")
            << T::ownFile << T::ownFolder << true << true << Outcome::done << T::ownFile << T::ownFolder << 0;
        QTest::newRow("nothing installed")
            << T::nothing << T::nothing << true << true << Outcome::done << T::nothing << T::nothing << 0;
        QTest::newRow("administrator removes the link")
            << T::helperLink << T::nothing << false << true << Outcome::done << T::nothing << T::nothing << 1;
        QTest::newRow("administrator removes a dangling link")
            << T::danglingLink << T::nothing << false << true << Outcome::done << T::nothing << T::nothing
            << 1;
        QTest::newRow("refused, fallback not visited")
            << T::helperLink << T::helperLink << false << false << Outcome::escalationFailed << T::helperLink
            << T::helperLink << 1;
        QTest::newRow("own file needs no administrator") << T::ownFile << T::helperLink << false << false
                                                         << Outcome::done << T::ownFile << T::nothing << 0;
    }
    void uninstall()
    {
        QFETCH(Thing, systemBefore);
        QFETCH(Thing, fallbackBefore);
        QFETCH(bool, systemWritable);
        QFETCH(bool, adminGrants);
        QFETCH(Outcome, outcome);
        QFETCH(Thing, systemAfter);
        QFETCH(Thing, fallbackAfter);
        QFETCH(int, adminCalls);

        place(systemBefore, systemLink());
        place(fallbackBefore, fallbackLink());
        auto runner = std::make_shared<FakeAdminRunner>(adminGrants);
        const CLIInstaller installer(context(systemWritable, runner));

        QCOMPARE(outcomeOf(installer.uninstall()), outcome);
        QCOMPARE(inspect(systemLink()), systemAfter);
        QCOMPARE(inspect(fallbackLink()), fallbackAfter);
        QCOMPARE(runner->calls.size(), adminCalls);
        QVERIFY(hasOnlyOwnNotes(records()));
    }

    void detectedVersion_data()
    {
        QTest::addColumn<QString>("systemTool");
        QTest::addColumn<QString>("fallbackTool");
        QTest::addColumn<QString>("version");

        // Tools: "1.0"/"2.0" print that version, "silent" prints nothing,
        // "hangs" prints a version and never ends, "bytes" prints non-UTF-8,
        // "plain" is not executable, "dangling" is a link to nothing.
        QTest::newRow("system tool") << "1.0"
                                     << "2.0"
                                     << "mivo 1.0 (--version)";
        QTest::newRow("fallback tool") << ""
                                       << "2.0"
                                       << "mivo 2.0 (--version)";
        QTest::newRow("silent system tool") << "silent"
                                            << "2.0"
                                            << "mivo 2.0 (--version)";
        QTest::newRow("hanging system tool") << "hangs"
                                             << "2.0"
                                             << "mivo 2.0 (--version)";
        QTest::newRow("dangling system link") << "dangling"
                                              << "2.0"
                                              << "mivo 2.0 (--version)";
        QTest::newRow("not executable") << "plain"
                                        << "" << QString();
        QTest::newRow("not UTF-8") << "bytes"
                                   << "" << QString();
        QTest::newRow("no tool") << ""
                                 << "" << QString();
    }
    void detectedVersion()
    {
        QFETCH(QString, systemTool);
        QFETCH(QString, fallbackTool);
        QFETCH(QString, version);

        placeTool(systemTool, systemLink());
        placeTool(fallbackTool, fallbackLink());
        const CLIInstaller installer(context(true, std::make_shared<FakeAdminRunner>(false)));

        QCOMPARE(awaitBlocking(installer.detectedVersion()).value_or(QString()), version);
    }

    void detectedVersionKillsAHangingTool()
    {
        placeTool("hangs", systemLink());
        const CLIInstaller installer(context(true, std::make_shared<FakeAdminRunner>(false)));

        QCOMPARE(awaitBlocking(installer.detectedVersion()), std::nullopt);
        bool ok = false;
        const qint64 toolPid = readFile(path("tool.pid")).trimmed().toLongLong(&ok);
        QVERIFY(ok);
        const qint64 childPid = readFile(path("child.pid")).trimmed().toLongLong(&ok);
        QVERIFY(ok);
        QTRY_VERIFY(!isRunning(toolPid));
        QTRY_VERIFY(!isRunning(childPid));
    }

    void localBinOnPath_data()
    {
        QTest::addColumn<QString>("pathValue");
        QTest::addColumn<bool>("onPath");
        QTest::newRow("among others") << "/usr/bin:%home/.local/bin:/bin" << true;
        QTest::newRow("alone") << "%home/.local/bin" << true;
        QTest::newRow("trailing slash") << "/usr/bin:%home/.local/bin/" << false;
        QTest::newRow("written with a tilde") << "/usr/bin:~/.local/bin" << false;
        QTest::newRow("unset") << QString() << false;
    }
    void localBinOnPath()
    {
        QFETCH(QString, pathValue);
        QFETCH(bool, onPath);
        auto context = this->context(true, nullptr);
        if (!pathValue.isNull())
            context.environment.insert("PATH", QString(pathValue).replace("%home", home()));
        QCOMPARE(CLIInstaller(context).localBinOnPath(), onPath);
    }

    void addLocalBinToPath_data()
    {
        QTest::addColumn<QString>("shell");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");

        const QByteArray line = "\nexport PATH=\"$HOME/.local/bin:$PATH\"\n";
        QTest::newRow("zsh, new profile") << "/usr/bin/zsh"
                                          << ".zshrc" << QByteArray() << line;
        QTest::newRow("no shell set") << QString() << ".zshrc" << QByteArray() << line;
        QTest::newRow("bash, existing profile kept")
            << "/bin/bash"
            << ".bashrc" << QByteArray("alias ll='ls -l'\n") << "alias ll='ls -l'\n" + line;
        QTest::newRow("added again") << "/bin/zsh"
                                     << ".zshrc" << line << line + line;
    }
    void addLocalBinToPath()
    {
        QFETCH(QString, shell);
        QFETCH(QString, profile);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        auto context = this->context(true, nullptr);
        if (!shell.isNull())
            context.environment.insert("SHELL", shell);
        QVERIFY(QDir().mkpath(home()));
        if (!before.isNull())
            writeFile(home() + "/" + profile, before);

        CLIInstaller(context).addLocalBinToPath();
        QCOMPARE(readFile(home() + "/" + profile), after);
    }

    void addLocalBinToPathNeverReplacesAProfile()
    {
        // A profile that cannot be opened for appending (here a folder) stays as it is.
        auto context = this->context(true, nullptr);
        context.environment.insert("SHELL", "/bin/zsh");
        place(Thing::ownFolder, home() + "/.zshrc");

        QVERIFY_THROWS_EXCEPTION(InstallError, CLIInstaller(context).addLocalBinToPath());
        QCOMPARE(inspect(home() + "/.zshrc"), Thing::ownFolder);
    }

private:
    static QByteArray readFile(const QString& file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    void placeTool(const QString& tool, const QString& link)
    {
        if (tool.isEmpty())
            return;
        if (tool == "dangling") {
            place(Thing::danglingLink, link);
            return;
        }
        const QString script = path("tools/" + tool);
        if (tool == "silent")
            writeFile(script, "#!/bin/sh\nexit 0\n", true);
        else if (tool == "hangs")
            writeFile(script,
                QStringLiteral(
                    "#!/bin/sh\necho 'mivo 9.9'\necho $$ > '%1'\nsleep 300 &\necho $! > '%2'\nwait\n")
                    .arg(path("tool.pid"), path("child.pid"))
                    .toUtf8(),
                true);
        else if (tool == "bytes")
            writeFile(script, "#!/bin/sh\nprintf 'mivo \\377\\376\\n'\n", true);
        else if (tool == "plain")
            writeFile(script, "#!/bin/sh\necho 'mivo 3.0'\n", false);
        else
            writeFile(script,
                QStringLiteral("#!/bin/sh\nprintf '  mivo %1 (%s)\\n\\n' \"$1\"\n").arg(tool).toUtf8(), true);
        symlinkTo(script, link);
    }
};

QTEST_GUILESS_MAIN(TestCLIInstaller)
#include "tst_cliinstaller.moc"
