#include "State/CLIToolStore.h"

#include <QDir>
#include <QFile>
#include <QFuture>
#include <QPromise>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <qcoro/qcorofuture.h>
#include <unistd.h>

using namespace mivo;
using State = CLIToolStore::State;

namespace {

// What a case puts at one tool path: nothing (empty), "file", "folder", or
// "link:<destination>" with "{root}" standing for the temporary folder.
void place(const QString& path, const QString& what, const QString& root)
{
    QDir().mkpath(QFileInfo(path).path());
    if (what.isEmpty())
        return;
    if (what == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho someone else's mivo\n");
    } else if (what == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (what.startsWith(QLatin1String("link:"))) {
        QString destination = what.mid(5);
        destination.replace(QLatin1String("{root}"), root);
        // Written with symlink(2): the destination must stay exactly as given.
        QVERIFY(
            ::symlink(QFile::encodeName(destination).constData(), QFile::encodeName(path).constData()) == 0);
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown fixture ") + what));
    }
}

void makeFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
}

using Answer = QPromise<std::optional<QString>>;

QCoro::Task<std::optional<QString>> awaitAnswer(QFuture<std::optional<QString>> future)
{
    co_return co_await future;
}

void give(Answer& answer, const std::optional<QString>& version)
{
    answer.addResult(version);
    answer.finish();
}

} // namespace

