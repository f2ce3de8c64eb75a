// One accepted connection of the loopback test server: reads and writes that block until they
// can go on, over plain TCP or TLS, and that give up as soon as the server's stop signal fires.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

struct ssl_ctx_st;
struct ssl_st;

namespace loopback {

class Connection {
public:
    // Takes ownership of `socket`. `tls` may be null (plain TCP). `stopFd` turns readable when
    // the server stops.
    Connection(int socket, ssl_ctx_st* tls, int stopFd);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The TLS handshake; true at once for plain TCP.
    bool open();
    // Appends up to `limit` bytes that arrive next. False at end of stream, error or stop.
    bool readSome(std::string& buffer, size_t limit);
    bool writeAll(std::string_view data);
    // Sleeps for `duration`; false when the server stops meanwhile.
    bool pause(std::chrono::milliseconds duration) const;
    // True when nothing arrives within `duration` (and nothing is buffered); false as soon as
    // something does, or the server stops.
    bool staysIdle(std::chrono::milliseconds duration) const;
    // Makes the closing of the connection a reset (TCP RST) instead of an orderly close.
    void resetOnClose();
    // Whether the TLS handshake resumed an earlier session.
    bool resumedTls() const;

private:
    // Waits until the socket is ready for `events` (poll flags); false on stop.
    bool waitFor(short events) const;
    // What a TLS call that returned `result` waits for: POLLIN, POLLOUT, or 0 for a failure.
    short tlsWait(int result) const;

    int socket_;
    int stopFd_;
    bool wantsTls_;
    ssl_st* ssl_ = nullptr;
};

} // namespace loopback
