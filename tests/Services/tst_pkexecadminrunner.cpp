#include "Services/InstallError.h"
#include "Services/PkexecAdminRunner.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace mivo;

// The runner against stand-ins for pkexec: one that grants (records the
// command line it was given, then runs it) and ones that refuse.
class TestPkexecAdminRunner : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString argvFile() const { return m_dir->filePath("argv"); }

    QString writeStandIn(const QString& name, const QByteArray& body)
    {
        const QString file = m_dir->filePath(name);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            return {};
        out.write("#!/bin/sh\n" + body);
        out.close();
        out.setPermissions(out.permissions() | QFile::ExeOwner);
        return file;
    }

    QString grantingStandIn()
    {
        return writeStandIn("pkexec-grants",
            QStringLiteral("for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '%1'\nexec \"$@\"\n")
                .arg(argvFile())
                .toUtf8());
    }

    QStringList recordedArgv() const
    {
        QFile in(argvFile());
        if (!in.open(QIODevice::ReadOnly))
            return {};
        QStringList argv;
        for (const QByteArray& arg : in.readAll().split('\0'))
            argv.append(QString::fromUtf8(arg));
        argv.removeLast(); // after the last terminator
        return argv;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // Whatever a value contains, it reaches the script as one positional
    // parameter and is never run.
    void argumentsStayData_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("quotes and spaces") << R"(/Apps/DJ's "Best" mivo.app)";
        QTest::newRow("command substitution") << "/tmp/$(touch pwned)/mivo";
        QTest::newRow("backticks") << "/tmp/`touch pwned`/mivo";
        QTest::newRow("separators") << "/tmp/x'; touch pwned; echo '/mivo";
        QTest::newRow("newline") << "/tmp/a\ntouch pwned\n/mivo";
        QTest::newRow("leading dash") << "-rf";
        QTest::newRow("empty") << "";
    }
    void argumentsStayData()
    {
        QFETCH(QString, value);
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        const auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });
        const QString script = R"(printf '%s|%s' "$1" "$2")";

        PkexecAdminRunner runner(grantingStandIn());
        QCOMPARE(runner.run(script, { value, "second" }), value + "|second");
        QCOMPARE(recordedArgv(), (QStringList { "/bin/sh", "-c", script, "mivo", value, "second" }));
        QVERIFY(!QFileInfo::exists("pwned"));
    }

    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("standIn");
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QString>("text");

        const QByteArray grants = "exec \"$@\"\n";
        QTest::newRow("granted") << grants << "printf ' done \\n'" << true << " done \n";
        QTest::newRow("granted, output not UTF-8") << grants << R"(printf '\377\376')" << true << "";
        QTest::newRow("dismissed") << QByteArray(
            "echo 'Error executing command as another user: Request dismissed' >&2\nexit 126\n")
                                   << "true" << false
                                   << "Administrator authorization failed: Error executing command as "
                                      "another user: Request dismissed";
        QTest::newRow("refused, message not UTF-8")
            << QByteArray("printf '\\377\\376' >&2\nexit 127\n") << "true" << false
            << "Administrator authorization failed: unknown";
        QTest::newRow("script fails")
            << grants << "echo '  ln: cannot overwrite directory  ' >&2; exit 1" << false
            << "Administrator authorization failed: ln: cannot overwrite directory";
    }
    void outcomes()
    {
        QFETCH(QByteArray, standIn);
        QFETCH(QString, script);
        QFETCH(bool, succeeds);
        QFETCH(QString, text);

        PkexecAdminRunner runner(writeStandIn("pkexec", standIn));
        try {
            const QString output = runner.run(script, {});
            QVERIFY(succeeds);
            QCOMPARE(output, text);
        } catch (const InstallError& error) {
            QVERIFY2(!succeeds, qPrintable(error.userText()));
            QCOMPARE(error.kind(), InstallError::Kind::escalationFailed);
            QCOMPARE(error.userText(), text);
        }
    }

    void missingProgramIsAnEscalationFailure()
    {
        PkexecAdminRunner runner(m_dir->filePath("no-such-pkexec"));
        QVERIFY_THROWS_EXCEPTION(InstallError, runner.run("true", {}));
    }
};

QTEST_GUILESS_MAIN(TestPkexecAdminRunner)
#include "tst_pkexecadminrunner.moc"
