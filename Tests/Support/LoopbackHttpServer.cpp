#include "LoopbackHttpServer.h"

#include "LoopbackConnection.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <random>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace loopback {
namespace {

constexpr size_t kMaxHeadBytes = 64 * 1024;
constexpr unsigned long long kMaxBodyBytes = 1ULL << 30;

std::string lowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 207:
        return "Multi-Status";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 406:
        return "Not Acceptable";
    case 409:
        return "Conflict";
    case 412:
        return "Precondition Failed";
    case 413:
        return "Content Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    default:
        return "Status";
    }
}

// The value of the first line with this name (any case), trimmed.
std::optional<std::string> headerValue(const std::vector<std::string>& lines,
                                       const std::string& name) {
    const std::string wanted = lowerCase(name);
    for (const std::string& line : lines) {
        const size_t colon = line.find(':');
        if (colon != std::string::npos && lowerCase(line.substr(0, colon)) == wanted)
            return trimmed(line.substr(colon + 1));
    }
    return std::nullopt;
}

std::string rendered(const Response& response, bool headOnly) {
    std::string text = "HTTP/1.1 " + std::to_string(response.status) + " " +
                       (response.reason.empty() ? reasonPhrase(response.status) : response.reason) +
                       "\r\n";
    for (const std::string& line : response.headerLines)
        text += line + "\r\n";
    if (!headerValue(response.headerLines, "Content-Length"))
        text += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    text += "\r\n";
    if (!headOnly)
        text += response.body;
    return text;
}

std::string failure(int status) {
    Response response;
    response.status = status;
    response.headerLines = {"Connection: close"};
    return rendered(response, false);
}

// Fills the request line and header lines from the head (without its final blank line). False
// when the head is not an HTTP/1.x request.
bool parseHead(const std::string& head, Request& request) {
    size_t lineEnd = head.find("\r\n");
    request.requestLine = head.substr(0, lineEnd);
    const size_t firstSpace = request.requestLine.find(' ');
    const size_t lastSpace = request.requestLine.rfind(' ');
    if (firstSpace == std::string::npos || firstSpace == lastSpace)
        return false;
    request.method = request.requestLine.substr(0, firstSpace);
    request.target = request.requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    request.version = request.requestLine.substr(lastSpace + 1);
    if (request.method.empty() || request.target.empty() ||
        request.version.compare(0, 7, "HTTP/1.") != 0)
        return false;
    while (lineEnd != std::string::npos) {
        const size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        std::string line =
            head.substr(start, lineEnd == std::string::npos ? lineEnd : lineEnd - start);
        if (line.find(':') == std::string::npos)
            return false;
        request.headerLines.push_back(std::move(line));
    }
    return true;
}

// The declared body length; nothing when the value is not a plain decimal number.
std::optional<unsigned long long> contentLength(const Request& request) {
    const auto value = request.header("Content-Length");
    if (!value)
        return 0;
    if (value->empty() || value->size() > 12 ||
        value->find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoull(*value);
}

bool keepsConnection(const Request& request, const Response& response) {
    const std::string connection = lowerCase(request.header("Connection").value_or(""));
    if (connection.find("close") != std::string::npos)
        return false;
    if (request.version == "HTTP/1.0" && connection.find("keep-alive") == std::string::npos)
        return false;
    const std::string answer =
        lowerCase(headerValue(response.headerLines, "Connection").value_or(""));
    return answer.find("close") == std::string::npos;
}

std::string randomNonce() {
    std::random_device device;
    std::string nonce;
    static const char hex[] = "0123456789abcdef";
    for (int i = 0; i < 32; ++i)
        nonce += hex[device() % 16];
    return nonce;
}

// Sends `bytes` at once, or trickled as the response asks.
bool writeAnswer(Connection& connection, std::string_view bytes, const Response& response) {
    if (response.trickleBytes == 0)
        return connection.writeAll(bytes);
    for (; !bytes.empty(); bytes.remove_prefix(std::min(bytes.size(), response.trickleBytes)))
        if (!connection.pause(response.tricklePause) ||
            !connection.writeAll(bytes.substr(0, response.trickleBytes)))
            return false;
    return true;
}

} // namespace

