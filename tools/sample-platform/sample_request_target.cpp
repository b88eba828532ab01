#include "tools/sample-platform/sample_request_target.h"

#include <algorithm>
#include <cctype>

namespace ld::sample {

std::string lowerHostOnly(std::string authority) {
    const auto colon = authority.find(':');
    if (colon != std::string::npos) {
        authority.resize(colon);
    }
    std::transform(authority.begin(), authority.end(), authority.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return authority;
}

std::string requestedHost(const httplib::Request& request) {
    if (request.matches.size() > 1 && request.matches[1].matched) {
        return lowerHostOnly(request.matches[1].str());
    }
    return lowerHostOnly(request.get_header_value("Host"));
}

std::string originTarget(const httplib::Request& request) {
    const std::string& target = request.target;
    if (target.size() > 7 &&
        (target.compare(0, 7, "http://") == 0 || target.compare(0, 7, "HTTP://") == 0)) {
        const auto slash = target.find('/', 7);
        return slash == std::string::npos ? std::string("/") : target.substr(slash);
    }
    return target;
}

bool isLoopbackName(const std::string& host) {
    return host.empty() || host == "127.0.0.1" || host == "localhost" || host == "[::1]";
}

}  // namespace ld::sample
