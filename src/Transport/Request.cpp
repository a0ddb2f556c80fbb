#include "Transport/Request.h"

#include "Transport/WireCoding.h"

namespace mivo {

namespace {

static_assert(std::variant_size_v<Request::Value> == allCases<Method>().size(),
    "one request case per method, in the declared order of Method");

using Params = std::optional<nlohmann::ordered_json>;

// The methods without parameters write no "params" key.
template <typename Case> Params paramsOf(const Case&)
{
    static_assert(std::is_empty_v<Case>, "a request case with parameters needs its own paramsOf");
    return std::nullopt;
}

Params paramsOf(const Request::SetConfig& request)
{
    return encodeFields(request, std::tuple { wireField("patch", &Request::SetConfig::patch) });
}

Params paramsOf(const Request::StoreAccountToken& request)
{
    return encodeFields(request,
        std::tuple { wireField("service", &Request::StoreAccountToken::service),
            wireField("token", &Request::StoreAccountToken::token),
            wireField("clientId", &Request::StoreAccountToken::clientId) });
}

Params paramsOf(const Request::DisconnectAccount& request)
{
    return encodeFields(request, std::tuple { wireField("service", &Request::DisconnectAccount::service) });
}

Params paramsOf(const Request::ListPlaylists& request)
{
    if (!request.source)
        return std::nullopt;
    return encodeFields(request, std::tuple { wireField("source", &Request::ListPlaylists::source) });
}

Params paramsOf(const Request::GetPlaylistTracks& request)
{
    return encodeFields(request,
        std::tuple { wireField("source", &Request::GetPlaylistTracks::source),
            wireField("id", &Request::GetPlaylistTracks::id),
            wireField("name", &Request::GetPlaylistTracks::name) });
}

Params paramsOf(const Request::StartSync& request)
{
    return encodeFields(request,
        std::tuple { wireField("selection", &Request::StartSync::selection),
            wireField("options", &Request::StartSync::options) });
}

Params paramsOf(const Request::CancelSync& request)
{
    if (!request.runId)
        return std::nullopt;
    return encodeFields(request, std::tuple { wireField("runId", &Request::CancelSync::runId) });
}

Params paramsOf(const Request::ReviewDecision& request)
{
    return encodeFields(request,
        std::tuple { wireField("runId", &Request::ReviewDecision::runId),
            wireField("trackId", &Request::ReviewDecision::trackId),
            wireField("decision", &Request::ReviewDecision::decision) });
}

Params paramsOf(const Request::ListOrphans& request)
{
    return encodeFields(request, std::tuple { wireField("selection", &Request::ListOrphans::selection) });
}

Params paramsOf(const Request::TrashOrphans& request)
{
    return encodeFields(request, std::tuple { wireField("paths", &Request::TrashOrphans::paths) });
}

Params paramsOf(const Request::DoctorFix& request)
{
    return encodeFields(request, std::tuple { wireField("checkId", &Request::DoctorFix::checkId) });
}

} // namespace

Method Request::method() const
{
    return allCases<Method>()[value.index()];
}

QByteArray Request::encodedLine(const QString& id) const
{
    nlohmann::ordered_json line = nlohmann::ordered_json::object();
    line.emplace("id", encodeValue(id));
    line.emplace("method", std::string(rawValue(method())));
    if (Params params = std::visit([](const auto& request) { return paramsOf(request); }, value))
        line.emplace("params", std::move(*params));
    return dumpJson(line);
}

} // namespace mivo
