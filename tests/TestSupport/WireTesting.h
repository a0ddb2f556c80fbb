#pragma once

#include "Transport/JSONValue.h"
#include "Transport/Request.h"
#include "Transport/Response.h"
#include "Transport/ServerEvent.h"
#include "Transport/WireCoding.h"

#include <QDebug>
#include <QMetaType>
#include <QVariant>
#include <QtTest>

// Helpers for tests of the wire records: readable failure output and table rows
// that hold a record of any type in a QVariant.
namespace mivo {

template <WireRecord T> QDebug operator<<(QDebug debug, const T& value)
{
    QDebugStateSaver saver(debug);
    try {
        debug.noquote() << QString::fromUtf8(dumpJson(encodeValue(value)));
    } catch (const EncodeError& error) {
        debug << "<unencodable:" << error.what() << ">";
    }
    return debug;
}

inline QDebug operator<<(QDebug debug, const JSONValue& value)
{
    QDebugStateSaver saver(debug);
    try {
        debug.noquote() << QString::fromUtf8(dumpJson(toJson(value)));
    } catch (const EncodeError& error) {
        debug << "<unencodable:" << error.what() << ">";
    }
    return debug;
}

inline QDebug operator<<(QDebug debug, const Request& request)
{
    QDebugStateSaver saver(debug);
    try {
        debug.noquote() << QString::fromUtf8(request.encodedLine(QStringLiteral("id")));
    } catch (const EncodeError& error) {
        debug << "<unencodable:" << error.what() << ">";
    }
    return debug;
}

inline QDebug operator<<(QDebug debug, const Response& response)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Response(id=" << response.id << ", ok=" << response.ok << ", result=";
    if (response.result)
        debug << *response.result;
    else
        debug << "none";
    if (response.error) {
        debug << ", error=" << response.error->code << "/" << response.error->message << "/";
        if (response.error->data)
            debug << *response.error->data;
        else
            debug << "none";
    }
    return debug << ")";
}

inline QDebug operator<<(QDebug debug, const ServerEvent& event)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "ServerEvent(case " << event.value.index();
    if (const auto* unknown = std::get_if<ServerEvent::Unknown>(&event.value))
        debug << ", type=" << unknown->type << ", raw=" << unknown->raw;
    return debug << ")";
}

} // namespace mivo

namespace mivo::test {

// JSON text written with single quotes, for readable literals in tests (raw
// string literals confuse moc). Every ' becomes "; write \u0027 for a quote
// character inside a string.
inline QByteArray jsonLine(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

// Decodes one literal line as T and compares it with the expected value.
// A record as a table cell (record types are registered metatypes).
template <typename T> QVariant record(const T& value)
{
    return QVariant::fromValue(value);
}

template <typename T> void verifyDecodes(const QByteArray& line, const T& expected)
{
    T decoded {};
    try {
        decoded = decodeValue<T>(parseJsonLine(line));
    } catch (const DecodeError& error) {
        QFAIL(qPrintable(QStringLiteral("decoding failed: %1").arg(QString::fromUtf8(error.what()))));
    }
    QCOMPARE(decoded, expected);
}

// The encoded text, key order and omitted keys included.
template <typename T> void verifyEncodes(const T& value, const QByteArray& line)
{
    QByteArray encoded;
    try {
        encoded = dumpJson(encodeValue(value));
    } catch (const EncodeError& error) {
        QFAIL(qPrintable(QStringLiteral("encoding failed: %1").arg(QString::fromUtf8(error.what()))));
    }
    QCOMPARE(encoded, line);
}

// Decodes the line as the expected value, then encodes that value back to the
// exact same text.
template <typename T> void verifyRoundTrip(const QByteArray& line, const T& expected)
{
    verifyDecodes(line, expected);
    if (QTest::currentTestFailed())
        return;
    verifyEncodes(expected, line);
}

// The line is refused with a reason.
template <typename T> void verifyRejects(const QByteArray& line)
{
    try {
        const T decoded = decodeValue<T>(parseJsonLine(line));
        QFAIL(qPrintable(
            QStringLiteral("accepted as %1: %2").arg(wireTypeName<T>(), QDebug::toString(decoded))));
    } catch (const DecodeError& error) {
        QVERIFY2(qstrlen(error.what()) > 0, "a decode error without a reason");
    }
}

// Calls check(value) with the value held by the variant, for the one type of
// Types that it holds. Fails the test when it holds none of them.
template <typename... Types, typename Check> void withRecord(const QVariant& variant, Check&& check)
{
    const bool handled
        = ((variant.metaType() == QMetaType::fromType<Types>() ? (check(variant.value<Types>()), true)
                                                               : false)
            || ...);
    QVERIFY2(handled, variant.metaType().name());
}

} // namespace mivo::test
