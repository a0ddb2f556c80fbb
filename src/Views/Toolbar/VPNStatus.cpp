#include "Views/Toolbar/VPNStatus.h"

#include "Styling/Inflection.h"

#include <QTextBoundaryFinder>

namespace mivo {

namespace {

const QString kSeparator = QStringLiteral(" \u2014 ");

// Whether a user-perceived character is one numeric code point (a digit with a
// combining mark is not a number).
bool isNumericCharacter(QStringView character)
{
    const QList<uint> codePoints = character.toUcs4();
    return codePoints.size() == 1 && QChar::isNumber(char32_t(codePoints.first()));
}

QString statusTextOf(const VPNStatus::Inputs& in, const VPNStatus& s)
{
    const QString nodes = s.serverCount ? kSeparator + VPNStatus::nodeText(*s.serverCount) : QString();
    if (in.feedback == VPNStatus::TestFeedback::failure)
        return VPNStatus::tr("Connection test failed");
    if (in.feedback == VPNStatus::TestFeedback::success)
        return VPNStatus::tr("Connection test passed") + nodes;
    switch (s.liveStatus) {
    case ProxyStatusValue::connecting:
        return in.testing ? VPNStatus::tr("Testing connection…")
                          : VPNStatus::tr("Connecting to Corvane VPN…");
    case ProxyStatusValue::off:
        return in.enabled ? VPNStatus::tr("On") + nodes : VPNStatus::tr("Corvane VPN is off");
    case ProxyStatusValue::connected:
        return in.pushedDetail ? VPNStatus::tr("Connected (%1)").arg(*in.pushedDetail)
                               : VPNStatus::tr("Connected");
    case ProxyStatusValue::down:
        return VPNStatus::tr("Disconnected") + kSeparator + VPNStatus::tr("Soulseek is paused");
    case ProxyStatusValue::error:
        return VPNStatus::tr("Connection error") + kSeparator + VPNStatus::tr("Soulseek is paused");
    }
    return {};
}

std::optional<QString> labelTextOf(const VPNStatus::Inputs& in, const VPNStatus& s)
{
    if (in.feedback == VPNStatus::TestFeedback::failure)
        return VPNStatus::tr("Failed");
    if (!in.enabled)
        return std::nullopt;
    if (s.serverCount)
        return VPNStatus::nodeText(*s.serverCount);
    if (s.liveStatus == ProxyStatusValue::connecting)
        return VPNStatus::tr("Testing…");
    return VPNStatus::tr("On");
}

QString iconOf(const VPNStatus::Inputs& in, const VPNStatus& s)
{
    if (in.feedback == VPNStatus::TestFeedback::failure)
        return QStringLiteral("xmark.shield.fill");
    if (in.feedback == VPNStatus::TestFeedback::success)
        return QStringLiteral("checkmark.shield.fill");
    switch (s.liveStatus) {
    case ProxyStatusValue::off:
        return in.enabled ? QStringLiteral("lock.shield.fill") : QStringLiteral("lock.shield");
    case ProxyStatusValue::connecting:
        return QStringLiteral("lock.shield");
    case ProxyStatusValue::connected:
        return QStringLiteral("lock.shield.fill");
    case ProxyStatusValue::down:
    case ProxyStatusValue::error:
        return QStringLiteral("exclamationmark.shield.fill");
    }
    return {};
}

ThemeColor tintOf(const VPNStatus::Inputs& in, const VPNStatus& s)
{
    if (in.feedback == VPNStatus::TestFeedback::failure)
        return ThemeColor::red();
    if (in.feedback == VPNStatus::TestFeedback::success)
        return ThemeColor::green();
    switch (s.liveStatus) {
    case ProxyStatusValue::down:
    case ProxyStatusValue::error:
        return ThemeColor::red();
    case ProxyStatusValue::off:
        return in.enabled ? ThemeColor::accent() : ThemeColor::secondary();
    case ProxyStatusValue::connecting:
        return ThemeColor::yellow();
    case ProxyStatusValue::connected:
        return ThemeColor::green();
    }
    return ThemeColor::secondary();
}

} // namespace

VPNStatus VPNStatus::of(const Inputs& in)
{
    VPNStatus s;
    if (in.testing)
        s.liveStatus = ProxyStatusValue::connecting;
    else
        s.liveStatus = in.enabled ? in.pushedStatus : ProxyStatusValue::off;
    // The pushed status counts here, not the live one: the helper's detail names
    // the servers in use while it reports the routing connected.
    std::optional<qint64> pushedCount;
    if (in.pushedStatus == ProxyStatusValue::connected && in.pushedDetail)
        pushedCount = leadingNumber(*in.pushedDetail);
    s.serverCount = pushedCount ? pushedCount : in.nodeCount;
    s.statusText = statusTextOf(in, s);
    s.labelText = labelTextOf(in, s);
    s.icon = iconOf(in, s);
    s.tint = tintOf(in, s);
    return s;
}

std::optional<qint64> VPNStatus::leadingNumber(const QString& text)
{
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    qsizetype end = 0;
    while (true) {
        const qsizetype next = characters.toNextBoundary();
        if (next < 0 || !isNumericCharacter(QStringView(text).mid(start, next - start)))
            break;
        end = next;
        start = next;
    }
    if (end == 0)
        return std::nullopt;
    const QStringView digits = QStringView(text).left(end);
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok, 10);
    return ok ? std::optional(value) : std::nullopt;
}

QString VPNStatus::nodeText(qint64 count)
{
    return tr("%n node(s)", nullptr, Inflection::forTr(count));
}

} // namespace mivo
