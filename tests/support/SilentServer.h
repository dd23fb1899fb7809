// Loopback listeners for a client's failure paths: one that accepts and then says nothing, and a
// port where nothing listens.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// Accepts every connection on 127.0.0.1 and keeps it open, never sending a byte, until destroyed.
class SilentServer {
public:
    using Clock = std::chrono::steady_clock;

    SilentServer(); // throws when it cannot listen
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    int Port() const { return port_; }
    int Accepted() const;
    // When the first connection was accepted; Clock::time_point::max() while there is none.
    Clock::time_point FirstAccepted() const;
    // True once every accepted client has closed its end, waiting at most `wait` for it. Reads and
    // drops what the clients sent.
    bool ClientsHungUp(std::chrono::milliseconds wait) const;

private:
    void Serve();

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<int> clients_;
    Clock::time_point firstAccepted_ = Clock::time_point::max();
    std::thread thread_;
};

// A loopback port that refuses connections: bound, so no other process gets it, but not listening.
class RefusingPort {
public:
    RefusingPort(); // throws when it cannot bind
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int Port() const { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};
