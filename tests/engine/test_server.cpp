#include "tests/engine/test_server.h"

#include <httplib.h>

#include <algorithm>
#include <cstdio>

namespace ld::engine::testing {

std::string randomBytes(std::size_t size, std::uint64_t seed) {
    std::string bytes(size, '\0');
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ULL + 1;
    for (std::size_t i = 0; i < size; ++i) {
        if (i % 8 == 0) {  // xorshift64*
            x ^= x >> 12;
            x ^= x << 25;
            x ^= x >> 27;
        }
        bytes[i] = static_cast<char>((x * 0x2545F4914F6CDD1DULL) >> (8 * (i % 8)));
    }
    return bytes;
}

struct TestServer::State {
    mutable std::mutex mutex;
    std::condition_variable stopping;
    bool stopped = false;

    std::shared_ptr<const std::string> body = std::make_shared<const std::string>();
    int version = 0;
    std::deque<Fault> faults;
    // How the next answers are given.
    struct Behaviour {
        int statusForAll = 0;
        bool honourRange = true;
        bool validators = true;
        bool chunked = false;
        std::int64_t longestRangeAnswer = 0;
        std::int64_t rateLimit = 0;
        std::chrono::milliseconds headerDelay{0};
    } behaviour;
    std::function<void(int)> onRequest;

    std::vector<RequestRecord> requests;
    int active = 0;
    int maxActive = 0;
    std::int64_t bytesSent = 0;

    // Sleeps unless the server stops first; false when it stopped.
    bool sleepFor(std::chrono::milliseconds duration) {
        std::unique_lock lock(mutex);
        return !stopping.wait_for(lock, duration, [this] { return stopped; });
    }
};

namespace {

// "bytes=a-b", "bytes=a-" → [first, last]; nothing for anything else.
std::optional<std::pair<std::int64_t, std::int64_t>> parseRange(const std::string& header,
                                                                std::int64_t size) {
    long long first = 0;
    long long last = -1;
    char tail = 0;
    if (std::sscanf(header.c_str(), "bytes=%lld-%lld%c", &first, &last, &tail) == 2) {
        return std::pair<std::int64_t, std::int64_t>(first, std::min<std::int64_t>(last, size - 1));
    }
    if (std::sscanf(header.c_str(), "bytes=%lld-%c", &first, &tail) == 1) {
        return std::pair<std::int64_t, std::int64_t>(first, size - 1);
    }
    return std::nullopt;
}

}  // namespace

TestServer::TestServer()
    : state_(std::make_shared<State>()), server_(std::make_unique<httplib::Server>()) {
    server_->set_keep_alive_timeout(1);
    server_->set_tcp_nodelay(true);           // answers leave at once, as from common servers
    server_->set_keep_alive_max_count(1000);  // like common servers; pieces reuse connections
    server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TestServer::~TestServer() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->stopped = true;
    }
    state_->stopping.notify_all();
    server_->stop();
    thread_.join();
}

std::string TestServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TestServer::setContent(std::string body) {
    const std::lock_guard lock(state_->mutex);
    state_->body = std::make_shared<const std::string>(std::move(body));
    ++state_->version;
}

void TestServer::queueFault(Fault fault) {
    const std::lock_guard lock(state_->mutex);
    state_->faults.push_back(std::move(fault));
}

void TestServer::setStatusForAll(int status) {
    const std::lock_guard lock(state_->mutex);
    state_->behaviour.statusForAll = status;
}

void TestServer::setHonourRange(bool honour) {
    const std::lock_guard lock(state_->mutex);
    state_->behaviour.honourRange = honour;
}

void TestServer::setLongestRangeAnswer(std::int64_t bytes) {
    const std::lock_guard lock(state_->mutex);
    state_->behaviour.longestRangeAnswer = bytes;
}

void TestServer::setValidators(bool send) {
    const std::lock_guard lock(state_->mutex);
    state_->behaviour.validators = send;
}

void TestServer::setRateLimit(std::int64_t bytesPerSecond) {
    const std::lock_guard lock(state_->mutex);
    state_->behaviour.rateLimit = bytesPerSecond;
}

void TestServer::setHeaderDelay(std::chrono::milliseconds delay) {
    const std::lock_guard lock(state_->mutex);
    state_->behaviour.headerDelay = delay;
}

void TestServer::setChunked(bool chunked) {
    const std::lock_guard lock(state_->mutex);
    state_->behaviour.chunked = chunked;
}

void TestServer::setOnRequest(std::function<void(int)> hook) {
    const std::lock_guard lock(state_->mutex);
    state_->onRequest = std::move(hook);
}

std::vector<TestServer::RequestRecord> TestServer::requests() const {
    const std::lock_guard lock(state_->mutex);
    return state_->requests;
}

int TestServer::maxConcurrent() const {
    const std::lock_guard lock(state_->mutex);
    return state_->maxActive;
}

std::int64_t TestServer::bytesSent() const {
    const std::lock_guard lock(state_->mutex);
    return state_->bytesSent;
}

