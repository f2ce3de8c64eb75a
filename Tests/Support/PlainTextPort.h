// A port on 127.0.0.1 that answers every connection with a line of plain text and closes it, at
// once, without reading: a TLS client meets no TLS there, and fails its handshake.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace loopback {

class PlainTextPort {
public:
    PlainTextPort();
    ~PlainTextPort();
    PlainTextPort(const PlainTextPort&) = delete;
    PlainTextPort& operator=(const PlainTextPort&) = delete;

    // "https://127.0.0.1:PORT".
    std::string httpsUrl() const;

private:
    int socket_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping{false};
    std::thread acceptor;
};

} // namespace loopback
