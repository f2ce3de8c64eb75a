#include "LoopbackConnection.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace loopback {

Connection::Connection(int socket, ssl_ctx_st* tls, int stopFd)
    : socket_(socket), stopFd_(stopFd), wantsTls_(tls != nullptr) {
    if (wantsTls_) {
        ssl_ = SSL_new(tls);
        if (ssl_ != nullptr)
            SSL_set_fd(ssl_, socket_);
    }
}

Connection::~Connection() {
    if (ssl_ != nullptr)
        SSL_free(ssl_);
    ::close(socket_);
}

bool Connection::waitFor(short events) const {
    pollfd fds[2] = {{socket_, events, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[1].revents != 0)
            return false;
        // Readiness, hang-up and errors all let the next call report what happened.
        return true;
    }
}

bool Connection::pause(std::chrono::milliseconds duration) const {
    if (duration.count() <= 0)
        return true;
    pollfd stop = {stopFd_, POLLIN, 0};
    return ::poll(&stop, 1, static_cast<int>(duration.count())) == 0;
}

bool Connection::staysIdle(std::chrono::milliseconds duration) const {
    if (ssl_ != nullptr && SSL_pending(ssl_) > 0)
        return false;
    pollfd fds[2] = {{socket_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    int ready;
    while ((ready = ::poll(fds, 2, static_cast<int>(duration.count()))) < 0 && errno == EINTR) {
    }
    return ready == 0;
}

void Connection::resetOnClose() {
    const linger abort = {1, 0};
    ::setsockopt(socket_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

bool Connection::resumedTls() const {
    return ssl_ != nullptr && SSL_session_reused(ssl_) == 1;
}

short Connection::tlsWait(int result) const {
    switch (SSL_get_error(ssl_, result)) {
    case SSL_ERROR_WANT_READ:
        return POLLIN;
    case SSL_ERROR_WANT_WRITE:
        return POLLOUT;
    default:
        ERR_clear_error();
        return 0;
    }
}

bool Connection::open() {
    if (!wantsTls_)
        return true;
    if (ssl_ == nullptr)
        return false;
    for (;;) {
        const int result = SSL_accept(ssl_);
        if (result == 1)
            return true;
        const short events = tlsWait(result);
        if (events == 0 || !waitFor(events))
            return false;
    }
}

bool Connection::readSome(std::string& buffer, size_t limit) {
    char chunk[16384];
    const size_t wanted = limit < sizeof chunk ? limit : sizeof chunk;
    for (;;) {
        if (ssl_ != nullptr) {
            const int got = SSL_read(ssl_, chunk, static_cast<int>(wanted));
            if (got > 0) {
                buffer.append(chunk, static_cast<size_t>(got));
                return true;
            }
            const short events = tlsWait(got);
            if (events == 0 || !waitFor(events))
                return false;
            continue;
        }
        const ssize_t got = ::recv(socket_, chunk, wanted, 0);
        if (got > 0) {
            buffer.append(chunk, static_cast<size_t>(got));
            return true;
        }
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            return false;
        if (!waitFor(POLLIN))
            return false;
    }
}

bool Connection::writeAll(std::string_view data) {
    while (!data.empty()) {
        if (ssl_ != nullptr) {
            const int sent = SSL_write(ssl_, data.data(), static_cast<int>(data.size()));
            if (sent > 0) {
                data.remove_prefix(static_cast<size_t>(sent));
                continue;
            }
            const short events = tlsWait(sent);
            if (events == 0 || !waitFor(events))
                return false;
            continue;
        }
        const ssize_t sent = ::send(socket_, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            data.remove_prefix(static_cast<size_t>(sent));
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (!waitFor(POLLOUT))
            return false;
    }
    return true;
}

} // namespace loopback
