// One request while libcurl runs it on the client's kept handle: the answer's own buffers (or the
// sink its multistatus body goes to), the guard that keeps libcurl from sending a write twice,
// and the result libcurl's outcome gives. Used by CardDavClient only.
#pragma once

#include "Transport/CardDavClient.h"
#include "Transport/StallWatch.h"

#include <curl/curl.h>

#include <chrono>
#include <exception>
#include <optional>
#include <string>

// Whether a request with this method only reads: libcurl may send such a request again when a
// reused connection turned out dead before any answer came.
bool isReadOnlyMethod(const std::string& method);

class RequestExchange {
public:
    // Points the handle's callbacks at this exchange. `resendable` tells whether libcurl may send
    // the request again when a reused connection turns out dead before any answer arrived: it
    // does so on a fresh connection, which is right for a read but not for a write, which the
    // server may already have carried out. With a `stallWindow`, the transfer ends as soon as it
    // moves too little within that window (StallWatch). A body growing beyond `maxBody` bytes
    // (0: no limit of its own) ends the transfer, and so does an answer, header lines and body
    // together, growing beyond `ceiling` bytes. The body of a 207 answer goes to `sink` (may be
    // null) instead of the answer.
    RequestExchange(CURL* handle, bool resendable,
                    std::optional<std::chrono::milliseconds> stallWindow, std::size_t maxBody,
                    std::size_t ceiling, BodySink* sink);
    // Detaches the callbacks' data and the header list from the handle.
    ~RequestExchange();
    RequestExchange(const RequestExchange&) = delete;
    RequestExchange& operator=(const RequestExchange&) = delete;

    // The answer for libcurl's outcome: status, headers and body only when the transfer
    // completed, or ended because the sink wanted no more; 65501 or 65502 for a refused
    // certificate or an aborted write; otherwise (a stalled transfer, or one given up for its
    // size, included) status 0 with nothing else but the reason. Throws std::bad_alloc when the
    // answer did not fit in memory, and what the sink threw.
    Query finish(CURLcode outcome, const std::string& url);

private:
    // What kind of failure a libcurl outcome other than a success is.
    static TransportFailure failureKind(CURLcode outcome);

    static size_t onHeader(char* data, size_t size, size_t count, void* exchange);
    static size_t onBody(char* data, size_t size, size_t count, void* exchange);
    // Whether `length` more bytes keep the answer within the ceiling; when not, the transfer is
    // given up as beyond it.
    bool withinCeiling(size_t length);
    static int onAttempt(void* exchange, char*, char*, int, int);
    static int onProgress(void* exchange, curl_off_t, curl_off_t received, curl_off_t,
                          curl_off_t sent);
    // Before the first byte of the body: where it goes, and room for it where it is kept.
    void startBody();
    // Hands `length` bytes of the body on; false ends the transfer.
    bool takeBody(const char* data, std::size_t length);

    CURL* handle;
    bool resendable;
    int attempts = 0;
    // Whether a response byte arrived since the request was last sent.
    bool heardBack = false;
    // What a callback caught, raised again once libcurl is done.
    std::exception_ptr thrown;
    std::optional<StallWatch> stall;
    bool stalled = false;
    std::size_t maxBody;
    bool tooLarge = false;
    std::size_t ceiling;
    bool beyondCeiling = false;
    BodySink* sink;
    bool bodyStarted = false;
    bool streaming = false; // the body goes to the sink
    bool sinkSatisfied = false;
    std::size_t bodyBytes = 0;
    std::string headers;
    std::string body;
};