void TestServer::handle(const httplib::Request& request, httplib::Response& response) {
    // The server answers ranges itself; httplib must not apply them a second time. The
    // request is httplib's own non-const object, handed to handlers as const.
    const std::string rangeHeader = request.get_header_value("Range");
    const_cast<httplib::Request&>(request).ranges.clear();

    std::function<void(int)> hook;
    int index = 0;
    {
        const std::lock_guard lock(state_->mutex);
        index = static_cast<int>(state_->requests.size());
        state_->requests.push_back(
            {request.target, rangeHeader, request.remote_port, std::chrono::steady_clock::now()});
        hook = state_->onRequest;
    }
    if (hook) {
        hook(index);
    }

    std::shared_ptr<const std::string> body;
    std::optional<Fault> fault;
    int version = 0;
    State::Behaviour behaviour;
    {
        const std::lock_guard lock(state_->mutex);
        body = state_->body;
        version = state_->version;
        behaviour = state_->behaviour;
        if (!state_->faults.empty()) {
            fault = state_->faults.front();
            state_->faults.pop_front();
        }
    }
    const auto [statusForAll, honourRangeAsked, validators, chunked, longestRangeAnswer,
                rateLimitSet, headerDelay] = behaviour;
    bool honourRange = honourRangeAsked;
    std::int64_t rateLimit = rateLimitSet;
    if (headerDelay.count() > 0 && !state_->sleepFor(headerDelay)) {
        return;
    }
    // "/moved..." sends the client to the file; "/loop" to itself, forever.
    if (request.path == "/loop" || request.path.rfind("/moved", 0) == 0) {
        response.status = 302;
        response.set_header("Location", request.path == "/loop" ? "/loop" : "/file.flv");
        return;
    }
    if (statusForAll != 0 || (fault && fault->kind == Fault::Kind::Status)) {
        response.status = statusForAll != 0 ? statusForAll : fault->status;
        if (fault && !fault->retryAfter.empty()) {
            response.set_header("Retry-After", fault->retryAfter);
        }
        response.set_content("not today", "text/plain");
        return;
    }
    if (fault && fault->kind == Fault::Kind::IgnoreRange) {
        honourRange = false;
    }
    if (fault && fault->kind == Fault::Kind::Slow) {
        rateLimit = fault->afterBytes;
    }

    const auto size = static_cast<std::int64_t>(body->size());
    std::int64_t first = 0;
    std::int64_t last = size - 1;
    if (!answerHeaders(rangeHeader, {size, version, honourRange, validators, longestRangeAnswer},
                       response, first, last)) {
        return;
    }
    streamBody(response, body, first, last - first + 1, fault, rateLimit, chunked);
}

bool TestServer::answerHeaders(const std::string& rangeHeader, const FileAnswer& file,
                               httplib::Response& response, std::int64_t& first,
                               std::int64_t& last) {
    if (file.validators) {
        response.set_header("ETag", "\"v" + std::to_string(file.version) + "\"");
        response.set_header("Last-Modified", "Mon, 0" + std::to_string(1 + file.version % 9) +
                                                 " Jan 2024 00:00:00 GMT");
    }
    if (file.honourRange) {
        response.set_header("Accept-Ranges", "bytes");
    }
    if (file.honourRange && !rangeHeader.empty()) {
        const auto range = parseRange(rangeHeader, file.size);
        if (!range || range->first >= file.size || range->second < range->first) {
            response.status = 416;
            response.set_header("Content-Range", "bytes */" + std::to_string(file.size));
            return false;
        }
        first = range->first;
        last = range->second;
        if (file.longestRangeAnswer > 0) {
            last = std::min(last, first + file.longestRangeAnswer - 1);
        }
        response.status = 206;
        response.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                                 std::to_string(last) + "/" +
                                                 std::to_string(file.size));
    } else {
        response.status = 200;
    }
    return true;
}

void TestServer::streamBody(httplib::Response& response, std::shared_ptr<const std::string> body,
                            std::int64_t first, std::int64_t length,
                            const std::optional<Fault>& fault, std::int64_t rateLimit,
                            bool chunked) {
    {
        const std::lock_guard lock(state_->mutex);
        state_->maxActive = std::max(state_->maxActive, ++state_->active);
    }
    auto state = state_;
    auto provide = [state, body, first, length, fault, rateLimit](std::size_t offset,
                                                                  httplib::DataSink& sink) {
        if (static_cast<std::int64_t>(offset) >= length) {
            sink.done();
            return true;
        }
        std::int64_t chunk =
            std::min<std::int64_t>(64 * 1024, length - static_cast<std::int64_t>(offset));
        if (rateLimit > 0) {
            chunk = std::min<std::int64_t>(chunk, std::max<std::int64_t>(rateLimit / 50, 1));
        }
        if (fault && (fault->kind == Fault::Kind::Drop || fault->kind == Fault::Kind::Stall)) {
            const std::int64_t left = fault->afterBytes - static_cast<std::int64_t>(offset);
            if (left <= 0) {
                if (fault->kind == Fault::Kind::Stall) {
                    state->sleepFor(std::chrono::seconds(10));
                }
                return false;  // httplib closes the connection
            }
            chunk = std::min(chunk, left);
        }
        if (!sink.write(body->data() + first + offset, static_cast<std::size_t>(chunk))) {
            return false;
        }
        {
            const std::lock_guard lock(state->mutex);
            state->bytesSent += chunk;
        }
        if (rateLimit > 0) {
            state->sleepFor(std::chrono::milliseconds(chunk * 1000 / rateLimit));
        }
        return true;
    };
    auto release = [state](bool) {
        const std::lock_guard lock(state->mutex);
        --state->active;
    };
    if (chunked) {
        response.set_chunked_content_provider(
            "application/octet-stream",
            [provide](std::size_t offset, httplib::DataSink& sink) {
                return provide(offset, sink);
            },
            release);
    } else {
        response.set_content_provider(
            static_cast<std::size_t>(length), "application/octet-stream",
            [provide](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                return provide(offset, sink);
            },
            release);
    }
}

}  // namespace ld::engine::testing
