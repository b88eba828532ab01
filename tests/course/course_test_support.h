// Shared by the course tests: the sample platform on the loopback interface,
// reached through http_proxy the way the program reaches the real services,
// a way to point the workers elsewhere, and small readers for the in-memory
// window.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "course/course_texts.h"
#include "platform_constants.h"
#include "tests/web/raw_http_server.h"
#include "text/codepage.h"
#include "tools/sample-platform/sample_platform.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace ld::test {

inline Text courseAddress(std::string_view courseId) {
    return Text("http://" + std::string(platform::kCourseWebHost) +
                "/#/mid/guide?courseId=" + std::string(courseId));
}

inline std::string utf8(const Text& text) {
    return gbkToUtf8(text);
}

// One platform per test program, started on first use; every test sets the
// options it needs.
inline sample::SamplePlatform& samplePlatform() {
    static const std::unique_ptr<sample::SamplePlatform> platform = [] {
        auto started = std::make_unique<sample::SamplePlatform>();
        if (started->start() < 0) {
            ADD_FAILURE() << "the sample platform could not listen";
        }
        const std::string proxy = started->address();
        ::setenv("http_proxy", proxy.c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
        return started;
    }();
    return *platform;
}

// Points http_proxy somewhere else for one block: every request of the
// course workers goes there instead of to the sample platform.
class ProxyOverride {
  public:
    explicit ProxyOverride(const std::string& proxy) {
        const char* current = std::getenv("http_proxy");
        saved_ = current != nullptr ? current : "";
        ::setenv("http_proxy", proxy.c_str(), 1);
    }
    ProxyOverride(const ProxyOverride&) = delete;
    ProxyOverride& operator=(const ProxyOverride&) = delete;
    ~ProxyOverride() { ::setenv("http_proxy", saved_.c_str(), 1); }

  private:
    std::string saved_;
};

// A proxy address on 127.0.0.1 where nothing listens (needs raw_http_server.cpp).
inline std::string closedPortProxy() {
    return "http://127.0.0.1:" + std::to_string(unusedPort());
}

// Polls until `done` holds or the time is up.
template <typename Condition>
bool eventually(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The parse list's rows as UTF-8, four columns each.
inline std::vector<std::vector<std::string>> parseRows(MemoryWindow& window) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : window.rows(kParseList)) {
        std::vector<std::string> cells;
        for (int column = 0; column < 4; ++column) {
            cells.push_back(column < static_cast<int>(row.size()) ? utf8(row[column]) : "");
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

// What the address cell of that lecture must end up holding.
inline std::string expectedAddress(const sample::SampleLecture& lecture) {
    return lecture.resolvable ? samplePlatform().expectedPlayUrl(lecture)
                              : std::string(course_text::kResolutionFailed);
}

inline std::string statusText(MemoryWindow& window) {
    return utf8(window.getText(kParseStatusLabel));
}

}  // namespace ld::test
