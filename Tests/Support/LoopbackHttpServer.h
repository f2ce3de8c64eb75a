// A scriptable HTTP/1.1 server for tests, on 127.0.0.1 on a free port. It records every request
// exactly as received (request line, header lines in order, body bytes) and answers from a
// script: a queue of canned responses, then a handler callback, then a default 200. Options add
// HTTPS, digest authentication, an honoured or ignored "Expect: 100-continue", a slow body read,
// and connections closed when idle or after every answer; a response can be delayed, trickled,
// replaced by closing the connection without an answer, or by raw bytes that end in a close, a
// reset or a stall, or that go on without end. Connections are counted, and each request tells
// which one it came on. The server runs on background threads (one per connection) and stops in its
// destructor.
#pragma once

#include "HttpDigest.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct ssl_ctx_st;

namespace loopback {

struct Request {
    std::string requestLine; // "PUT /book/card.vcf HTTP/1.1"
    std::string method;
    std::string target;
    std::string version;
    // Each header line as received, without its CRLF.
    std::vector<std::string> headerLines;
    std::string body;
    // The connection it came on: 1 for the first the server accepted, 2 for the next, ...
    int connection = 0;
    // Whether that connection's TLS handshake resumed an earlier session.
    bool resumedTls = false;

    // The value of the first header line with this name (any case), without the spaces and
    // TABs around it; nothing when no line has the name.
    std::optional<std::string> header(const std::string& name) const;
};

struct Response {
    Response(int status = 200, std::vector<std::string> headerLines = {}, std::string body = {})
        : status(status), headerLines(std::move(headerLines)), body(std::move(body)) {}

    int status;
    // Header lines without CRLF. "Content-Length" is added unless one of them is one.
    std::vector<std::string> headerLines;
    std::string body;
    // Empty: the usual phrase for the status.
    std::string reason;
    // Waits this long before answering.
    std::chrono::milliseconds delay{0};
    // When not 0, the answer goes out in pieces of this many bytes, each after `tricklePause`:
    // a slow link, or a server that trickles.
    size_t trickleBytes = 0;
    std::chrono::milliseconds tricklePause{0};
    // Closes the connection instead of answering (after the delay).
    bool closeWithoutAnswer = false;
    // When set, these bytes are sent instead of a response built from the fields above, and the
    // connection is closed after them: for malformed, cut or unusual answers.
    std::optional<std::string> raw;
    // After `raw`: these bytes again and again until the client gives up (an answer without
    // end).
    std::string endlessAfterRaw;
    // After `raw`: wait this long, sending nothing, before closing (a stall in mid-answer).
    std::chrono::milliseconds stallAfterRaw{0};
    // After `raw` (which may be empty): close with a reset (TCP RST) instead.
    bool resetAfterRaw = false;
};

struct Options {
    // PEM files; when both are set the server speaks HTTPS only.
    std::string certificateFile;
    std::string keyFile;
    // Answer "Expect: 100-continue" with "100 Continue" before reading the body. When false the
    // server behaves like one that does not know the mechanism and just waits for the body.
    bool send100Continue = true;
    // Pause before each read of a request body (in pieces of at most 16 KiB): a slow reader.
    std::chrono::milliseconds bodyReadPause{0};
    // When set, a request without a valid digest "Authorization" is answered with a 401 digest
    // challenge (recorded like any request, taking no scripted response).
    std::optional<DigestCredentials> digest;
    // Closes a connection that stays idle this long between requests; 0: never.
    std::chrono::milliseconds idleClose{0};
    // Answers every request with "Connection: close" and closes the connection after it.
    bool closeAfterEveryAnswer = false;
};

class HttpServer {
public:
    using Handler = std::function<Response(const Request&)>;

    HttpServer();
    explicit HttpServer(Options options);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    uint16_t port() const { return port_; }
    // "http://127.0.0.1:PORT" (https with TLS), without a trailing slash.
    std::string baseUrl() const;

    // Canned responses, used in order before the handler.
    void enqueue(Response response);
    // Called (never concurrently) for requests that find the queue empty.
    void setHandler(Handler handler);

    std::vector<Request> requests() const;
    size_t requestCount() const;
    // How many connections the server has accepted.
    int connectionCount() const;
    // The most recent request; throws std::out_of_range when none was recorded.
    Request lastRequest() const;
    void clearRequests();

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void acceptLoop();
    void serveConnection(int socket, int number);
    Response answerFor(const Request& request);
    void record(const Request& request);
    void releaseResources();

    Options options_;
    std::string nonce_; // of the digest challenges
    ssl_ctx_st* tls_ = nullptr;
    int listenSocket_ = -1;
    // Written once at shutdown and never read, so every wait that polls it wakes up.
    int stopPipe_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::thread acceptThread_;
    std::list<Worker> workers_; // used by the accept thread only

    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    int connections_ = 0;
    std::list<Response> script_;
    std::mutex handlerMutex_;
    Handler handler_;
};

// An answer carrying an XML body (a WebDAV multistatus, mostly).
Response xmlResponse(int status, std::string body);

// A TCP socket bound to a free port on 127.0.0.1, listening with this backlog unless it is 0;
// `port` is set to its port. Throws when no port can be had.
int boundLoopbackSocket(int backlog, uint16_t& port);

// A port on 127.0.0.1 that refuses connections: bound, so that nothing else can take it while
// the object lives, but not listening.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    uint16_t port() const { return port_; }
    // "http://127.0.0.1:PORT".
    std::string baseUrl() const;

private:
    int socket_ = -1;
    uint16_t port_ = 0;
};

} // namespace loopback
