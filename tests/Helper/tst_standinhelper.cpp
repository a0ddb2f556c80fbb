#include "BuildConfig.h"
#include "TestSupport/TestPaths.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <unistd.h>
#include <vector>

using nlohmann::json;

namespace {

constexpr int kWaitMs = 10000;

// One run of the stand-in helper, driven line by line through its standard streams.
class Session {
public:
    // `environment` holds "NAME=value" entries on top of a private config file and the fastest pace.
    Session(const QString& configPath, const QStringList& environment = {},
        const QStringList& arguments = { QStringLiteral("serve") })
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MIVO_STANDIN_CONFIG"), configPath);
        env.insert(QStringLiteral("MIVO_STANDIN_EVENT_RATE"), QStringLiteral("0"));
        for (const QString& entry : environment) {
            const qsizetype eq = entry.indexOf(QLatin1Char('='));
            env.insert(entry.left(eq), entry.mid(eq + 1));
        }
        m_process.setProcessEnvironment(env);
        m_process.start(mivo::test::standInHelperPath(), arguments);
    }

    ~Session()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kWaitMs);
        }
    }

    void send(const json& object) { sendRaw(QByteArray::fromStdString(object.dump()) + '\n'); }
    void sendRaw(const QByteArray& bytes) { m_process.write(bytes); }

    // Sends a request under a fresh id and returns that id.
    std::string ask(const std::string& method, const json& params = nullptr)
    {
        const std::string id = "t" + std::to_string(++m_counter);
        json line = { { "id", id }, { "method", method } };
        if (!params.is_null())
            line["params"] = params;
        send(line);
        return id;
    }

    // The next raw line with its terminator, or nothing when none comes in time.
    std::optional<QByteArray> rawLine()
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(kWaitMs))
                return std::nullopt;
        }
        const QByteArray line = m_process.readLine();
        transcript += line;
        return line;
    }

    // The next line parsed as JSON (discarded when it is not JSON); null when none comes.
    json next()
    {
        const auto line = rawLine();
        if (!line)
            return nullptr;
        return json::parse(line->toStdString(), nullptr, false);
    }

    // Reads until the reply with this id; events met on the way are kept in `events`.
    json replyTo(const std::string& id)
    {
        while (true) {
            json line = next();
            if (line.is_null())
                return nullptr;
            if (line.contains("event"))
                events.push_back(line);
            else if (line.value("id", std::string()) == id)
                return line;
            else
                others.push_back(line);
        }
    }

    json request(const std::string& method, const json& params = nullptr)
    {
        return replyTo(ask(method, params));
    }

    // Reads events until one of this kind (kept in `events` too); null when none comes.
    json until(const std::string& kind)
    {
        while (true) {
            json line = next();
            if (line.is_null())
                return nullptr;
            if (line.contains("event"))
                events.push_back(line);
            else
                others.push_back(line);
            if (line.value("event", std::string()) == kind)
                return line;
        }
    }

    // Closes standard input and waits for the exit.
    bool finish()
    {
        m_process.closeWriteChannel();
        return m_process.waitForFinished(kWaitMs);
    }
    bool waitForExit() { return m_process.waitForFinished(kWaitMs); }

    QProcess& process() { return m_process; }

    std::vector<json> events;
    std::vector<json> others; // replies to other ids
    QByteArray transcript; // every line read

private:
    QProcess m_process;
    int m_counter = 0;
};

json playlistSelection(const std::string& source, const std::string& id)
{
    return { { "selection", json::array({ { { "source", source }, { "id", id } } }) } };
}

// What each track of a run came to, read from its events alone.
struct RunTally {
    std::map<std::string, std::int64_t> counts; // keyed like the summary
    std::map<std::string, json> finished; // track id -> trackFinished data
};

RunTally tally(std::vector<json> events)
{
    RunTally t;
    std::set<std::string> presentOnDisk, worked;
    for (auto& e : events) {
        const std::string kind = e["event"];
        json& d = e["data"];
        if (kind == "diskCheck" && d["result"] == "present")
            presentOnDisk.insert(d["trackId"].get<std::string>());
        if (kind == "step" || kind == "downloadProgress")
            worked.insert(d["trackId"].get<std::string>());
        if (kind == "trackFinished")
            t.finished[d["trackId"].get<std::string>()] = d;
    }
    for (auto& [id, d] : t.finished) {
        const std::string status = d["status"];
        if (status == "ok")
            ++t.counts[presentOnDisk.contains(id) ? (worked.contains(id) ? "upgraded" : "present") : "ok"];
        else if (status == "low-confidence")
            ++t.counts["flagged"];
        else
            ++t.counts[status];
    }
    return t;
}

// One call of each method that reads or writes the configuration.
std::vector<std::pair<std::string, json>> configurationCalls()
{
    return {
        { "getConfig", nullptr },
        { "setConfig", { { "patch", { { "ui", { { "theme", "dark" } } } } } } },
        { "storeAccountToken", { { "service", "acoustid" }, { "token", "t" } } },
        { "disconnectAccount", { { "service", "spotify" } } },
    };
}

// Whether the value in use agrees with the stored one: equal, or for a record, each of
// its keys equal to the stored record's (which may hold more).
bool agrees(const json& inUse, const json& stored)
{
    if (!inUse.is_object() || !stored.is_object())
        return inUse == stored;
    for (const auto& [key, value] : inUse.items())
        if (!stored.contains(key) || stored[key] != value)
            return false;
    return true;
}

} // namespace

