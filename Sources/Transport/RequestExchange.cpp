#include "Transport/RequestExchange.h"

#include <new>
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
                                 std::size_t maxBody, std::size_t ceiling)
    : handle(handle), resendable(resendable), maxBody(maxBody), ceiling(ceiling) {
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

// The callbacks never let an exception into libcurl's C frames: running out of memory ends the
// transfer (returning fewer bytes than given), and `finish` raises it again.
size_t RequestExchange::onHeader(char* data, size_t size, size_t count, void* exchange) {
    auto* self = static_cast<RequestExchange*>(exchange);
    if (self == nullptr)
        return 0;
    self->heardBack = true;
    if (!self->withinCeiling(size * count))
        return 0;
    try {
        return CardDavClient::write_data(data, size, count, &self->headers);
    } catch (const std::bad_alloc&) {
        self->outOfMemory = true;
        return 0;
    }
}

size_t RequestExchange::onBody(char* data, size_t size, size_t count, void* exchange) {
    auto* self = static_cast<RequestExchange*>(exchange);
    if (self == nullptr)
        return 0;
    try {
        if (self->body.empty()) {
            // Growing a large answer piece by piece moves it again and again.
            curl_off_t declared = -1;
            curl_easy_getinfo(self->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared);
            if (declared > 0 && declared <= kLargestReserve &&
                static_cast<std::size_t>(declared) <= self->ceiling &&
                (self->maxBody == 0 || static_cast<std::size_t>(declared) <= self->maxBody))
                self->body.reserve(static_cast<size_t>(declared));
        }
        // The request's own limit, where it is below the ceiling, is met first.
        if (self->maxBody > 0 && self->maxBody < self->ceiling &&
            self->body.size() + size * count > self->maxBody) {
            self->tooLarge = true;
            return 0;
        }
        if (!self->withinCeiling(size * count))
            return 0;
        return CardDavClient::write_data(data, size, count, &self->body);
    } catch (const std::bad_alloc&) {
        self->outOfMemory = true;
        return 0;
    }
}

bool RequestExchange::withinCeiling(size_t length) {
    // What arrived so far is within the ceiling, so the room left cannot be negative.
    if (length <= ceiling - (headers.size() + body.size()))
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
    if (outOfMemory)
        throw std::bad_alloc();
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
