#include "Transport/RequestExchange.h"

#include <utility>

namespace {

// A declared body length beyond this is not reserved at once: a server may claim anything.
constexpr curl_off_t kLargestReserve = 256 * 1024 * 1024;

} // namespace

bool isReadOnlyMethod(const std::string& method) {
    for (const char* read : {"GET", "HEAD", "PROPFIND", "REPORT", "OPTIONS"})
        if (method == read)
            return true;
    return false;
}

RequestExchange::RequestExchange(CURL* handle, bool resendable,
                                 std::optional<std::chrono::milliseconds> stallWindow,
                                 std::size_t maxBody, std::size_t ceiling, BodySink* sink)
    : handle(handle), resendable(resendable), maxBody(maxBody), ceiling(ceiling), sink(sink) {
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, onAttempt);
    curl_easy_setopt(handle, CURLOPT_PREREQDATA, this);
    if (stallWindow)
        stall.emplace(*stallWindow, StallWatch::Clock::now());
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, stall ? 0L : 1L);
}

RequestExchange::~RequestExchange() {
    // The header list is freed once the request is done.
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, static_cast<void*>(nullptr));
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, static_cast<void*>(nullptr));
    curl_easy_setopt(handle, CURLOPT_PREREQDATA, static_cast<void*>(nullptr));
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, static_cast<void*>(nullptr));
}

// The callbacks never let an exception into libcurl's C frames: one ends the transfer (returning
// fewer bytes than given), and `finish` raises it again.
size_t RequestExchange::onHeader(char* data, size_t size, size_t count, void* exchange) {
    auto* self = static_cast<RequestExchange*>(exchange);
    if (self == nullptr)
        return 0;
    self->heardBack = true;
    if (!self->withinCeiling(size * count))
        return 0;
    try {
        return CardDavClient::write_data(data, size, count, &self->headers);
    } catch (...) {
        self->thrown = std::current_exception();
        return 0;
    }
}

size_t RequestExchange::onBody(char* data, size_t size, size_t count, void* exchange) {
    auto* self = static_cast<RequestExchange*>(exchange);
    if (self == nullptr)
        return 0;
    try {
        return self->takeBody(data, size * count) ? size * count : 0;
    } catch (...) {
        self->thrown = std::current_exception();
        return 0;
    }
}

void RequestExchange::startBody() {
    bodyStarted = true;
    // libcurl skips the bodies of the answers it answers itself (an authentication challenge):
    // the first body byte is the final answer's, whose status is known by now.
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    streaming = sink != nullptr && status == 207;
    if (streaming)
        return;
    // Growing a large answer piece by piece moves it again and again.
    curl_off_t declared = -1;
    curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared);
    if (declared > 0 && declared <= kLargestReserve &&
        static_cast<std::size_t>(declared) <= ceiling &&
        (maxBody == 0 || static_cast<std::size_t>(declared) <= maxBody))
        body.reserve(static_cast<size_t>(declared));
}

bool RequestExchange::takeBody(const char* data, std::size_t length) {
    if (!bodyStarted)
        startBody();
    // The request's own limit, where it is below the ceiling, is met first.
    if (maxBody > 0 && maxBody < ceiling && bodyBytes + length > maxBody) {
        tooLarge = true;
        return false;
    }
    if (!withinCeiling(length))
        return false;
    bodyBytes += length;
    if (!streaming) {
        body.append(data, length);
        return true;
    }
    if (sink->take(std::string_view(data, length)))
        return true;
    sinkSatisfied = true;
    return false;
}

bool RequestExchange::withinCeiling(size_t length) {
    // What arrived so far is within the ceiling, so the room left cannot be negative. A body that
    // went to the sink counts as much as one kept.
    if (length <= ceiling - (headers.size() + bodyBytes))
        return true;
    beyondCeiling = true;
    return false;
}

int RequestExchange::onAttempt(void* exchange, char*, char*, int, int) {
    auto* self = static_cast<RequestExchange*>(exchange);
    if (self == nullptr)
        return CURL_PREREQFUNC_ABORT;
    // A second attempt without any answer to the first is libcurl retrying on a fresh
    // connection; a second attempt after an answer is an authentication round.
    const bool silentRetry = self->attempts > 0 && !self->heardBack;
    ++self->attempts;
    self->heardBack = false;
    return silentRetry && !self->resendable ? CURL_PREREQFUNC_ABORT : CURL_PREREQFUNC_OK;
}

int RequestExchange::onProgress(void* exchange, curl_off_t, curl_off_t received, curl_off_t,
                                curl_off_t sent) {
    auto* self = static_cast<RequestExchange*>(exchange);
    if (self == nullptr || !self->stall)
        return 0;
    if (self->stall->keepsMoving(received, sent, StallWatch::Clock::now()))
        return 0;
    self->stalled = true;
    return 1; // ends the transfer
}

Query RequestExchange::finish(CURLcode outcome, const std::string& url) {
    if (thrown)
        std::rethrow_exception(thrown);
    // A sink that wanted no more ended a transfer that was going well.
    if (sinkSatisfied && outcome == CURLE_WRITE_ERROR)
        outcome = CURLE_OK;
    Query answer;
    answer.url = url;
    answer.tooLarge = tooLarge;
    answer.beyondCeiling = beyondCeiling;
    if (beyondCeiling)
        answer.failure = "the server's answer grew beyond the answer ceiling of " +
                         std::to_string(ceiling) + " bytes; nothing of it was used";
    else if (tooLarge)
        answer.failure = "the answer is larger than " + std::to_string(maxBody) + " bytes";
    else if (outcome != CURLE_OK)
        answer.failure = curl_easy_strerror(outcome);
    switch (outcome) {
    case CURLE_OK: {
        long code = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
        answer.status = static_cast<int>(code);
        answer.headers = std::move(headers);
        answer.body = std::move(body);
        break;
    }
    case CURLE_PEER_FAILED_VERIFICATION:
        answer.status = CardDavClient::kCertificateFailed;
        break;
    case CURLE_ABORTED_BY_CALLBACK:
        // A stalled transfer is no answer, like one that timed out.
        if (!stalled)
            answer.status = CardDavClient::kAbortedByCallback;
        else
            answer.failureKind = TransportFailure::Unreachable;
        break;
    default:
        // Cut off, reset, timed out, stalled, unreachable: whatever arrived is no answer.
        answer.failureKind = tooLarge ? TransportFailure::Other : failureKind(outcome);
        break;
    }
    return answer;
}

TransportFailure RequestExchange::failureKind(CURLcode outcome) {
    switch (outcome) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
        return TransportFailure::Unreachable;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
        return TransportFailure::Tls;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return TransportFailure::UnusableUrl;
    default:
        return TransportFailure::Other;
    }
}
