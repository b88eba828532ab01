// A tiny HTTP/1.1 server on 127.0.0.1 (port chosen by the system) that
// records every request byte for byte and answers with whatever the test's
// responder returns, at once or trickling. One connection at a time; each is
// closed after its answer.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ld::test {

// A socket as a number: a descriptor on POSIX, a SOCKET on Windows; -1 for none.
using SocketId = std::intptr_t;

// How the answers go out: the first `fullSpeedBytes` at once, then one byte
// every `perByte`, as a server that trickles. The default sends everything at once.
struct Trickle {
    std::size_t fullSpeedBytes = std::string::npos;
    std::chrono::milliseconds perByte{0};
};

class RawHttpServer {
  public:
    // Gets the raw request (head and body), returns the raw response.
    using Responder = std::function<std::string(const std::string& request)>;

    explicit RawHttpServer(Responder responder, Trickle trickle = {});
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    [[nodiscard]] int port() const { return port_; }
    [[nodiscard]] std::string baseUrl() const;
    [[nodiscard]] std::vector<std::string> requests() const;

    // A canned response with the given status line, extra header lines (each
    // ended by CR LF) and body; Content-Length is added.
    static std::string response(const std::string& status, const std::string& headers,
                                const std::string& body);

  private:
    void serve();
    void handle(SocketId connection);

    Responder responder_;
    Trickle trickle_;
    SocketId listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A port on 127.0.0.1 on which nothing listens (bound, then released).
int unusedPort();

}  // namespace ld::test
