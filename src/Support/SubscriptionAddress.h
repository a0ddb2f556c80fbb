#pragma once

#include <QString>

// A VPN subscription as the user pastes it: an absolute web address.
namespace mivo::SubscriptionAddress {

// Whether `text`, without the spaces around it, is an absolute http or https
// address with a host.
bool isAcceptable(const QString& text);

// What the field says when it refuses an address.
QString refusalText();

} // namespace mivo::SubscriptionAddress