class TestCLIToolStore : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_root.emplace().isValid());
        m_previousDir = QDir::currentPath();
        // Work from an unrelated folder: nothing may be resolved against it.
        const QString elsewhere = m_root->filePath(QStringLiteral("elsewhere/a/b/c/d"));
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QDir::setCurrent(elsewhere));
    }

    void cleanup()
    {
        QDir::setCurrent(m_previousDir);
        m_root.reset();
    }

    void startsUnknown()
    {
        CLIToolStore store(context(true));
        QCOMPARE(store.state(), State::unknown());
        QCOMPARE(store.detectedVersion(), std::nullopt);
    }

    void detect_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("home");
        QTest::addColumn<bool>("helperLocatable");
        QTest::addColumn<State>("expected");
        // The paths left as they are, as someone else's: "system", "home", both or none.
        QTest::addColumn<QString>("kept");

        const QString helper = QStringLiteral("link:{root}/app/Contents/Helpers/mivo");
        const QString older = QStringLiteral("link:{root}/old/Contents/Helpers/mivo");
        const QString gone = QStringLiteral("link:{root}/gone/mivo");
        const QString other = QStringLiteral("link:{root}/tools/other");
        QTest::newRow("nothing anywhere") << ""
                                          << "" << true << State::notInstalled() << "";
        QTest::newRow("link to this helper")
            << helper << "" << true << State::installedSymlink(kHelper) << "";
        QTest::newRow("link in the home folder")
            << "" << helper << true << State::installedSymlink(kHelper) << "";
        QTest::newRow("link to another copy") << older << "" << true << State::installedSymlinkStale() << "";
        QTest::newRow("system link wins over a correct home link")
            << older << helper << true << State::installedSymlinkStale() << "";
        QTest::newRow("user's own file, helper linked in the home folder")
            << "file" << helper << true << State::fallbackInstalled(kHomeLink) << "system";
        QTest::newRow("user's own file, another copy linked in the home folder")
            << "file" << older << true << State::foreignCopy(kSystemLink) << "system";
        QTest::newRow("user's own file, helper not locatable")
            << "file" << helper << false << State::foreignCopy(kSystemLink) << "system";
        QTest::newRow("user's own folder") << "folder"
                                           << "" << true << State::foreignCopy(kSystemLink) << "system";
        QTest::newRow("own file in the home folder")
            << ""
            << "file" << true << State::foreignCopy(kHomeLink) << "home";
        QTest::newRow("user's own files at both paths")
            << "file"
            << "file" << true << State::foreignCopy(kSystemLink) << "system home";
        // A link to nothing is a broken link of ours, wherever it is; one in
        // the system folder wins over a working one at home, as any link there does.
        QTest::newRow("link whose destination was deleted") << gone << "" << true << State::dangling() << "";
        QTest::newRow("link at home whose destination was deleted")
            << "" << gone << true << State::dangling() << "";
        QTest::newRow("broken system link wins over a correct home link")
            << gone << helper << true << State::dangling() << "";
        QTest::newRow("broken link, helper not locatable") << gone << "" << false << State::dangling() << "";
        QTest::newRow("user's own file, broken link at home")
            << "file" << gone << true << State::foreignCopy(kSystemLink) << "system";
        // The helper's own path, but nothing there any more.
        QTest::newRow("link to this helper's path, helper gone") << "link:{root}/app/Contents/Helpers/gone"
                                                                 << "" << true << State::dangling() << "";
        QTest::newRow("helper path spelt differently") << "link:{root}/app//Contents/Helpers/mivo"
                                                       << "" << true << State::installedSymlinkStale() << "";
        // Relative to the link's folder {root}/usr/local/bin, not to the
        // working directory, where "../../../old/..." names nothing.
        QTest::newRow("relative link to another copy") << "link:../../../old/Contents/Helpers/mivo"
                                                       << "" << true << State::installedSymlinkStale() << "";
        QTest::newRow("relative link in the home folder")
            << ""
            << "link:../../../old/Contents/Helpers/mivo" << true << State::installedSymlinkStale() << "";
        QTest::newRow("helper not locatable")
            << helper << "" << false << State::installedSymlinkStale() << "";
        // A link to the helper written another way is still a copy of it.
        QTest::newRow("link to the helper through another link")
            << "link:{root}/alias/mivo"
            << "" << true << State::installedSymlinkStale() << "";
        // A link to anything but a helper is someone else's, like a file: never run, never replaced.
        QTest::newRow("link to another program")
            << other << "" << true << State::foreignCopy(kSystemLink) << "system";
        QTest::newRow("link to another program, helper linked in the home folder")
            << other << helper << true << State::fallbackInstalled(kHomeLink) << "system";
        QTest::newRow("link to another program in the home folder")
            << "" << other << true << State::foreignCopy(kHomeLink) << "home";
        QTest::newRow("links to another program at both paths")
            << other << other << true << State::foreignCopy(kSystemLink) << "system home";
        QTest::newRow("link to a folder") << "link:{root}/tools"
                                          << "" << true << State::foreignCopy(kSystemLink) << "system";
    }

    void detect()
    {
        QFETCH(QString, system);
        QFETCH(QString, home);
        QFETCH(bool, helperLocatable);
        QFETCH(State, expected);
        QFETCH(QString, kept);

        const QString root = m_root->path();
        makeFile(root + QStringLiteral("/app/Contents/Helpers/mivo"));
        makeFile(root + QStringLiteral("/old/Contents/Helpers/mivo"));
        makeFile(root + QStringLiteral("/tools/other"));
        place(root + QStringLiteral("/alias/mivo"), QStringLiteral("link:{root}/app/Contents/Helpers/mivo"),
            root);
        place(root + kSystemLink, system, root);
        place(root + kHomeLink, home, root);
        if (QTest::currentTestFailed())
            return;

        CLIToolStore store(context(helperLocatable));
        QSignalSpy changed(&store, &CLIToolStore::stateChanged);
        store.detect();
        QCOMPARE(store.state(), withRoot(expected));
        QCOMPARE(changed.count(), 1);
        QStringList keptPaths;
        for (const QString& which : kept.split(u' ', Qt::SkipEmptyParts))
            keptPaths.append(root + (which == u"system" ? kSystemLink : kHomeLink));
        QCOMPARE(store.keptPaths(), keptPaths);

        // Detecting the same again is no change.
        store.detect();
        QCOMPARE(changed.count(), 1);
    }

    void followsChangesOnDisk()
    {
        const QString root = m_root->path();
        makeFile(root + QStringLiteral("/app/Contents/Helpers/mivo"));
        CLIToolStore store(context(true));
        store.detect();
        QCOMPARE(store.state(), State::notInstalled());

        place(root + kSystemLink, QStringLiteral("link:{root}/app/Contents/Helpers/mivo"), root);
        store.detect();
        QCOMPARE(store.state(), State::installedSymlink(root + kHelper));

        // The application moved away: the link is left broken.
        QVERIFY(QFile::remove(root + kHelper));
        store.detect();
        QCOMPARE(store.state(), State::dangling());

        QVERIFY(QFile::remove(root + kSystemLink));
        store.detect();
        QCOMPARE(store.state(), State::notInstalled());
    }

    // The version is asked for in the background after each detection; only
    // the newest question's answer is kept, and nothing installed means none.
    void detectedVersionFollowsTheNewestDetection()
    {
        const QString root = m_root->path();
        makeFile(root + QStringLiteral("/app/Contents/Helpers/mivo"));
        place(root + kSystemLink, QStringLiteral("link:{root}/app/Contents/Helpers/mivo"), root);
        QList<std::shared_ptr<Answer>> questions;
        CLIToolStore::Context context = this->context(true);
        context.readVersion = [&questions](const QString&) {
            auto answer = std::make_shared<Answer>();
            answer->start();
            questions.append(answer);
            return awaitAnswer(answer->future());
        };
        CLIToolStore store(context);
        QSignalSpy changed(&store, &CLIToolStore::detectedVersionChanged);

        store.detect();
        QCOMPARE(questions.size(), 1);
        give(*questions[0], QStringLiteral("mivo 2.4.1"));
        QTRY_COMPARE(store.detectedVersion(), QStringLiteral("mivo 2.4.1"));

        // The answer to a question superseded by a newer detection is dropped.
        store.detect();
        store.detect();
        QCOMPARE(questions.size(), 3);
        give(*questions[1], QStringLiteral("stale"));
        give(*questions[2], QStringLiteral("mivo 2.5.0"));
        QTRY_COMPARE(store.detectedVersion(), QStringLiteral("mivo 2.5.0"));
        QCOMPARE(changed.count(), 2);

        // Nothing installed: no question, no version.
        QVERIFY(QFile::remove(root + kSystemLink));
        store.detect();
        QCOMPARE(questions.size(), 3);
        QCOMPARE(store.detectedVersion(), std::nullopt);
        QCOMPARE(changed.count(), 3);
    }

    // An operation's note stays until the next operation begins; a second
    // operation refused while one runs clears nothing.
    void noteLastsUntilTheNextOperationBegins()
    {
        CLIToolStore store(context(true));
        QSignalSpy noted(&store, &CLIToolStore::lastNoteChanged);
        const CLIToolStore::Note failed { QStringLiteral("Administrator authorization failed: no"), true };

        QVERIFY(store.beginWork());
        QCOMPARE(noted.count(), 0);
        QVERIFY(!store.beginWork());
        store.endWork(failed);
        QCOMPARE(store.lastNote(), failed);
        QCOMPARE(noted.count(), 1);
        QVERIFY(!store.isBusy());
        QCOMPARE(store.state(), State::notInstalled());

        QVERIFY(store.beginWork());
        QCOMPARE(store.lastNote(), std::nullopt);
        QCOMPARE(noted.count(), 2);
        store.endWork();
        QCOMPARE(store.lastNote(), std::nullopt);
        QCOMPARE(noted.count(), 2);
    }

    // The note of an operation speaks of the state it left: it stays while
    // later detections find that state (whatever the version says), and goes
    // with the first one that finds another.
    void noteGoesWithTheStateItSpokeOf_data()
    {
        // What is at the system path and at home when the operation ends, and
        // when the pane looks again.
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("leftHome");
        QTest::addColumn<QString>("later");
        QTest::addColumn<QString>("laterHome");
        QTest::addColumn<bool>("noteStays");

        const QString helper = QStringLiteral("link:{root}/app/Contents/Helpers/mivo");
        const QString other = QStringLiteral("link:{root}/tools/other");
        QTest::newRow("still nothing") << ""
                                       << ""
                                       << ""
                                       << "" << true;
        QTest::newRow("still the link, another version") << helper << "" << helper << "" << true;
        QTest::newRow("the link appeared") << ""
                                           << "" << helper << "" << false;
        QTest::newRow("the link went") << helper << ""
                                       << ""
                                       << "" << false;
        QTest::newRow("the link broke") << helper << ""
                                        << "link:{root}/gone/mivo"
                                        << "" << false;
        QTest::newRow("someone else's file took its place") << helper << ""
                                                            << "file"
                                                            << "" << false;
        // The same state, but the refusal spoke of a file at home that is gone.
        QTest::newRow("someone else's file at home went") << other << "file" << other << "" << false;
        QTest::newRow("someone else's files stay") << other << "file" << other << "file" << true;
    }
    void noteGoesWithTheStateItSpokeOf()
    {
        QFETCH(QString, left);
        QFETCH(QString, leftHome);
        QFETCH(QString, later);
        QFETCH(QString, laterHome);
        QFETCH(bool, noteStays);

        const QString root = m_root->path();
        makeFile(root + kHelper);
        makeFile(root + QStringLiteral("/tools/other"));
        const auto lay = [&root](const QString& system, const QString& home) {
            QFile::remove(root + kSystemLink);
            QFile::remove(root + kHomeLink);
            place(root + kSystemLink, system, root);
            place(root + kHomeLink, home, root);
        };
        lay(left, leftHome);
        CLIToolStore::Context context = this->context(true);
        int asked = 0;
        context.readVersion = [&asked](const QString&) {
            Answer answer;
            answer.start();
            give(answer, QStringLiteral("mivo 1.%1").arg(++asked));
            return awaitAnswer(answer.future());
        };
        CLIToolStore store(context);
        store.detect();
        const CLIToolStore::Note note { QStringLiteral("Could not install the CLI: no"), true };
        QVERIFY(store.beginWork());
        store.endWork(note);
        QCOMPARE(store.lastNote(), note);
        QSignalSpy noted(&store, &CLIToolStore::lastNoteChanged);

        lay(later, laterHome);
        store.detect();
        if (std::holds_alternative<State::InstalledSymlink>(store.state().value))
            QTRY_COMPARE(store.detectedVersion(), QStringLiteral("mivo 1.%1").arg(asked));
        QCOMPARE(store.lastNote(), noteStays ? std::optional(note) : std::nullopt);
        QCOMPARE(noted.count(), noteStays ? 0 : 1);
        // Once gone, it does not come back with the state it spoke of.
        lay(left, leftHome);
        store.detect();
        QCOMPARE(store.lastNote(), noteStays ? std::optional(note) : std::nullopt);
    }

