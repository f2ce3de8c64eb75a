// The loopback test server itself: what later tests rely on when they script answers.
#include "LoopbackHttpServer.h"
#include "Transport/CardDavClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Sends `bytes` on one connection and reads until the server closes it or `answers` responses
// have arrived.
std::string exchange(uint16_t port, const std::string& bytes, size_t answers) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::send(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        ::close(fd);
        throw std::runtime_error("cannot talk to the loopback server");
    }
    std::string received;
    char chunk[4096];
    ssize_t got;
    size_t seen = 0;
    while (seen < answers && (got = ::recv(fd, chunk, sizeof chunk, 0)) > 0) {
        received.append(chunk, static_cast<size_t>(got));
        seen = 0;
        for (size_t at = 0; (at = received.find("HTTP/1.1 ", at)) != std::string::npos; ++at)
            ++seen;
    }
    ::close(fd);
    return received;
}

TEST(LoopbackHttpServer, AnswersFromQueueThenHandlerThenDefault) {
    loopback::HttpServer server;
    CardDavClient client;
    const std::string url = server.baseUrl() + "/a.vcf";
    server.enqueue(loopback::Response(201));
    server.enqueue(loopback::Response(202));
    EXPECT_EQ(client.get_vcard(url).status, 201);
    EXPECT_EQ(client.get_vcard(url).status, 202);
    EXPECT_EQ(client.get_vcard(url).status, 200);

    server.setHandler([](const loopback::Request& request) -> loopback::Response {
        if (request.target == "/boom")
            throw std::runtime_error("no such card");
        return loopback::Response(404, {}, request.target);
    });
    EXPECT_EQ(client.get_vcard(url).body, "/a.vcf");
    const Query broken = client.get_vcard(server.baseUrl() + "/boom");
    EXPECT_EQ(broken.status, 500);
    EXPECT_EQ(broken.body, "handler failed: no such card");
    EXPECT_EQ(server.requestCount(), 5u);
    server.clearRequests();
    EXPECT_THROW(server.lastRequest(), std::out_of_range);
}

TEST(LoopbackHttpServer, RecordsPipelinedRequestsByteForByte) {
    loopback::HttpServer server;
    const std::string body("a\0b\r\n\r\nc", 8);
    const std::string sent =
        "PUT /x HTTP/1.1\r\nHost: h\r\nX-Odd:\tv \r\nContent-Length: 8\r\n\r\n" + body +
        "DELETE /y HTTP/1.1\r\nHost: h\r\n\r\n";
    const std::string answers = exchange(server.port(), sent, 2);
    EXPECT_EQ(answers, "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"
                       "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].requestLine, "PUT /x HTTP/1.1");
    EXPECT_EQ(requests[0].headerLines,
              (std::vector<std::string>{"Host: h", "X-Odd:\tv ", "Content-Length: 8"}));
    EXPECT_EQ(requests[0].header("x-odd"), "v");
    EXPECT_EQ(requests[0].body, body);
    EXPECT_EQ(requests[1].method, "DELETE");
    EXPECT_EQ(requests[1].target, "/y");

    // Malformed requests are refused and not recorded.
    EXPECT_EQ(exchange(server.port(), "NONSENSE\r\n\r\n", 1).rfind("HTTP/1.1 400 ", 0), 0u);
    EXPECT_EQ(exchange(server.port(), "PUT /x HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 1)
                  .rfind("HTTP/1.1 400 ", 0),
              0u);
    EXPECT_EQ(exchange(server.port(), "PUT /x HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n", 1)
                  .rfind("HTTP/1.1 413 ", 0),
              0u);
    EXPECT_EQ(server.requestCount(), 2u);
}

} // namespace
