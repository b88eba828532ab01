#include "tests/web/raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace ld::test {

namespace {

int listenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        throw std::runtime_error("socket");
    }
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("bind/listen");
    }
    port = ntohs(address.sin_port);
    return fd;
}

bool waitReadable(int fd, int milliseconds) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, milliseconds) > 0;
}

// Reads the request head, then as many body bytes as Content-Length says.
std::string readRequest(int connection) {
    std::string request;
    char buffer[4096];
    std::size_t wanted = std::string::npos;
    while (request.size() < wanted && waitReadable(connection, 5000)) {
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
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
    ::close(listener_);
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
        const int connection = ::accept(listener_, nullptr, nullptr);
        if (connection >= 0) {
            handle(connection);
            ::close(connection);
        }
    }
}

void RawHttpServer::handle(int connection) {
    const std::string request = readRequest(connection);
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    const std::string answer = responder_(request);
    std::size_t sent = 0;
    while (sent < answer.size() && !stopping_) {
        std::size_t piece = answer.size() - sent;
        if (sent >= trickle_.fullSpeedBytes) {
            std::this_thread::sleep_for(trickle_.perByte);
            piece = 1;
        } else if (trickle_.fullSpeedBytes != std::string::npos) {
            piece = std::min(piece, trickle_.fullSpeedBytes - sent);
        }
        const ssize_t wrote = ::send(connection, answer.data() + sent, piece, MSG_NOSIGNAL);
        if (wrote <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(wrote);
    }
    ::shutdown(connection, SHUT_WR);
}

int unusedPort() {
    int port = 0;
    ::close(listenOnLoopback(port));
    return port;
}

}  // namespace ld::test
