#include "State/StoreRequests.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "Transport/ResultRecords.h"

#include <QtTest>
#include <stdexcept>

using namespace mivo;
using mivo::test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;

namespace {

// What the helper answers to one attempt.
enum class Answer { wrapped, bare, undecodable, absent, timeout, engineError, crash };

Outcome outcome(Answer answer)
{
    switch (answer) {
    case Answer::wrapped:
        return Outcome::result(R"({"paths": ["/music/a.flac", "/music/b.mp3"]})");
    case Answer::bare:
        return Outcome::result(R"(["/music/a.flac", "/music/b.mp3"])");
    case Answer::undecodable:
        return Outcome::result(R"({"paths": "not a list"})");
    case Answer::absent:
        return Outcome::absent();
    case Answer::timeout:
        return Outcome::timeout();
    case Answer::engineError:
        return Outcome::engineError(QStringLiteral("internal"), QStringLiteral("the library file is locked"));
    case Answer::crash:
        return Outcome::crash();
    }
    return Outcome::absent();
}

const QList<QString> kPaths { QStringLiteral("/music/a.flac"), QStringLiteral("/music/b.mp3") };
const QString kDecodePrefix = QStringLiteral("Could not understand a message from the helper: ");

Request listOrphans()
{
    return Request::listOrphans(
        { PlaylistSelection { PlaylistSourceId::spotify, QStringLiteral("p1"), std::nullopt } });
}

// Runs the read to its end; the error's text on failure.
std::variant<QList<QString>, QString> read(
    ScriptedHelperClient& client, std::function<bool()> stillWanted = {})
{
    test::TaskProbe<QList<QString>> probe(
        readWithFallback(client, listOrphans(), &OrphansResult::paths, std::move(stillWanted)));
    if (!QTest::qWaitFor([&probe] { return probe.isDone(); }))
        return QStringLiteral("still waiting");
    if (const auto error = probe.error<HelperError>())
        return error->userText();
    return probe.value();
}

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestStoreRequests : public QObject {
    Q_OBJECT

private slots:
    void fallbackRule_data()
    {
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QString>("error"); // exact text, or a prefix ending in ": "

        QTest::newRow("wrapper read once") << QList { Answer::wrapped } << true << QString();
        QTest::newRow("bare answer costs a second request")
            << QList { Answer::bare, Answer::bare } << true << QString();
        QTest::newRow("time-out, then bare") << QList { Answer::timeout, Answer::bare } << true << QString();
        QTest::newRow("engine error, then bare")
            << QList { Answer::engineError, Answer::bare } << true << QString();
        QTest::newRow("crash, then bare") << QList { Answer::crash, Answer::bare } << true << QString();
        QTest::newRow("absent result, then bare")
            << QList { Answer::absent, Answer::bare } << true << QString();
        QTest::newRow("only the second failure is shown") << QList { Answer::engineError,
            Answer::timeout } << false << QStringLiteral("The request to the helper timed out.");
        QTest::newRow("second failure's engine message as sent") << QList { Answer::timeout,
            Answer::engineError } << false << QStringLiteral("the library file is locked");
        QTest::newRow("second answer undecodable")
            << QList { Answer::crash, Answer::undecodable } << false << kDecodePrefix;
        // A first request that timed out behind a burst of events says nothing
        // of the form the helper answers in.
        QTest::newRow("time-out, then the wrapper again")
            << QList { Answer::timeout, Answer::wrapped } << true << QString();
    }
    void fallbackRule()
    {
        QFETCH(QList<Answer>, answers);
        QFETCH(bool, succeeds);
        QFETCH(QString, error);

        ScriptedHelperClient client;
        for (Answer answer : answers)
            client.enqueue(Method::listOrphans, outcome(answer));

        const auto result = read(client);

        if (succeeds) {
            QCOMPARE(std::get<QList<QString>>(result), kPaths);
        } else {
            QVERIFY(std::holds_alternative<QString>(result));
            const QString text = std::get<QString>(result);
            if (error.endsWith(QStringLiteral(": ")))
                QVERIFY2(text.startsWith(error), qPrintable(text));
            else
                QCOMPARE(text, error);
        }
        // The second attempt repeats the same request, with the same time-out.
        QCOMPARE(client.sent().size(), answers.size());
        for (const auto& sent : client.sent()) {
            QCOMPARE(sent.request, listOrphans());
            QCOMPARE(sent.timeout, std::optional(std::chrono::milliseconds(15000)));
        }
    }

    void supersededCallerSendsNoSecondRequest()
    {
        ScriptedHelperClient client;
        client.enqueue(Method::listOrphans, { outcome(Answer::bare), outcome(Answer::bare) });
        int asked = 0;

        const auto result = read(client, [&asked] {
            ++asked;
            return false;
        });

        QCOMPARE(asked, 1);
        QCOMPARE(client.sent().size(), 1);
        QCOMPARE(std::get<QString>(result), HelperError::cancelled().userText());
    }

    void wantedCallerIsAskedOnlyAfterAFailure()
    {
        ScriptedHelperClient client;
        client.enqueue(Method::listOrphans, outcome(Answer::wrapped));
        int asked = 0;

        const auto result = read(client, [&asked] {
            ++asked;
            return true;
        });

        QCOMPARE(std::get<QList<QString>>(result), kPaths);
        QCOMPARE(asked, 0);
    }

    void clientGoneBeforeTheSecondRequest()
    {
        auto* client = new ScriptedHelperClient;
        client->enqueue(Method::listOrphans, { outcome(Answer::bare), outcome(Answer::bare) });
        test::TaskProbe<QList<QString>> probe(
            readWithFallback(*client, listOrphans(), &OrphansResult::paths));
        delete client;

        QTRY_VERIFY(probe.isDone());
        QCOMPARE(probe.error<HelperError>(), HelperError::helperUnavailable());
    }

    void errorText_data()
    {
        QTest::addColumn<std::shared_ptr<std::exception>>("error");
        QTest::addColumn<QString>("text");

        QTest::newRow("engine error shows the helper's message") << std::shared_ptr<std::exception>(
            new HelperError(HelperError::engineError("internal", "Disk full.")))
                                                                 << QStringLiteral("Disk full.");
        QTest::newRow("time-out") << std::shared_ptr<std::exception>(
            new HelperError(HelperError::requestTimedOut()))
                                  << QStringLiteral("The request to the helper timed out.");
        QTest::newRow("decode failure")
            << std::shared_ptr<std::exception>(new HelperError(HelperError::decodeFailure("abc")))
            << QStringLiteral("Could not understand a message from the helper: abc");
        QTest::newRow("any other error: its own description") << std::shared_ptr<std::exception>(
            new std::runtime_error("pipe closed: état")) << QStringLiteral("pipe closed: état");
    }
    void errorText()
    {
        QFETCH(std::shared_ptr<std::exception>, error);
        QFETCH(QString, text);
        QCOMPARE(StoreRequests::errorText(*error), text);
    }
};

QTEST_GUILESS_MAIN(TestStoreRequests)
#include "tst_storerequests.moc"
