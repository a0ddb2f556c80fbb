#include "State/StoreRequests.h"

namespace mivo::StoreRequests {

QString errorText(const std::exception& error)
{
    if (const auto* helperError = dynamic_cast<const HelperError*>(&error))
        return helperError->userText();
    return QString::fromUtf8(error.what());
}

HelperClienting& requireClient(const QPointer<HelperClienting>& client)
{
    if (!client)
        throw HelperError::helperUnavailable();
    return *client;
}

} // namespace mivo::StoreRequests
