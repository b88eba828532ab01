// Whether two addresses name the same resource: the same scheme, host (with
// its port) and path. The query and the fragment are left out, since play
// addresses carry keys that change with every resolution; scheme and host
// compare without regard to ASCII case, the path exactly. "http://host" names
// the same as "http://host/". Pure functions on bytes, usable from any thread.
#pragma once

#include <string_view>

#include "common/ascii.h"

namespace ld {

namespace resource_address_detail {

// The address up to its query or fragment, split after "scheme://host[:port]".
struct AddressParts {
    std::string_view origin;
    std::string_view path;
};

constexpr AddressParts resourceParts(std::string_view url) noexcept {
    url = url.substr(0, url.find_first_of("?#"));
    const auto schemeEnd = url.find("://");
    const auto pathStart = schemeEnd == std::string_view::npos ? 0 : url.find('/', schemeEnd + 3);
    if (pathStart == std::string_view::npos) {
        return {url, "/"};
    }
    return {url.substr(0, pathStart), url.substr(pathStart)};
}

}  // namespace resource_address_detail

constexpr bool sameResourceAddress(std::string_view a, std::string_view b) noexcept {
    const resource_address_detail::AddressParts first = resource_address_detail::resourceParts(a);
    const resource_address_detail::AddressParts second = resource_address_detail::resourceParts(b);
    return equalsIgnoreCase(first.origin, second.origin) && first.path == second.path;
}

}  // namespace ld