int boundLoopbackSocket(int backlog, uint16_t& port) {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket < 0 || ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (backlog > 0 && ::listen(socket, backlog) != 0) ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (socket >= 0)
            ::close(socket);
        throw std::runtime_error("loopback: no free port");
    }
    port = ntohs(address.sin_port);
    return socket;
}

RefusingPort::RefusingPort() {
    socket_ = boundLoopbackSocket(0, port_);
}

RefusingPort::~RefusingPort() {
    ::close(socket_);
}

std::string RefusingPort::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::optional<std::string> Request::header(const std::string& name) const {
    return headerValue(headerLines, name);
}

HttpServer::HttpServer() : HttpServer(Options{}) {}

HttpServer::HttpServer(Options options) : options_(std::move(options)), nonce_(randomNonce()) {
    try {
        if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0)
            throw std::runtime_error("loopback server: no pipe");
        if (!options_.certificateFile.empty() && !options_.keyFile.empty()) {
            tls_ = SSL_CTX_new(TLS_server_method());
            if (tls_ == nullptr ||
                SSL_CTX_use_certificate_file(tls_, options_.certificateFile.c_str(),
                                             SSL_FILETYPE_PEM) != 1 ||
                SSL_CTX_use_PrivateKey_file(tls_, options_.keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
                throw std::runtime_error("loopback server: cannot load the TLS certificate");
        }
        listenSocket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int yes = 1;
        ::setsockopt(listenSocket_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listenSocket_ < 0 ||
            ::bind(listenSocket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listenSocket_, SOMAXCONN) != 0 ||
            ::getsockname(listenSocket_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("loopback server: cannot listen on 127.0.0.1");
        port_ = ntohs(address.sin_port);
        acceptThread_ = std::thread(&HttpServer::acceptLoop, this);
    } catch (...) {
        releaseResources();
        throw;
    }
}

HttpServer::~HttpServer() {
    const char stop = 1;
    if (::write(stopPipe_[1], &stop, 1) != 1)
        std::abort(); // the threads could never be told to stop
    acceptThread_.join();
    releaseResources();
}

void HttpServer::releaseResources() {
    for (int fd : {listenSocket_, stopPipe_[0], stopPipe_[1]})
        if (fd >= 0)
            ::close(fd);
    listenSocket_ = stopPipe_[0] = stopPipe_[1] = -1;
    if (tls_ != nullptr)
        SSL_CTX_free(tls_);
    tls_ = nullptr;
}

std::string HttpServer::baseUrl() const {
    return std::string(tls_ != nullptr ? "https" : "http") +
           "://127.0.0.1:" + std::to_string(port_);
}

void HttpServer::enqueue(Response response) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_.push_back(std::move(response));
}

void HttpServer::setHandler(Handler handler) {
    std::lock_guard<std::mutex> lock(handlerMutex_);
    handler_ = std::move(handler);
}

std::vector<Request> HttpServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

size_t HttpServer::requestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

int HttpServer::connectionCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connections_;
}

Request HttpServer::lastRequest() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (requests_.empty())
        throw std::out_of_range("loopback server: no request was received");
    return requests_.back();
}

void HttpServer::clearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

void HttpServer::record(const Request& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
}

void HttpServer::acceptLoop() {
    // A client that hangs up makes writes raise SIGPIPE (OpenSSL writes with write()); the
    // server threads block it and see EPIPE instead. Connection threads inherit the mask.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    pollfd fds[2] = {{listenSocket_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) >= 0 || errno == EINTR) {
        if (fds[1].revents != 0)
            break;
        const int socket = ::accept4(listenSocket_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                // Out of descriptors, say: back off instead of spinning on the ready socket.
                pollfd stop = {stopPipe_[0], POLLIN, 0};
                ::poll(&stop, 1, 10);
            }
            continue;
        }
        workers_.remove_if([](Worker& worker) {
            if (!worker.finished->load())
                return false;
            worker.thread.join();
            return true;
        });
        int number;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            number = ++connections_;
        }
        auto finished = std::make_shared<std::atomic<bool>>(false);
        std::thread thread([this, socket, number, finished] {
            serveConnection(socket, number);
            finished->store(true);
        });
        workers_.push_back(Worker{std::move(thread), finished});
    }
    for (Worker& worker : workers_)
        worker.thread.join();
    workers_.clear();
}

