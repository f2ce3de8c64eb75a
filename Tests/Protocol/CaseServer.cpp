#include "CaseServer.h"

#include "Utils/AsciiCase.h"

#include <algorithm>

namespace {

std::string key(const std::string& method, const std::string& target) {
    return method + " " + target;
}

loopback::Response rendered(const CaseAnswer& answer) {
    loopback::Response response(answer.status, answer.headerLines, answer.body);
    response.reason = answer.reason;
    response.closeWithoutAnswer = answer.hangup;
    if (answer.close && !answer.hangup) {
        // Sent as written, status line and all, and the connection closed after it.
        std::string bytes =
            answer.version + " " + std::to_string(answer.status) + " " + answer.reason + "\r\n";
        bool hasLength = false;
        for (const std::string& line : answer.headerLines) {
            bytes += line + "\r\n";
            hasLength = hasLength || startsWithIgnoringAsciiCase(line, "Content-Length:");
        }
        if (!hasLength)
            bytes += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
        response.raw = bytes + "\r\n" + answer.body;
    }
    return response;
}

} // namespace

CaseServer::CaseServer(loopback::HttpServer& server, const std::vector<CaseAnswer>& answers)
    : server_(server) {
    for (const CaseAnswer& answer : answers) {
        if (answer.method.empty())
            inOrder_.push_back(answer);
        else
            byRequest_[key(answer.method, answer.target)].first.push_back(answer);
    }
    server.setHandler([this](const loopback::Request& request) { return answer(request); });
}

CaseServer::~CaseServer() {
    server_.setHandler(nullptr);
}

loopback::Response CaseServer::answer(const loopback::Request& request) {
    for (const std::string& method : {request.method, std::string("*")}) {
        const auto found = byRequest_.find(key(method, request.target));
        if (found == byRequest_.end())
            continue;
        auto& [answers, used] = found->second;
        const CaseAnswer& next = answers[std::min(used, answers.size() - 1)];
        ++used;
        return rendered(next);
    }
    if (inOrder_.empty())
        return loopback::Response(404);
    const CaseAnswer next = inOrder_.front();
    inOrder_.pop_front();
    return rendered(next);
}
