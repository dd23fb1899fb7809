#include "SilentServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// A TCP socket bound to a free port of 127.0.0.1; returns the port.
int BindLoopback(int socket) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        Fail("bind");
    socklen_t length = sizeof address;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        Fail("getsockname");
    return ntohs(address.sin_port);
}

int TcpSocket() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        Fail("socket");
    return s;
}

// The peer has closed its end: past what it sent, which is read and dropped, the socket reads end
// of file (or fails) without blocking.
bool PeerClosed(int socket) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            continue;
        return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    }
}

} // namespace

SilentServer::SilentServer() : listener_(TcpSocket()) {
    try {
        port_ = BindLoopback(listener_);
        if (::listen(listener_, 16) != 0)
            Fail("listen");
    } catch (...) {
        ::close(listener_);
        throw;
    }
    thread_ = std::thread([this] { Serve(); });
}

SilentServer::~SilentServer() {
    stop_ = true;
    thread_.join();
    for (int client : clients_)
        ::close(client);
    ::close(listener_);
}

void SilentServer::Serve() {
    while (!stop_) {
        pollfd ready{listener_, POLLIN, 0};
        if (::poll(&ready, 1, 50) <= 0)
            continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        std::lock_guard lock(mutex_);
        if (clients_.empty())
            firstAccepted_ = Clock::now();
        clients_.push_back(client);
    }
}

int SilentServer::Accepted() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(clients_.size());
}

SilentServer::Clock::time_point SilentServer::FirstAccepted() const {
    std::lock_guard lock(mutex_);
    return firstAccepted_;
}

bool SilentServer::ClientsHungUp(std::chrono::milliseconds wait) const {
    const auto deadline = Clock::now() + wait;
    for (;;) {
        bool all = true;
        {
            std::lock_guard lock(mutex_);
            for (int client : clients_)
                all = all && PeerClosed(client);
        }
        if (all || Clock::now() >= deadline)
            return all;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

RefusingPort::RefusingPort() : socket_(TcpSocket()) {
    try {
        port_ = BindLoopback(socket_);
    } catch (...) {
        ::close(socket_);
        throw;
    }
}

RefusingPort::~RefusingPort() {
    ::close(socket_);
}
