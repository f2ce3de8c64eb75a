// A TCP relay on 127.0.0.1 for tests and benchmarks: every connection it accepts is forwarded to
// a server on 127.0.0.1, each direction delayed by a fixed time (a network with a round trip of
// twice that, without touching the loopback device), with the TCP handshake of a new connection
// costing one round trip before its first bytes go on. It counts the connections it accepts and
// records what the clients sent. It runs on background threads and stops in its destructor.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace loopback {

class DelayProxy {
public:
    explicit DelayProxy(uint16_t targetPort,
                        std::chrono::microseconds oneWay = std::chrono::microseconds(0));
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    uint16_t port() const { return port_; }
    int connectionCount() const { return connections_.load(); }
    // Every byte the clients sent, in the order it arrived (one client at a time keeps each
    // request whole).
    std::string clientBytes() const;

private:
    void acceptLoop();
    void relay(int client, int server);

    uint16_t targetPort_;
    std::chrono::microseconds oneWay_;
    int listenSocket_ = -1;
    int stopPipe_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::atomic<int> connections_{0};
    std::thread acceptThread_;
    std::list<std::thread> relays_;
    mutable std::mutex mutex_;
    std::string clientBytes_;
};

} // namespace loopback
