#include "PlainTextPort.h"

#include "LoopbackHttpServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace loopback {

PlainTextPort::PlainTextPort() {
    socket_ = boundLoopbackSocket(8, port_);
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
