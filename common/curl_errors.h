// How libcurl's result codes group for the program's two HTTP clients (the web
// layer and the download engine), so both tell a refused certificate or TLS
// handshake the same way. Pure functions, any thread.
#pragma once

#include <curl/curl.h>

namespace ld {

// The secure channel could not be set up: handshake, certificate, TLS engine.
constexpr bool isTlsFailure(CURLcode code) noexcept {
    switch (code) {
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_USE_SSL_FAILED:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_SHUTDOWN_FAILED:
            return true;
        default:
            return false;
    }
}

// The host name (or the proxy's) could not be resolved.
constexpr bool isNameResolutionFailure(CURLcode code) noexcept {
    return code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_RESOLVE_PROXY;
}

}  // namespace ld
