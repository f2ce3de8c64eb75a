#include "LoopbackProxy.h"

#include <arpa/inet.h>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace loopback {
namespace {

using Clock = std::chrono::steady_clock;

// Bytes read from one side, to be written to the other side once they are due; an empty chunk
// stands for the end of that side's stream.
struct Chunk {
    Clock::time_point due;
    std::string bytes;
};

// One direction of a relayed connection.
struct Direction {
    int from;
    int to;
    std::deque<Chunk> pending;
    bool ended = false;  // `from` reached its end (an end chunk is queued or sent)
    bool closed = false; // the end was passed on to `to`
};

int connectTo(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

void sendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

} // namespace

DelayProxy::DelayProxy(uint16_t targetPort, std::chrono::microseconds oneWay)
    : targetPort_(targetPort), oneWay_(oneWay) {
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0)
        throw std::runtime_error("proxy: no pipe");
    listenSocket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenSocket_ < 0 ||
        ::bind(listenSocket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenSocket_, SOMAXCONN) != 0 ||
        ::getsockname(listenSocket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        for (int fd : {listenSocket_, stopPipe_[0], stopPipe_[1]})
            if (fd >= 0)
                ::close(fd);
        throw std::runtime_error("proxy: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread(&DelayProxy::acceptLoop, this);
}

DelayProxy::~DelayProxy() {
    const char stop = 1;
    if (::write(stopPipe_[1], &stop, 1) != 1)
        std::terminate();
    acceptThread_.join();
    for (std::thread& relay : relays_)
        relay.join();
    for (int fd : {listenSocket_, stopPipe_[0], stopPipe_[1]})
        ::close(fd);
}

std::string DelayProxy::clientBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return clientBytes_;
}

void DelayProxy::acceptLoop() {
    pollfd fds[2] = {{listenSocket_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) >= 0 || errno == EINTR) {
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        const int client = ::accept4(listenSocket_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        ++connections_;
        const int server = connectTo(targetPort_);
        if (server < 0) {
            ::close(client);
            continue;
        }
        for (int fd : {client, server}) {
            const int yes = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        }
        relays_.emplace_back(&DelayProxy::relay, this, client, server);
    }
}

void DelayProxy::relay(int client, int server) {
    Direction up{client, server, {}};
    Direction down{server, client, {}};
    // SYN and SYN-ACK: a real connection carries its first bytes one round trip later.
    const Clock::time_point opened = Clock::now() + 2 * oneWay_;
    for (;;) {
        const Clock::time_point now = Clock::now();
        for (Direction* direction : {&up, &down}) {
            while (!direction->pending.empty() && direction->pending.front().due <= now) {
                Chunk& chunk = direction->pending.front();
                if (chunk.bytes.empty()) {
                    ::shutdown(direction->to, SHUT_WR);
                    direction->closed = true;
                } else {
                    sendAll(direction->to, chunk.bytes);
                }
                direction->pending.pop_front();
            }
        }
        if (up.closed && down.closed)
            break;
        int wait = -1;
        for (Direction* direction : {&up, &down})
            if (!direction->pending.empty()) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    direction->pending.front().due - now + std::chrono::microseconds(999));
                wait = wait < 0 ? static_cast<int>(left.count())
                                : std::min(wait, static_cast<int>(left.count()));
            }
        pollfd fds[3] = {{up.ended ? -1 : client, POLLIN, 0},
                         {down.ended ? -1 : server, POLLIN, 0},
                         {stopPipe_[0], POLLIN, 0}};
        if (::poll(fds, 3, wait) < 0 && errno != EINTR)
            break;
        if (fds[2].revents != 0)
            break;
        for (int side = 0; side < 2; ++side) {
            Direction& direction = side == 0 ? up : down;
            if (direction.ended || fds[side].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t got = ::recv(direction.from, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR)
                continue;
            Clock::time_point due = Clock::now() + oneWay_;
            if (side == 0 && due < opened + oneWay_)
                due = opened + oneWay_;
            if (!direction.pending.empty() && due < direction.pending.back().due)
                due = direction.pending.back().due;
            if (got <= 0) {
                direction.ended = true;
                direction.pending.push_back({due, {}});
            } else {
                direction.pending.push_back({due, std::string(buffer, static_cast<size_t>(got))});
                if (side == 0) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    clientBytes_.append(buffer, static_cast<size_t>(got));
                }
            }
        }
    }
    ::close(client);
    ::close(server);
}

} // namespace loopback
