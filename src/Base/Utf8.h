#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <optional>

namespace mivo {

// The bytes as text when they are valid UTF-8 as a whole; nothing otherwise.
inline std::optional<QString> decodeUtf8Strict(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Valid UTF-8 as text, byte for byte: a leading U+FEFF is an ordinary character
// and stays (QString::fromUtf8 would drop it). Invalid sequences become U+FFFD.
inline QString decodeUtf8Exact(QByteArrayView bytes)
{
    QStringDecoder decoder(
        QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// The text as UTF-8; a lone surrogate, which UTF-8 cannot carry, becomes U+FFFD
// (QString::toUtf8 would write a question mark).
inline QByteArray encodeUtf8Exact(QStringView text)
{
    QString repaired;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool paired = c.isHighSurrogate() ? i + 1 < text.size() && text[i + 1].isLowSurrogate()
                                                : !c.isLowSurrogate() || (i > 0 && text[i - 1].isHighSurrogate());
        if (paired)
            continue;
        if (repaired.isNull())
            repaired = text.toString();
        repaired[i] = QChar::ReplacementCharacter;
    }
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    return encoder.encode(repaired.isNull() ? text : QStringView(repaired));
}

} // namespace mivo
