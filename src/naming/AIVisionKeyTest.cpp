// Checking a key with the provider before it is stored.
#include "naming/AIVision.h"
#include "naming/AIVisionRequests.h"
#include "naming/HttpClient.h"

namespace quelso::AIVision {

bool testKey(RenameProvider provider, const std::string& apiKey, const std::string& model, const std::string& baseURL) {
    if (provider == RenameProvider::appleVision) return true;
    if (apiKey.empty()) return false;
    const std::optional<Service> remote = service(provider, apiKey, baseURL);
    if (!remote) return false;
    const Call call = keyTestCall(*remote, modelFor(provider, model));
    if (!HttpClient::isValidURL(call.url)) return false;
    return httpOK(call.url, remote->credentials, call.method, call.body);
}

} // namespace quelso::AIVision
