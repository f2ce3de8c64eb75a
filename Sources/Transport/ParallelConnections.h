// The libcurl handles on which CardDavClient::query_all runs requests side by side: one multi
// handle, whose pool keeps the connections open from call to call, and one easy handle for each
// request in flight. Used by CardDavClient only.
#pragma once

#include "Transport/CardDavClient.h"

#include <curl/curl.h>

#include <cstddef>
#include <vector>

class ParallelConnections {
public:
    // At most `width` requests in flight, each on a connection of its own (or all on one
    // multiplexed HTTP/2 connection). Throws std::bad_alloc when libcurl cannot make its
    // handles.
    explicit ParallelConnections(std::size_t width);
    ~ParallelConnections();
    ParallelConnections(const ParallelConnections&) = delete;
    ParallelConnections& operator=(const ParallelConnections&) = delete;

    CURLM* multi() const { return multiHandle; }
    std::size_t width() const { return handles.size(); }
    CURL* handle(std::size_t slot) const { return handles[slot]; }

private:
    void release();

    CURLM* multiHandle = nullptr;
    std::vector<CURL*> handles;
};