Response HttpServer::answerFor(const Request& request) {
    if (options_.digest) {
        const auto authorization = request.header("Authorization");
        if (!authorization || !digestAuthorizes(*authorization, *options_.digest, nonce_,
                                                request.method, request.target)) {
            Response challenge;
            challenge.status = 401;
            challenge.headerLines = {"WWW-Authenticate: " +
                                     digestChallenge(*options_.digest, nonce_)};
            challenge.body = "Unauthorized";
            return challenge;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!script_.empty()) {
            Response next = std::move(script_.front());
            script_.pop_front();
            return next;
        }
    }
    std::lock_guard<std::mutex> lock(handlerMutex_);
    if (!handler_)
        return Response{};
    try {
        return handler_(request);
    } catch (const std::exception& error) {
        Response broken;
        broken.status = 500;
        broken.body = std::string("handler failed: ") + error.what();
        return broken;
    }
}

void HttpServer::serveConnection(int socket, int number) {
    Connection connection(socket, tls_, stopPipe_[0]);
    if (!connection.open())
        return;
    std::string buffer;
    for (;;) {
        if (buffer.empty() && options_.idleClose.count() > 0 &&
            connection.staysIdle(options_.idleClose))
            return;
        size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (buffer.size() > kMaxHeadBytes) {
                connection.writeAll(failure(431));
                return;
            }
            if (!connection.readSome(buffer, kMaxHeadBytes))
                return;
        }
        Request request;
        const bool wellFormed = parseHead(buffer.substr(0, headEnd), request);
        buffer.erase(0, headEnd + 4);
        const auto length = contentLength(request);
        if (!wellFormed || !length || *length > kMaxBodyBytes) {
            connection.writeAll(failure(wellFormed && length ? 413 : 400));
            return;
        }
        if (request.header("Transfer-Encoding")) {
            connection.writeAll(failure(501));
            return;
        }
        const bool expectsContinue =
            lowerCase(request.header("Expect").value_or("")) == "100-continue";
        if (expectsContinue && options_.send100Continue && buffer.size() < *length &&
            !connection.writeAll("HTTP/1.1 100 Continue\r\n\r\n"))
            return;
        while (buffer.size() < *length) {
            if (!connection.pause(options_.bodyReadPause) ||
                !connection.readSome(buffer, static_cast<size_t>(*length - buffer.size())))
                return;
        }
        request.body = buffer.substr(0, static_cast<size_t>(*length));
        buffer.erase(0, static_cast<size_t>(*length));
        request.connection = number;
        request.resumedTls = connection.resumedTls();
        record(request);

        Response response = answerFor(request);
        if (!connection.pause(response.delay) || response.closeWithoutAnswer)
            return;
        if (response.raw) {
            bool sent = connection.writeAll(*response.raw);
            while (sent && !response.endlessAfterRaw.empty())
                sent = connection.writeAll(response.endlessAfterRaw);
            if (sent && connection.pause(response.stallAfterRaw) && response.resetAfterRaw)
                connection.resetOnClose();
            return;
        }
        if (options_.closeAfterEveryAnswer)
            response.headerLines.push_back("Connection: close");
        if (!writeAnswer(connection, rendered(response, request.method == "HEAD"), response) ||
            !keepsConnection(request, response))
            return;
    }
}

Response xmlResponse(int status, std::string body) {
    return Response(status, {"Content-Type: application/xml; charset=utf-8"}, std::move(body));
}

} // namespace loopback
