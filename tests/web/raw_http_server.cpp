#include "tests/web/raw_http_server.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace ld::test {

namespace {

// The few calls that differ between Winsock and POSIX sockets.
#if defined(_WIN32)
using NativeSocket = SOCKET;
constexpr int kSendFlags = 0;
constexpr int kShutWrite = SD_SEND;
void closeSocket(SocketId socket) {
    ::closesocket(static_cast<NativeSocket>(socket));
}
int pollOne(pollfd& entry, int milliseconds) {
    return ::WSAPoll(&entry, 1, milliseconds);
}
// Winsock is started once per process and left running.
void startSockets() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) {
        throw std::runtime_error("WSAStartup");
    }
}
#else
using NativeSocket = int;
constexpr int kSendFlags = MSG_NOSIGNAL;
constexpr int kShutWrite = SHUT_WR;
void closeSocket(SocketId socket) {
    ::close(static_cast<NativeSocket>(socket));
}
int pollOne(pollfd& entry, int milliseconds) {
    return ::poll(&entry, 1, milliseconds);
}
void startSockets() {}
#endif

NativeSocket native(SocketId socket) {
    return static_cast<NativeSocket>(socket);
}

SocketId listenOnLoopback(int& port) {
    startSockets();
    const NativeSocket fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (static_cast<SocketId>(fd) < 0) {
        throw std::runtime_error("socket");
    }
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closeSocket(static_cast<SocketId>(fd));
        throw std::runtime_error("bind/listen");
    }
    port = ntohs(address.sin_port);
    return static_cast<SocketId>(fd);
}

bool waitReadable(SocketId fd, int milliseconds) {
    pollfd entry{native(fd), POLLIN, 0};
    return pollOne(entry, milliseconds) > 0;
}

bool waitWritable(SocketId fd, int milliseconds) {
    pollfd entry{native(fd), POLLOUT, 0};
    return pollOne(entry, milliseconds) > 0;
}

// Reads the request head, then as many body bytes as Content-Length says.
std::string readRequest(SocketId connection) {
    std::string request;
    char buffer[4096];
    std::size_t wanted = std::string::npos;
    while (request.size() < wanted && waitReadable(connection, 5000)) {
        const auto got = ::recv(native(connection), buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        request.append(buffer, static_cast<std::size_t>(got));
        const auto headEnd = request.find("\r\n\r\n");
        if (wanted == std::string::npos && headEnd != std::string::npos) {
            std::size_t bodyLength = 0;
            const auto field = request.find("\r\nContent-Length: ");
            if (field != std::string::npos && field < headEnd) {
                bodyLength = std::strtoul(request.c_str() + field + 18, nullptr, 10);
            }
            wanted = headEnd + 4 + bodyLength;
        }
    }
    return request;
}

}  // namespace

RawHttpServer::RawHttpServer(Responder responder, Trickle trickle)
    : responder_(std::move(responder)), trickle_(trickle) {
    listener_ = listenOnLoopback(port_);
    thread_ = std::thread([this] { serve(); });
}

RawHttpServer::~RawHttpServer() {
    stopping_ = true;
    thread_.join();
    closeSocket(listener_);
}

std::string RawHttpServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<std::string> RawHttpServer::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

std::string RawHttpServer::response(const std::string& status, const std::string& headers,
                                    const std::string& body) {
    return status + "\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

void RawHttpServer::serve() {
    while (!stopping_) {
        if (!waitReadable(listener_, 50)) {
            continue;
        }
        const auto connection =
            static_cast<SocketId>(::accept(native(listener_), nullptr, nullptr));
        if (connection >= 0) {
            handle(connection);
            closeSocket(connection);
        }
    }
}

void RawHttpServer::handle(SocketId connection) {
    const std::string request = readRequest(connection);
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    const std::string answer = responder_(request);
    // Sent in pieces, each once the socket takes more, so a client that stops
    // reading (or a stop) never leaves this thread blocked in a send: after
    // 30 s without progress the answer is given up.
    constexpr std::size_t kMaxPiece = 64 * 1024;
    std::size_t sent = 0;
    int idleSteps = 0;
    while (sent < answer.size() && !stopping_) {
        if (!waitWritable(connection, 50)) {
            if (++idleSteps > 600) {
                break;
            }
            continue;
        }
        idleSteps = 0;
        std::size_t piece = std::min(answer.size() - sent, kMaxPiece);
        if (sent >= trickle_.fullSpeedBytes) {
            std::this_thread::sleep_for(trickle_.perByte);
            piece = 1;
        } else if (trickle_.fullSpeedBytes != std::string::npos) {
            piece = std::min(piece, trickle_.fullSpeedBytes - sent);
        }
        const auto wrote =
            ::send(native(connection), answer.data() + sent, static_cast<int>(piece), kSendFlags);
        if (wrote <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(wrote);
    }
    ::shutdown(native(connection), kShutWrite);
}

int unusedPort() {
    int port = 0;
    closeSocket(listenOnLoopback(port));
    return port;
}

}  // namespace ld::test
