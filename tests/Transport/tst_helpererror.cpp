#include "Transport/HelperError.h"

#include <QtTest>

using namespace mivo;

using OptionalCode = std::optional<EngineErrorCode>;

class TestHelperError : public QObject {
    Q_OBJECT

private slots:
    void userText_data()
    {
        QTest::addColumn<HelperError>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("decodeFailure")
            << HelperError::decodeFailure("abc") << "Could not understand a message from the helper: abc";
        QTest::newRow("engineError") << HelperError::engineError(
            "sync_in_progress", "A sync is already running.")
                                     << "A sync is already running.";
        QTest::newRow("helperMissing")
            << HelperError::helperMissing() << "The mivo helper could not be found in the app bundle.";
        QTest::newRow("helperCrashed")
            << HelperError::helperCrashed() << "The mivo helper stopped unexpectedly.";
        QTest::newRow("helperUnavailable")
            << HelperError::helperUnavailable() << "The mivo helper is not available.";
        QTest::newRow("requestTimedOut")
            << HelperError::requestTimedOut() << "The request to the helper timed out.";
        QTest::newRow("cancelled") << HelperError::cancelled() << "The request was cancelled.";
    }
    void userText()
    {
        QFETCH(HelperError, error);
        QFETCH(QString, text);
        QCOMPARE(error.userText(), text);
        // Code that only sees a std::exception shows the same text.
        const std::exception& plain = error;
        QCOMPARE(QString::fromUtf8(plain.what()), text);
    }

    void engineCode_data()
    {
        QTest::addColumn<HelperError>("error");
        QTest::addColumn<OptionalCode>("code");
        QTest::newRow("known code") << HelperError::engineError("spotify_auth_expired", "m")
                                    << OptionalCode(EngineErrorCode::spotifyAuthExpired);
        QTest::newRow("unknown code") << HelperError::engineError("quota_exceeded", "m") << OptionalCode();
        QTest::newRow("case differs") << HelperError::engineError("Internal", "m") << OptionalCode();
        QTest::newRow("not an engine error") << HelperError::helperCrashed() << OptionalCode();
        QTest::newRow("detail that looks like a code")
            << HelperError::decodeFailure("internal") << OptionalCode();
    }
    void engineCode()
    {
        QFETCH(HelperError, error);
        QFETCH(OptionalCode, code);
        QCOMPARE(error.engineCode(), code);
    }

    void equality_data()
    {
        QTest::addColumn<HelperError>("a");
        QTest::addColumn<HelperError>("b");
        QTest::addColumn<bool>("equal");
        QTest::newRow("same engine error") << HelperError::engineError("internal", "boom")
                                           << HelperError::engineError("internal", "boom") << true;
        QTest::newRow("engine error, other message") << HelperError::engineError("internal", "boom")
                                                     << HelperError::engineError("internal", "bang") << false;
        QTest::newRow("engine error, other code") << HelperError::engineError("internal", "boom")
                                                  << HelperError::engineError("bad_request", "boom") << false;
        QTest::newRow("decode failures, other detail")
            << HelperError::decodeFailure("a") << HelperError::decodeFailure("b") << false;
        QTest::newRow("different cases")
            << HelperError::helperCrashed() << HelperError::helperUnavailable() << false;
        QTest::newRow("same case") << HelperError::requestTimedOut() << HelperError::requestTimedOut()
                                   << true;
    }
    void equality()
    {
        QFETCH(HelperError, a);
        QFETCH(HelperError, b);
        QFETCH(bool, equal);
        QCOMPARE(a == b, equal);
        QCOMPARE(b == a, equal);
    }
};

QTEST_GUILESS_MAIN(TestHelperError)
#include "tst_helpererror.moc"
