#include "PlainTextPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace loopback {

PlainTextPort::PlainTextPort() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket_ < 0 ||
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socket_, 8) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (socket_ >= 0)
            ::close(socket_);
        throw std::runtime_error("loopback: no free port");
    }
    port_ = ntohs(address.sin_port);
    acceptor = std::thread([this] {
        while (!stopping) {
            pollfd waiting{socket_, POLLIN, 0};
            if (::poll(&waiting, 1, 50) <= 0)
                continue;
            const int connection = ::accept(socket_, nullptr, nullptr);
            if (connection < 0)
                continue;
            const char text[] = "HTTP/1.1 400 Bad Request\r\n\r\n";
            [[maybe_unused]] const auto sent =
                ::send(connection, text, sizeof text - 1, MSG_NOSIGNAL);
            ::close(connection);
        }
    });
}

PlainTextPort::~PlainTextPort() {
    stopping = true;
    acceptor.join();
    ::close(socket_);
}

std::string PlainTextPort::httpsUrl() const {
    return "https://127.0.0.1:" + std::to_string(port_);
}

} // namespace loopback
