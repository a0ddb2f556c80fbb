#include "Support/SubscriptionAddress.h"

#include <QCoreApplication>
#include <QUrl>

namespace mivo::SubscriptionAddress {

bool isAcceptable(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"https" || scheme == u"http") && !url.host().isEmpty();
}

QString refusalText()
{
    return QCoreApplication::translate(
        "SubscriptionAddress", "Not a subscription URL: paste the whole address, starting with https://.");
}

} // namespace mivo::SubscriptionAddress
