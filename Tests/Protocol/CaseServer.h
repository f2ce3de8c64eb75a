// Answers the loopback server's requests as a protocol case says: an answer written for the
// request's method and path (each in turn, the last one again and again), else the next answer
// written for no request in particular, else 404.
#pragma once

#include "CaseFile.h"
#include "LoopbackHttpServer.h"

#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CaseServer {
public:
    // Installs itself as the handler of `server` (which must outlive it), until destroyed.
    CaseServer(loopback::HttpServer& server, const std::vector<CaseAnswer>& answers);
    ~CaseServer();
    CaseServer(const CaseServer&) = delete;
    CaseServer& operator=(const CaseServer&) = delete;

private:
    loopback::Response answer(const loopback::Request& request);

    loopback::HttpServer& server_;

    // By "METHOD target": the answers and how many were used.
    std::map<std::string, std::pair<std::vector<CaseAnswer>, std::size_t>> byRequest_;
    std::deque<CaseAnswer> inOrder_;
};
