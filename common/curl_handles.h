// Owning wrappers for the libcurl handles that both HTTP clients of the
// program use: the web layer's one-shot exchanges and the download engine.
// Each closes its handle when destroyed; a null handle is allowed and ignored.
// A handle belongs to one thread at a time, as libcurl requires.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace ld {

struct EasyHandleCleanup {
    void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyHandleCleanup>;

struct HeaderListCleanup {
    void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListCleanup>;

struct UrlHandleCleanup {
    void operator()(CURLU* handle) const noexcept { curl_url_cleanup(handle); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleCleanup>;

}  // namespace ld