private:
    static inline const QString kSystemLink = QStringLiteral("/usr/local/bin/mivo");
    static inline const QString kHomeLink = QStringLiteral("/home/.local/bin/mivo");
    static inline const QString kHelper = QStringLiteral("/app/Contents/Helpers/mivo");

    CLIToolStore::Context context(bool helperLocatable) const
    {
        const QString root = m_root->path();
        CLIToolStore::Context context;
        context.toolPaths = { root + kSystemLink, root + kHomeLink };
        context.preferredTarget = [root, helperLocatable]() -> std::optional<QString> {
            if (!helperLocatable)
                return std::nullopt;
            return root + kHelper;
        };
        return context;
    }

    // The expected state with the temporary folder put in front of its path.
    State withRoot(State state) const
    {
        const QString root = m_root->path();
        if (auto* link = std::get_if<State::InstalledSymlink>(&state.value))
            link->target.prepend(root);
        if (auto* copy = std::get_if<State::ForeignCopy>(&state.value))
            copy->path.prepend(root);
        if (auto* fallback = std::get_if<State::FallbackInstalled>(&state.value))
            fallback->path.prepend(root);
        return state;
    }

    std::optional<QTemporaryDir> m_root;
    QString m_previousDir;
};

QTEST_GUILESS_MAIN(TestCLIToolStore)
#include "tst_clitoolstore.moc"
