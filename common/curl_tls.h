// The TLS policy both HTTP clients of the program (the web layer and the
// download engine) give each libcurl transfer. Certificates are always
// verified. On Windows libcurl uses the system's own TLS (Schannel), which by
// default also fails a handshake when the certificate's revocation list
// cannot be reached (a closed network, a proxy that blocks it); there a
// revocation check that cannot be made does not stop the transfer, as in the
// system's own browsers, while a certificate known to be revoked still does.
#pragma once

#include <curl/curl.h>

namespace ld {

// Returns libcurl's answer to the option (CURLE_OK elsewhere than Windows).
inline CURLcode applyTlsPolicy(CURL* handle) {
#if defined(_WIN32)
    return curl_easy_setopt(handle, CURLOPT_SSL_OPTIONS, long{CURLSSLOPT_REVOKE_BEST_EFFORT});
#else
    (void)handle;
    return CURLE_OK;
#endif
}

}  // namespace ld
