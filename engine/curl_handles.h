// The engine's libcurl multi handle; the easy-handle and header-list owners
// come from the helpers the web layer shares (common/curl_handles.h).
#pragma once

#include <chrono>

#include <curl/curl.h>

#include "common/curl_handles.h"

namespace ld::engine {

// The multi handle the engine thread drives. Only curl_multi_wakeup (wakeup()) may be called
// from other threads.
class MultiHandle {
  public:
    MultiHandle() : handle_(curl_multi_init()) {}
    MultiHandle(const MultiHandle&) = delete;
    MultiHandle& operator=(const MultiHandle&) = delete;
    ~MultiHandle() {
        if (handle_ != nullptr) {
            curl_multi_cleanup(handle_);
        }
    }

    bool valid() const { return handle_ != nullptr; }
    CURLM* get() const { return handle_; }
    bool add(CURL* easy) { return curl_multi_add_handle(handle_, easy) == CURLM_OK; }
    void remove(CURL* easy) { curl_multi_remove_handle(handle_, easy); }
    void perform() {
        int running = 0;
        curl_multi_perform(handle_, &running);
    }
    void poll(std::chrono::milliseconds timeout) {
        curl_multi_poll(handle_, nullptr, 0, static_cast<int>(timeout.count()), nullptr);
    }
    void wakeup() { curl_multi_wakeup(handle_); }
    CURLMsg* nextMessage() {
        int left = 0;
        return curl_multi_info_read(handle_, &left);
    }

  private:
    CURLM* handle_;
};

}  // namespace ld::engine
