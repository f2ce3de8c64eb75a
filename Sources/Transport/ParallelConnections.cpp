#include "Transport/ParallelConnections.h"

#include "Transport/HeaderList.h"
#include "Transport/RequestExchange.h"

#include <memory>
#include <new>
#include <optional>
#include <utility>

ParallelConnections::ParallelConnections(std::size_t width) {
    multiHandle = curl_multi_init();
    CURL* easy = nullptr;
    while (multiHandle != nullptr && handles.size() < width &&
           (easy = curl_easy_init()) != nullptr) {
        // Over HTTP/2 the requests wait for the one connection rather than each opening its own.
        curl_easy_setopt(easy, CURLOPT_PIPEWAIT, 1L);
        handles.push_back(easy);
    }
    if (handles.size() < width) {
        release();
        throw std::bad_alloc();
    }
    curl_multi_setopt(multiHandle, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(width));
}

ParallelConnections::~ParallelConnections() {
    release();
}

void ParallelConnections::release() {
    for (CURL* easy : handles)
        curl_easy_cleanup(easy);
    handles.clear();
    if (multiHandle != nullptr)
        curl_multi_cleanup(multiHandle);
    multiHandle = nullptr;
}

void CardDavClient::ParallelCleanup::operator()(ParallelConnections* connections) const {
    delete connections;
}

namespace {

// One request in flight on one of the easy handles: its header list and its exchange, taken
// off the multi handle whatever way the run ends.
class Slot {
public:
    Slot(CURLM* multi, CURL* handle) : multi(multi), handle(handle) {}
    ~Slot() { stop(); }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    bool busy() const { return exchange.has_value(); }
    CURL* easy() const { return handle; }
    std::size_t index() const { return requestIndex; }

    void start(std::size_t index, curl_slist* list, bool resendable,
               std::optional<std::chrono::milliseconds> stallWindow, std::size_t ceiling) {
        requestIndex = index;
        headers = list;
        exchange.emplace(handle, resendable, stallWindow, 0, ceiling, nullptr);
        if (curl_multi_add_handle(multi, handle) != CURLM_OK) {
            stop();
            throw std::bad_alloc();
        }
        attached = true;
    }

    Query finish(CURLcode outcome, const std::string& url) {
        Query answer = exchange->finish(outcome, url);
        stop();
        return answer;
    }

private:
    void stop() {
        if (attached)
            curl_multi_remove_handle(multi, handle);
        attached = false;
        exchange.reset();
        if (headers != nullptr)
            curl_slist_free_all(headers);
        headers = nullptr;
    }

    CURLM* multi;
    CURL* handle;
    std::size_t requestIndex = 0;
    curl_slist* headers = nullptr;
    bool attached = false;
    std::optional<RequestExchange> exchange;
};

curl_slist* headerLines(const HttpRequest& request) {
    std::vector<std::string> lines = request.headers;
    // As `query` does: no "Expect: 100-continue" wait before a body.
    if (!request.body.empty())
        lines.emplace_back("Expect:");
    return headerList(lines);
}

} // namespace

std::vector<Query> CardDavClient::query_all(const std::vector<HttpRequest>& requests) {
    std::vector<Query> answers(requests.size());
    // One request gains nothing from another connection: the kept one serves it.
    if (requests.size() == 1) {
        answers[0] = send(requests[0]);
        return answers;
    }
    if (!parallel)
        parallel.reset(new ParallelConnections(kParallelConnections));
    CURLM* multi = parallel->multi();
    std::vector<std::unique_ptr<Slot>> slots;
    for (std::size_t slot = 0; slot < parallel->width(); ++slot)
        slots.push_back(std::make_unique<Slot>(multi, parallel->handle(slot)));

    std::size_t next = 0;
    std::size_t done = 0;
    while (done < requests.size()) {
        for (const auto& slot : slots) {
            if (slot->busy() || next == requests.size())
                continue;
            const HttpRequest& request = requests[next];
            curl_slist* headers = headerLines(request);
            prepare(slot->easy(), request.url, request.method, request.body, headers);
            slot->start(next++, headers, isReadOnlyMethod(request.method), stallWindow(),
                        answerCeiling);
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        bool finished = false;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            for (const auto& slot : slots) {
                if (!slot->busy() || slot->easy() != message->easy_handle)
                    continue;
                const std::size_t index = slot->index();
                answers[index] = slot->finish(message->data.result, requests[index].url);
                ++done;
                finished = true;
                break;
            }
        }
        // A handle just freed takes the next request at once; otherwise wait for the network.
        if (!finished && running > 0)
            curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    return answers;
}