class TestStandInHelper : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString configPath() const { return m_dir.filePath(QStringLiteral("config.json")); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(configPath());
    }

    void setConfigChangesOnlyPatchedKeys_data()
    {
        QTest::addColumn<QString>("patch");
        QTest::addColumn<QString>("changes"); // JSON merge of what must differ afterwards; empty: unchanged
        QTest::addColumn<QString>("errorCode");

        QTest::newRow("proxyEnabled sets proxy.enabled") << R"({"proxyEnabled":true})"
                                                         << R"({"proxy":{"enabled":true}})"
                                                         << "";
        QTest::newRow("whole nested record")
            << R"({"quality":{"floor":"flac","losslessOnly":true,"bestQuality":false,"upgradeEnabled":false}})"
            << R"({"quality":{"floor":"flac","losslessOnly":true,"bestQuality":false,"upgradeEnabled":false}})"
            << "";
        QTest::newRow("several keys at once")
            << R"({"sources":["youtube","soulseek"],"ui":{"theme":"light"},"outputDir":"/music/out"})"
            << R"({"sources":["youtube","soulseek"],"ui":{"theme":"light"},"outputDir":"/music/out"})"
            << "";
        QTest::newRow("run record keeps doubles")
            << R"({"run":{"searchCount":9,"concurrency":2,"toleranceSec":3,"searchTimeoutSec":12.5,"cooloffHours":1}})"
            << R"({"run":{"searchCount":9,"concurrency":2,"toleranceSec":3.0,"searchTimeoutSec":12.5,"cooloffHours":1.0}})"
            << "";
        QTest::newRow("null counts as absent") << R"({"outputDir":null,"ui":null})"
                                               << ""
                                               << "";
        QTest::newRow("unknown key ignored") << R"({"colour":"red"})"
                                             << ""
                                             << "";
        QTest::newRow("empty patch") << R"({})"
                                     << ""
                                     << "";
        QTest::newRow("theme outside vocabulary") << R"({"ui":{"theme":"blue"},"outputDir":"/elsewhere"})"
                                                  << ""
                                                  << "invalid_params";
        QTest::newRow("partial nested record") << R"({"quality":{"floor":"flac"}})"
                                               << ""
                                               << "invalid_params";
        QTest::newRow("unknown source") << R"({"sources":["napster"]})"
                                        << ""
                                        << "invalid_params";
        QTest::newRow("proxyEnabled not a bool") << R"({"proxyEnabled":"yes"})"
                                                 << ""
                                                 << "invalid_params";
        QTest::newRow("configured is not patchable") << R"({"proxy":{"enabled":true,"configured":true}})"
                                                     << ""
                                                     << "";
    }
    void setConfigChangesOnlyPatchedKeys()
    {
        QFETCH(QString, patch);
        QFETCH(QString, changes);
        QFETCH(QString, errorCode);

        Session session(configPath());
        json before = session.request("getConfig");
        QVERIFY(before.value("ok", false));
        json reply = session.request("setConfig", { { "patch", json::parse(patch.toStdString()) } });
        QVERIFY(reply.is_object());
        QCOMPARE(reply["ok"].get<bool>(), errorCode.isEmpty());
        if (!errorCode.isEmpty())
            QCOMPARE(QString::fromStdString(reply["error"]["code"]), errorCode);

        json expected = before["result"]["config"];
        if (!changes.isEmpty())
            expected.merge_patch(json::parse(changes.toStdString()));
        json after = session.request("getConfig");
        QCOMPARE(QString::fromStdString(after["result"]["config"].dump()),
            QString::fromStdString(expected.dump()));
        QVERIFY(session.finish());
    }

    void configAndAccountsSurviveRestart()
    {
        const std::string secret = "s3cret-token-value";
        json changed;
        {
            Session session(configPath());
            json patch = { { "ui", { { "theme", "light" } } }, { "proxyEnabled", true } };
            QVERIFY(session.request("setConfig", { { "patch", patch } }).value("ok", false));
            for (const char* service : { "spotify", "acoustid", "proxy" }) {
                json params = { { "service", service }, { "token", secret } };
                if (std::string(service) == "spotify")
                    params["clientId"] = "my-client";
                QVERIFY(session.request("storeAccountToken", params).value("ok", false));
            }
            QVERIFY(session.request("disconnectAccount", { { "service", "acoustid" } }).value("ok", false));
            changed = session.request("getConfig")["result"]["config"];
            QVERIFY(session.finish());
            QCOMPARE(session.process().exitCode(), 0);
            QVERIFY(!session.transcript.contains(QByteArray::fromStdString(secret)));
        }
        QCOMPARE(changed["spotifyConnected"], json(true));
        QCOMPARE(changed["effectiveSpotifyClientId"], json("my-client"));
        QCOMPARE(changed["acoustidConfigured"], json(false));
        QCOMPARE(changed["proxy"], json({ { "enabled", true }, { "configured", true } }));

        QFile file(configPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains(QByteArray::fromStdString(secret)));

        Session again(configPath());
        QCOMPARE(QString::fromStdString(again.request("getConfig")["result"]["config"].dump()),
            QString::fromStdString(changed.dump()));
        QVERIFY(again.finish());
    }

    // A configuration the helper may not read is not "no file yet": reading and every
    // change fail with the reason, and the file is never written over; once it can be
    // read again, it is what getConfig answers.
    void unreadableConfigurationIsNeverWritten_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("no read permission") << "mode 000";
        QTest::newRow("a folder at that path") << "folder";
    }
    void unreadableConfigurationIsNeverWritten()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("config.json"));
        const QByteArray stored = R"({"sources":["soulseek"],"ui":{"theme":"light"},"outputDir":"~/MyDJ"})";
        QFile file(path);
        if (kind == u"folder") {
            QVERIFY(QDir().mkpath(path));
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(stored);
            file.close();
            QVERIFY(file.setPermissions({}));
            if (::access(QFile::encodeName(path).constData(), R_OK) == 0)
                QSKIP("Running with rights that read a file of mode 000 (as root); "
                      "the folder case covers an unreadable configuration here.");
        }
        const QStringList before
            = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        Session session(path);
        for (const auto& [method, params] : configurationCalls()) {
            const json reply = session.request(method, params);
            QVERIFY2(reply.is_object() && !reply.value("ok", true), method.c_str());
            QCOMPARE(reply["error"]["code"], json("internal"));
            QVERIFY2(QString::fromStdString(reply["error"]["message"]).contains(path), reply.dump().c_str());
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);

        // Readable again: the stored settings, not the defaults.
        if (kind == u"folder") {
            QVERIFY(QDir(path).removeRecursively());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(stored);
            file.close();
        } else {
            QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        }
        const json config = session.request("getConfig")["result"]["config"];
        QCOMPARE(config["sources"], json::array({ "soulseek" }));
        QCOMPARE(config["outputDir"], json("~/MyDJ"));
        QVERIFY(session.finish());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), stored);
    }

    // A configuration that is not a JSON object is kept next to it before anything new
    // is written, and the next getConfig says so once, as a warning in the log.
    void corruptConfigurationIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("cut short") << QByteArray("{\"sources\":[\"soulseek\"],\"ui\":{\"th");
        QTest::newRow("not an object") << QByteArray(R"(["soulseek"])");
        QTest::newRow("empty") << QByteArray();
    }
    void corruptConfigurationIsKeptAside()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("config.json"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const auto kept = [&dir] {
            return QDir(dir.path()).entryList({ QStringLiteral("config.json.corrupt-*") }, QDir::Files);
        };

        Session session(path);
        const json first = session.request("getConfig");
        QVERIFY(first.value("ok", false));
        QVERIFY(!first["result"]["config"].is_null());
        QCOMPARE(kept().size(), 1);
        QFile aside(dir.filePath(kept().constFirst()));
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), content);
        aside.close();
        QCOMPARE(session.events.size(), size_t(1));
        QCOMPARE(session.events[0]["event"], json("log"));
        QCOMPARE(session.events[0]["data"]["level"], json("warn"));
        QVERIFY2(QString::fromStdString(session.events[0]["data"]["message"]).contains(kept().constFirst()),
            session.events[0].dump().c_str());

        QVERIFY(session.request("getConfig").value("ok", false));
        QVERIFY(session.request("setConfig", { { "patch", { { "ui", { { "theme", "light" } } } } } })
                    .value("ok", false));
        QCOMPARE(session.request("getConfig")["result"]["config"]["ui"]["theme"], json("light"));
        QCOMPARE(session.events.size(), size_t(1));
        QVERIFY(session.finish());
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), content);
        QCOMPARE(kept().size(), 1);
        QVERIFY(QFile::exists(path));
    }

    // What the helper cannot use stays in the file: a key it does not know, a value it
    // rejects (its default answers for it, and the log says why, once). A write changes
    // only the settings it names; every other key and value, and their order, stay.
    void whatTheHelperCannotUseIsKept_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("params");
        // JSON merge patch from the stored file to what it holds afterwards.
        QTest::addColumn<QString>("written");
        // The settings answered with their defaults, because the file's value is rejected.
        QTest::addColumn<QStringList>("defaulted");

        const QByteArray unknownAndRejected
            = R"({"futureKey":{"nested":[1,"two",null]},"ui":{"theme":"purple"},"sources":["soulseek"]})";
        QTest::newRow("unrelated setConfig") << unknownAndRejected << "setConfig"
                                             << R"({"patch":{"outputDir":"/music/out"}})"
                                             << R"({"outputDir":"/music/out"})" << QStringList { "ui" };
        QTest::newRow("unrelated account") << unknownAndRejected << "storeAccountToken"
                                           << R"({"service":"acoustid","token":"t"})"
                                           << R"({"acoustidConfigured":true})" << QStringList { "ui" };
        QTest::newRow("proxy subscription forgotten")
            << QByteArray(R"({"proxy":{"enabled":true,"configured":true,"region":"eu"},"futureKey":1})")
            << "disconnectAccount"
            << R"({"service":"proxy"})"
            << R"({"proxy":{"enabled":false,"configured":false}})" << QStringList {};
        // The rejected value is the one the user now sets: it is written over.
        QTest::newRow("the rejected setting itself") << unknownAndRejected << "setConfig"
                                                     << R"({"patch":{"ui":{"theme":"light"}}})"
                                                     << R"({"ui":{"theme":"light"}})" << QStringList { "ui" };
        QTest::newRow("the rejected setting, to its default")
            << unknownAndRejected << "setConfig"
            << R"({"patch":{"ui":{"theme":"dark"}}})"
            << R"({"ui":{"theme":"dark"}})" << QStringList { "ui" };
        // A record keeps the keys of its own the helper does not know.
        QTest::newRow("a record with a key of its own")
            << QByteArray(R"({"ui":{"theme":"light","accent":"teal"}})") << "setConfig"
            << R"({"patch":{"ui":{"theme":"dark"}}})"
            << R"({"ui":{"theme":"dark"}})" << QStringList {};
        QTest::newRow("proxyEnabled in a record with a key of its own")
            << QByteArray(R"({"proxy":{"region":"eu","enabled":false,"configured":true}})") << "setConfig"
            << R"({"patch":{"proxyEnabled":true}})"
            << R"({"proxy":{"enabled":true}})" << QStringList {};
        QTest::newRow("values of the wrong type")
            << QByteArray(R"({"outputDir":42,"run":{"searchCount":"five"},"spotifyConnected":"yes"})")
            << "setConfig"
            << R"({"patch":{"identity":{"enabled":false,"strict":true}}})"
            << R"({"identity":{"enabled":false,"strict":true}})"
            << QStringList { "outputDir", "run", "spotifyConnected" };
        QTest::newRow("a failed write writes nothing")
            << unknownAndRejected << "setConfig"
            << R"({"patch":{"outputDir":"/out","sources":["napster"]}})"
            << "" << QStringList { "ui" };
    }
    void whatTheHelperCannotUseIsKept()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, method);
        QFETCH(QString, params);
        QFETCH(QString, written);
        QFETCH(QStringList, defaulted);
        using ordered = nlohmann::ordered_json;

        json defaults;
        {
            QTemporaryDir empty;
            Session fresh(empty.filePath(QStringLiteral("config.json")));
            defaults = fresh.request("getConfig")["result"]["config"];
            QVERIFY(fresh.finish());
        }
        QFile file(configPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stored);
        file.close();

        Session session(configPath());
        const json config = session.request("getConfig")["result"]["config"];
        const json storedJson = json::parse(stored.toStdString());
        for (const auto& [key, value] : storedJson.items()) {
            if (!defaults.contains(key))
                continue;
            const bool rejected = defaulted.contains(QString::fromStdString(key));
            QVERIFY2(rejected ? config[key] == defaults[key] : agrees(config[key], value),
                (key + ": " + config[key].dump()).c_str());
        }
        // Said once, before the first reply, naming each rejected setting.
        QCOMPARE(session.events.size(), size_t(defaulted.isEmpty() ? 0 : 1));
        if (!defaulted.isEmpty()) {
            QCOMPARE(session.events[0]["data"]["level"], json("warn"));
            const QString message = QString::fromStdString(session.events[0]["data"]["message"]);
            for (const QString& key : defaulted)
                QVERIFY2(message.contains(key + QStringLiteral(" (")), qPrintable(message));
        }

        const json reply = session.request(method.toStdString(), json::parse(params.toStdString()));
        QCOMPARE(reply.value("ok", false), !written.isEmpty());
        QVERIFY(session.request("getConfig").value("ok", false));
        QVERIFY(session.finish());
        QCOMPARE(session.events.size(), size_t(defaulted.isEmpty() ? 0 : 1));

        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray after = file.readAll();
        file.close();
        if (written.isEmpty()) {
            QCOMPARE(after, stored);
            return;
        }
        ordered expected = ordered::parse(stored.toStdString());
        expected.merge_patch(ordered::parse(written.toStdString()));
        const ordered now = ordered::parse(after.toStdString(), nullptr, false);
        QVERIFY2(now.is_object(), after.constData());
        // The stored keys first, in their order and with their values; then whatever
        // settings the file did not hold, as they are in use.
        ordered front = ordered::object();
        for (const auto& [key, value] : now.items())
            if (expected.contains(key))
                front[key] = value;
        QCOMPARE(QString::fromStdString(front.dump()), QString::fromStdString(expected.dump()));
        QCOMPARE(
            QString::fromStdString(now.dump()).startsWith(QString::fromStdString(front.dump()).chopped(1)),
            true);

        // A new session reads the same: the kept values are still kept, the written one holds.
        Session again(configPath());
        const json reread = again.request("getConfig")["result"]["config"];
        const json writtenJson = json::parse(written.toStdString());
        for (const auto& [key, value] : writtenJson.items())
            if (defaults.contains(key))
                QVERIFY2(agrees(reread[key], json(expected[key])), (key + ": " + reread[key].dump()).c_str());
        QVERIFY(again.finish());
    }

    // A request line longer than the helper reads (here a small maximum in place of the
    // application's 256 MiB) gets one bad_request without an id, none of it is kept,
    // and the next request is answered. A line of the maximum, its carriage return
    // counted, is read.
    void overLongRequestLines_data()
    {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<qint64>("length"); // bytes of the line before its line feed
        QTest::addColumn<bool>("withCR"); // the last of those bytes a carriage return
        QTest::addColumn<bool>("tooLong");

        QTest::newRow("the maximum") << 64 << qint64(64) << false << false;
        QTest::newRow("the maximum, with a carriage return") << 64 << qint64(64) << true << false;
        QTest::newRow("one byte more") << 64 << qint64(65) << false << true;
        QTest::newRow("one byte more, with a carriage return") << 64 << qint64(65) << true << true;
        QTest::newRow("64 MiB past 1 MiB") << 1024 * 1024 << qint64(64) * 1024 * 1024 << false << true;
    }
    void overLongRequestLines()
    {
        QFETCH(int, maximum);
        QFETCH(qint64, length);
        QFETCH(bool, withCR);
        QFETCH(bool, tooLong);

        Session session(configPath(), { QStringLiteral("MIVO_STANDIN_MAX_LINE=%1").arg(maximum) });
        QVERIFY(session.request("proxyInfo").value("ok", false));
        const auto peakMemory = [&session] {
            QFile status(QStringLiteral("/proc/%1/status").arg(session.process().processId()));
            if (!status.open(QIODevice::ReadOnly))
                return qint64(-1);
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
            return qint64(-1);
        };
        const qint64 peakBefore = peakMemory();

        // A request padded with spaces to its length, sent in pieces.
        const QByteArray start = "{\"id\":\"long\",\"method\":\"proxyInfo\",\"params\":{\"pad\":\"";
        const QByteArray end = QByteArray("\"}}") + (withCR ? "\r" : "");
        QVERIFY(length >= start.size() + end.size());
        session.sendRaw(start);
        constexpr qint64 kPiece = 1024 * 1024;
        const QByteArray piece(kPiece, ' ');
        for (qint64 left = length - start.size() - end.size(); left > 0; left -= kPiece) {
            session.sendRaw(left >= kPiece ? piece : piece.left(left));
            while (session.process().bytesToWrite() > 4 * kPiece)
                QVERIFY(session.process().waitForBytesWritten(kWaitMs));
        }
        session.sendRaw(end + '\n');

        const json next = session.request("proxyInfo");
        QVERIFY2(next.value("ok", false), next.dump().c_str());
        if (tooLong) {
            QCOMPARE(session.others.size(), size_t(1));
            QCOMPARE(session.others[0]["id"], json(""));
            QCOMPARE(session.others[0]["error"]["code"], json("bad_request"));
            QVERIFY(session.others[0]["error"]["message"].get<std::string>().find(std::to_string(maximum))
                != std::string::npos);
        } else {
            QCOMPARE(session.others.size(), size_t(1));
            QCOMPARE(session.others[0]["id"], json("long"));
            QCOMPARE(session.others[0]["ok"], json(true));
        }
        const qint64 peakAfter = peakMemory();
        if (peakBefore >= 0 && peakAfter >= 0)
            QVERIFY2(peakAfter - peakBefore < 4 * qint64(maximum) + 16 * kPiece,
                qPrintable(
                    QStringLiteral("the helper's peak memory grew by %1 bytes").arg(peakAfter - peakBefore)));
        QVERIFY(session.finish());
        QCOMPARE(session.process().exitCode(), 0);
    }

    void syncWithReviewEndsInConsistentSummary_data()
    {
        QTest::addColumn<QString>("decision");
        QTest::addColumn<QString>("reviewedStatus");

        QTest::newRow("accept") << R"({"kind":"accept"})"
                                << "ok";
        QTest::newRow("skip") << R"({"kind":"skip"})"
                              << "skipped";
        QTest::newRow("candidate") << R"({"kind":"candidate","candidateId":"c2"})"
                                   << "ok";
        QTest::newRow("unknown candidate") << R"({"kind":"candidate","candidateId":"c99"})"
                                           << "failed";
        QTest::newRow("url") << R"({"kind":"url","url":"https://bandcamp.invalid/track/x"})"
                             << "ok";
    }
    void syncWithReviewEndsInConsistentSummary()
    {
        QFETCH(QString, decision);
        QFETCH(QString, reviewedStatus);
        const std::string playlistId = "spotify:pl-late-night-drive";

        Session session(configPath());
        json reply = session.request("startSync", playlistSelection("spotify", playlistId));
        QVERIFY(reply.value("ok", false));
        QVERIFY2(session.events.empty(), "the reply comes before the run's first event");

        json review = session.until("needsReview");
        QVERIFY(review.is_object());
        const std::string runId = review["correlationId"];
        const std::string reviewed = review["data"]["trackId"];
        QVERIFY(review["data"]["candidates"].size() >= 2);

        // The run waits for the decision: nothing of it arrives before the next reply.
        const size_t eventsBefore = session.events.size();
        QVERIFY(session.request("getConfig").value("ok", false));
        QCOMPARE(session.events.size(), eventsBefore);

        session.send({ { "id", "t-review" }, { "method", "reviewDecision" },
            { "params",
                { { "runId", runId }, { "trackId", reviewed },
                    { "decision", json::parse(decision.toStdString()) } } } });
        json done = session.until("syncDone");
        QVERIFY(done.is_object());
        QVERIFY2(session.others.empty(), "notifications are not answered");

        std::set<std::string> kinds;
        std::vector<std::string> trackIds;
        for (auto& e : session.events) {
            const std::string kind = e["event"];
            kinds.insert(kind);
            const bool correlated = kind != "toolProgress" && kind != "proxyStatus";
            QCOMPARE(e.contains("correlationId"), correlated);
            if (correlated)
                QCOMPARE(e["correlationId"], json(runId));
            if (kind == "playlistStarted")
                for (auto& t : e["data"]["tracks"])
                    trackIds.push_back(t["id"].get<std::string>());
        }
        QCOMPARE(kinds.size(), size_t(15));
        QCOMPARE(session.events.front()["event"], json("syncStarted"));
        QCOMPARE(session.events.front()["data"]["runId"], json(runId));
        for (size_t row = 0; row < trackIds.size(); ++row)
            QCOMPARE(trackIds[row], playlistId + "#" + std::to_string(row));

        const RunTally t = tally(session.events);
        QCOMPARE(t.finished.size(), trackIds.size());
        QCOMPARE(QString::fromStdString(t.finished.at(reviewed)["status"]), reviewedStatus);
        json& summary = done["data"]["summary"];
        std::int64_t total = 0;
        for (const char* key : { "present", "ok", "flagged", "failed", "skipped", "upgraded" }) {
            const std::int64_t counted = t.counts.contains(key) ? t.counts.at(key) : 0;
            QVERIFY2(summary[key] == counted, key);
            total += counted;
        }
        QCOMPARE(total, std::int64_t(trackIds.size()));
        QCOMPARE(summary["removed"], json(0));
        QVERIFY(session.finish());
        QCOMPARE(session.process().exitCode(), 0);
    }

    void cancelStopsTheRun_data()
    {
        QTest::addColumn<bool>("giveRunId");
        QTest::addColumn<bool>("otherRunId");
        QTest::addColumn<bool>("stops");

        QTest::newRow("with the run id") << true << false << true;
        QTest::newRow("without a run id") << false << false << true;
        QTest::newRow("another run's id") << true << true << false;
    }
    void cancelStopsTheRun()
    {
        QFETCH(bool, giveRunId);
        QFETCH(bool, otherRunId);
        QFETCH(bool, stops);

        Session session(configPath());
        json selection = playlistSelection("apple", "apple:pl-crate-digging");
        QVERIFY(session.request("startSync", selection).value("ok", false));
        json review = session.until("needsReview");
        QVERIFY(review.is_object());
        const std::string runId = review["correlationId"];

        json busy = session.request("startSync", selection);
        QCOMPARE(busy["error"]["code"], json("sync_in_progress"));

        json cancel = { { "id", "t-cancel" }, { "method", "cancelSync" } };
        if (giveRunId)
            cancel["params"] = { { "runId", otherRunId ? "run-elsewhere" : runId } };
        session.send(cancel);
        const size_t eventsBefore = session.events.size();
        json again = session.request("startSync", selection);
        QCOMPARE(again.value("ok", false), stops);
        if (!stops)
            return;
        std::vector<std::string> tail;
        for (size_t i = eventsBefore; i < session.events.size(); ++i)
            tail.push_back(session.events[i]["event"].get<std::string>());
        QCOMPARE(tail, (std::vector<std::string> { "log", "proxyStatus" }));
        QCOMPARE(session.events[eventsBefore]["data"]["message"], json("Sync cancelled"));
        QCOMPARE(session.events[eventsBefore + 1]["data"]["status"], json("off"));
        // The new run starts afresh with a new id.
        json started = session.until("syncStarted");
        QVERIFY(started.is_object());
        QVERIFY(started["correlationId"] != json(runId));
    }

    void closingInputEndsAWaitingRun()
    {
        Session session(configPath());
        QVERIFY(session.request("startSync", playlistSelection("apple", "apple:pl-vinyl-rips"))
                    .value("ok", false));
        QVERIFY(session.until("needsReview").is_object());
        QVERIFY(session.finish());
        QCOMPARE(session.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.process().exitCode(), 0);
    }

    void badRequests_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("code");

        QTest::newRow("not json") << QByteArray("hello") << ""
                                  << "bad_request";
        QTest::newRow("no method") << QByteArray(R"({"id":"b1"})") << "b1"
                                   << "bad_request";
        QTest::newRow("unknown method") << QByteArray(R"({"id":"b1","method":"GetConfig"})") << "b1"
                                        << "unknown_method";
        QTest::newRow("params not an object")
            << QByteArray(R"({"id":"b1","method":"getConfig","params":[1]})") << "b1"
            << "invalid_params";
        QTest::newRow("tracks without id")
            << QByteArray(R"({"id":"b1","method":"getPlaylistTracks","params":{"source":"apple"}})") << "b1"
            << "invalid_params";
        QTest::newRow("tracks of another source") << QByteArray(
            R"({"id":"b1","method":"getPlaylistTracks","params":{"source":"spotify","id":"apple:pl-vinyl-rips"}})")
                                                  << "b1"
                                                  << "invalid_params";
        QTest::newRow("sync of a folder") << QByteArray(
            R"({"id":"b1","method":"startSync","params":{"selection":[{"source":"apple","id":"apple:pl-radio"}]}})")
                                          << "b1"
                                          << "invalid_params";
        QTest::newRow("empty token") << QByteArray(
            R"({"id":"b1","method":"storeAccountToken","params":{"service":"spotify","token":""}})")
                                     << "b1"
                                     << "invalid_params";
        QTest::newRow("unknown service")
            << QByteArray(R"({"id":"b1","method":"disconnectAccount","params":{"service":"Spotify"}})")
            << "b1"
            << "invalid_params";
        QTest::newRow("unknown check")
            << QByteArray(R"({"id":"b1","method":"doctorFix","params":{"checkId":"x"}})") << "b1"
            << "invalid_params";
    }
    void badRequests()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, id);
        QFETCH(QString, code);

        Session session(configPath());
        session.sendRaw(line + "\r\n");
        json reply = session.replyTo(id.toStdString());
        QVERIFY(reply.is_object());
        QCOMPARE(reply["ok"], json(false));
        QCOMPARE(QString::fromStdString(reply["error"]["code"]), code);
        QVERIFY(reply["error"]["message"].is_string());
        // The session goes on.
        QVERIFY(session.request("proxyInfo").value("ok", false));
    }

    void libraryShapes()
    {
        Session session(configPath());
        json all = session.request("listPlaylists")["result"]["playlists"];
        std::set<std::string> sources, artworkKinds, ids;
        int folders = 0, nested = 0;
        for (auto& p : all) {
            ids.insert(p["id"].get<std::string>());
            sources.insert(p["source"].get<std::string>());
            artworkKinds.insert(p["artwork"]["kind"].get<std::string>());
            folders += p["isFolder"].get<bool>();
            if (p.contains("parentId")) {
                ++nested;
                QVERIFY2(
                    ids.contains(p["parentId"].get<std::string>()), "a parent is listed before its children");
            }
            QCOMPARE(p.contains("trackCount"), !p["isFolder"].get<bool>());
        }
        QVERIFY(all.size() >= 24);
        QCOMPARE(sources, (std::set<std::string> { "apple", "spotify" }));
        QCOMPARE(artworkKinds, (std::set<std::string> { "url", "appleMusic", "mosaic", "none" }));
        QVERIFY(folders >= 3 && nested >= 10);

        json apple = session.request("listPlaylists", { { "source", "apple" } })["result"]["playlists"];
        QVERIFY(!apple.empty() && apple.size() < all.size());
        for (auto& p : apple)
            QCOMPARE(p["source"], json("apple"));

        json tracks = session.request("getPlaylistTracks",
            { { "source", "apple" }, { "id", "apple:pl-acid-tools" },
                { "name", "Acid Tools" } })["result"]["tracks"];
        QCOMPARE(tracks.size(), size_t(14));
        std::set<std::string> onDisk;
        for (size_t row = 0; row < tracks.size(); ++row) {
            QCOMPARE(tracks[row]["id"], json("apple:pl-acid-tools#" + std::to_string(row)));
            onDisk.insert(tracks[row]["onDisk"].get<std::string>());
            if (tracks[row]["onDisk"] == "missing")
                QVERIFY(!tracks[row].contains("meta"));
        }
        QCOMPARE(onDisk, (std::set<std::string> { "present", "missing" }));
    }

    void generatedLibraryServesLargePlaylists()
    {
        Session session(configPath(), { QStringLiteral("MIVO_STANDIN_LIBRARY=3x10000") });
        json playlists = session.request("listPlaylists")["result"]["playlists"];
        QCOMPARE(playlists.size(), size_t(3));
        for (auto& p : playlists)
            QCOMPARE(p["trackCount"], json(10000));
        json first = playlists[0];
        json tracks = session.request("getPlaylistTracks",
            { { "source", first["source"] }, { "id", first["id"] } })["result"]["tracks"];
        QCOMPARE(tracks.size(), size_t(10000));
        QCOMPARE(tracks[9999]["id"], json(first["id"].get<std::string>() + "#9999"));
    }

    void provisionToolsReportsProgressBeforeItsResult()
    {
        Session session(configPath());
        json doctorBefore = session.request("runDoctor")["result"]["checks"];
        json reply = session.request("provisionTools");
        QCOMPARE(reply["result"]["ok"], json(true));
        std::map<std::string, std::vector<std::string>> phases;
        for (auto& e : session.events) {
            QCOMPARE(e["event"], json("toolProgress"));
            QVERIFY(!e.contains("correlationId"));
            auto& list = phases[e["data"]["tool"].get<std::string>()];
            if (list.empty() || list.back() != e["data"]["phase"])
                list.push_back(e["data"]["phase"].get<std::string>());
        }
        const std::vector<std::string> expected { "download", "verify", "install", "done" };
        QCOMPARE(phases["yt-dlp"], expected);
        QCOMPARE(phases["ffmpeg"], expected);
        for (auto& tool : reply["result"]["tools"])
            QCOMPARE(tool["status"], json("ok"));

        auto statusOf = [](json checks, const std::string& id) {
            for (auto& c : checks)
                if (c["id"] == id)
                    return c["status"].get<std::string>();
            return std::string();
        };
        QCOMPARE(statusOf(doctorBefore, "yt-dlp"), std::string("fail"));
        QCOMPARE(statusOf(session.request("runDoctor")["result"]["checks"], "yt-dlp"), std::string("ok"));
    }

    void doctorFixRepairsOneCheck()
    {
        Session session(configPath());
        json before = session.request("runDoctor")["result"]["checks"];
        json fixable;
        for (auto& c : before)
            if (c.value("fixable", false) && c["status"] != "ok")
                fixable = c;
        QVERIFY(fixable.is_object());
        QVERIFY(session.request("doctorFix", { { "checkId", fixable["id"] } }).value("ok", false));
        json after = session.request("runDoctor")["result"]["checks"];
        QCOMPARE(after.size(), before.size());
        int changed = 0;
        for (size_t i = 0; i < after.size(); ++i) {
            if (after[i] == before[i])
                continue;
            ++changed;
            QCOMPARE(after[i]["id"], fixable["id"]);
            QCOMPARE(after[i]["status"], json("ok"));
        }
        QCOMPARE(changed, 1);
    }

    void trashedOrphansAreNoLongerListed()
    {
        Session session(configPath());
        json selection = playlistSelection("spotify", "spotify:pl-late-night-drive");
        json paths = session.request("listOrphans", selection)["result"]["paths"];
        QVERIFY(paths.size() > 10);
        QVERIFY(session.request("trashOrphans", { { "paths", { paths[0], paths[3] } } }).value("ok", false));
        json rest = session.request("listOrphans", selection)["result"]["paths"];
        QCOMPARE(rest.size(), paths.size() - 2);
        for (auto& p : rest)
            QVERIFY(p != paths[0] && p != paths[3]);
    }

    void connectSpotifyConnectsTheAccount()
    {
        Session session(configPath());
        QCOMPARE(session.request("getConfig")["result"]["config"]["spotifyConnected"], json(false));
        QVERIFY(session.request("connectSpotify").value("ok", false));
        QCOMPARE(session.request("getConfig")["result"]["config"]["spotifyConnected"], json(true));
    }

    void replySwitches_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>(
            "replyOrder"); // ids in arrival order; "a" = the method, "b" = a later proxyInfo
        QTest::addColumn<QString>("errorCode");
        QTest::addColumn<bool>("bare");

        const QStringList ab { "a", "b" };
        QTest::newRow("silent") << "MIVO_STANDIN_SILENT=testProxy,runDoctor"
                                << "runDoctor" << QStringList { "b" } << "" << false;
        QTest::newRow("double reply") << "MIVO_STANDIN_DOUBLE_REPLY=getConfig"
                                      << "getConfig" << QStringList { "a", "a", "b" } << "" << false;
        QTest::newRow("wrong id") << "MIVO_STANDIN_WRONG_ID=getConfig"
                                  << "getConfig" << QStringList { "x-unknown", "b" } << "" << false;
        QTest::newRow("delay") << "MIVO_STANDIN_DELAY=testProxy=5;getConfig=300"
                               << "getConfig" << QStringList { "b", "a" } << "" << false;
        QTest::newRow("fail") << "MIVO_STANDIN_FAIL=runDoctor=not_configured;getConfig=internal"
                              << "runDoctor" << ab << "not_configured" << false;
        QTest::newRow("fail startSync") << "MIVO_STANDIN_FAIL=startSync=sync_in_progress"
                                        << "startSync" << ab << "sync_in_progress" << false;
        QTest::newRow("bare config") << "MIVO_STANDIN_BARE=getConfig"
                                     << "getConfig" << ab << "" << true;
        QTest::newRow("bare playlists") << "MIVO_STANDIN_BARE=listPlaylists,runDoctor"
                                        << "listPlaylists" << ab << "" << true;
        QTest::newRow("bare checks") << "MIVO_STANDIN_BARE=runDoctor"
                                     << "runDoctor" << ab << "" << true;
        QTest::newRow("bare orphans") << "MIVO_STANDIN_BARE=listOrphans"
                                      << "listOrphans" << ab << "" << true;
        QTest::newRow("bare tracks") << "MIVO_STANDIN_BARE=getPlaylistTracks"
                                     << "getPlaylistTracks" << ab << "" << true;
        QTest::newRow("bare leaves others wrapped") << "MIVO_STANDIN_BARE=listPlaylists"
                                                    << "runDoctor" << ab << "" << false;
    }
    void replySwitches()
    {
        QFETCH(QString, variable);
        QFETCH(QString, method);
        QFETCH(QStringList, replyOrder);
        QFETCH(QString, errorCode);
        QFETCH(bool, bare);

        static const std::map<std::string, json> kParams {
            { "startSync", playlistSelection("apple", "apple:pl-vinyl-rips") },
            { "listOrphans", playlistSelection("apple", "apple:pl-vinyl-rips") },
            { "getPlaylistTracks", { { "source", "apple" }, { "id", "apple:pl-vinyl-rips" } } },
        };
        Session session(configPath(), { variable });
        const std::string m = method.toStdString();
        session.send({ { "id", "a" }, { "method", m },
            { "params", kParams.contains(m) ? kParams.at(m) : json::object() } });
        session.send({ { "id", "b" }, { "method", "proxyInfo" } });

        QStringList order;
        json answer;
        while (!order.contains(QStringLiteral("b")) || order.size() < replyOrder.size()) {
            json line = session.next();
            QVERIFY(!line.is_null());
            if (line.contains("event"))
                continue;
            order << QString::fromStdString(line["id"].get<std::string>());
            if (line["id"] != "b")
                answer = line;
        }
        QCOMPARE(order, replyOrder);
        if (replyOrder.contains(QStringLiteral("b")) && replyOrder.size() == 1)
            return;
        QCOMPARE(answer["ok"], json(errorCode.isEmpty()));
        if (!errorCode.isEmpty()) {
            QCOMPARE(QString::fromStdString(answer["error"]["code"]), errorCode);
            QVERIFY(answer["error"]["message"].is_string());
            return;
        }
        json& result = answer["result"];
        if (!bare) {
            QVERIFY(result.is_object());
            return;
        }
        if (m == "getConfig")
            QVERIFY(result.is_object() && result.contains("sources") && !result.contains("config"));
        else
            QVERIFY(result.is_array() && !result.empty());
    }

    void crashSwitches_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<int>(
            "replies"); // answers before the end, of getConfig, listPlaylists, runDoctor, proxyInfo
        QTest::addColumn<bool>("crashed");
        QTest::addColumn<int>("code"); // exit status or signal

        QTest::newRow("at start, exit") << "MIVO_STANDIN_CRASH_AT_START=exit:7" << 0 << false << 7;
        QTest::newRow("at start, signal") << "MIVO_STANDIN_CRASH_AT_START=signal:9" << 0 << true << 9;
        QTest::newRow("after 2, default") << "MIVO_STANDIN_CRASH_AFTER=2" << 2 << false << 3;
        QTest::newRow("after 3, signal") << "MIVO_STANDIN_CRASH_AFTER=3,signal:15" << 3 << true << 15;
        QTest::newRow("on runDoctor") << "MIVO_STANDIN_CRASH_ON=runDoctor" << 2 << false << 3;
        QTest::newRow("on listPlaylists, exit 0")
            << "MIVO_STANDIN_CRASH_ON=listPlaylists,exit:0" << 1 << false << 0;
    }
    void crashSwitches()
    {
        QFETCH(QString, variable);
        QFETCH(int, replies);
        QFETCH(bool, crashed);
        QFETCH(int, code);

        Session session(configPath(), { variable });
        QVERIFY(session.process().waitForStarted(kWaitMs));
        for (const char* method : { "getConfig", "listPlaylists", "runDoctor", "proxyInfo" })
            session.ask(method);
        QVERIFY(session.waitForExit());
        QCOMPARE(session.process().exitStatus(), crashed ? QProcess::CrashExit : QProcess::NormalExit);
        QCOMPARE(session.process().exitCode(), code);
        int answered = 0;
        while (const auto line = session.rawLine()) {
            json reply = json::parse(line->toStdString());
            QCOMPARE(reply["id"], json("t" + std::to_string(++answered)));
        }
        QCOMPARE(answered, replies);
    }

    void noise_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("nonjson") << "nonjson";
        QTest::newRow("badutf8") << "badutf8";
        QTest::newRow("crlf") << "crlf";
        QTest::newRow("lonecr") << "lonecr";
        QTest::newRow("split") << "split";
        QTest::newRow("huge") << "huge";
        QTest::newRow("empty") << "empty";
    }
    void noise()
    {
        QFETCH(QString, kind);
        Session session(configPath(), { "MIVO_STANDIN_NOISE=" + kind });
        session.ask("getConfig");
        const auto line = session.rawLine();
        QVERIFY(line);
        const std::string text = line->toStdString();
        json parsed = json::parse(text, nullptr, false);
        if (kind == "nonjson" || kind == "badutf8") {
            QVERIFY(parsed.is_discarded());
            QVERIFY(line->endsWith('\n'));
            if (kind == "badutf8")
                QVERIFY(line->startsWith("{\"event\":\"log\""));
        } else if (kind == "lonecr") {
            QCOMPARE(*line, QByteArray("\r\n"));
        } else if (kind == "empty") {
            QCOMPARE(*line, QByteArray("\n"));
        } else {
            QVERIFY(line->endsWith(kind == "crlf" ? "}\r\n" : "}\n"));
            QCOMPARE(parsed["event"], json("log"));
            if (kind == "huge")
                QVERIFY(line->size() > 4 * 1024 * 1024);
        }
        // Nothing else comes before the reply.
        QCOMPARE(session.next()["id"], json("t1"));
    }

    void noiseKindsComeInTheGivenOrder()
    {
        Session session(configPath(), { QStringLiteral("MIVO_STANDIN_NOISE=empty,crlf,nonjson") });
        session.ask("getConfig");
        QCOMPARE(session.rawLine().value_or(""), QByteArray("\n"));
        QVERIFY(session.rawLine().value_or("").endsWith("}\r\n"));
        QVERIFY(json::parse(session.rawLine().value_or("").toStdString(), nullptr, false).is_discarded());
        QCOMPARE(session.next()["id"], json("t1"));
    }

    void floodComesBeforeService()
    {
        Session session(configPath(), { QStringLiteral("MIVO_STANDIN_FLOOD=600") });
        session.ask("getConfig");
        std::set<std::string> kinds;
        for (int i = 0; i < 600; ++i) {
            json line = session.next();
            QVERIFY(line.is_object());
            kinds.insert(line["event"].get<std::string>());
            QVERIFY(line.contains("correlationId"));
        }
        QCOMPARE(kinds, (std::set<std::string> { "downloadProgress", "step", "log" }));
        json done = session.next();
        QCOMPARE(done["data"]["message"], json("flood done"));
        QCOMPARE(session.next()["id"], json("t1"));
    }

    void diagnosticsGoToStandardError()
    {
        Session session(configPath(), { QStringLiteral("MIVO_STANDIN_STDERR=1") });
        QVERIFY(session.request("getConfig").value("ok", false));
        QVERIFY(session.finish());
        const QByteArray diagnostics = session.process().readAllStandardError();
        QVERIFY(diagnostics.contains("getConfig"));
        QVERIFY(diagnostics.count('\n') >= 2);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");

        QTest::newRow("version") << QStringList { "--version" } << 0
                                 << QByteArray("mivo ") + mivo::build::kVersion + " (stand-in)\n";
        QTest::newRow("no argument") << QStringList {} << 2 << QByteArray();
        QTest::newRow("unknown argument") << QStringList { "sync" } << 2 << QByteArray();
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);

        Session session(configPath(), {}, arguments);
        QVERIFY(session.waitForExit());
        QCOMPARE(session.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.process().exitCode(), exitCode);
        QCOMPARE(session.process().readAllStandardOutput(), output);
        QCOMPARE(session.process().readAllStandardError().contains("usage"), exitCode == 2);
    }
};

QTEST_GUILESS_MAIN(TestStandInHelper)
#include "tst_standinhelper.moc"
