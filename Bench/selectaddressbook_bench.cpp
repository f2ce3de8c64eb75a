// Selecting an address book of 10,000 and of 100,000 cards served from memory by the loopback
// server (a listing of the few properties asked, as a server that honours partial address-data
// sends it), again (SelectAddressBook; SelectEdited: with every hundredth card edited since) and
// as the first selection of a session (FirstSelection),
// against the curl command sending the same REPORT to the same server: the plug-in's work
// beyond the transfer. Both report their wall time, curl's with the start of its process; curl's
// own time for the transfer alone is its counter curl_transfer_ms. Memory is reported, for those
// and for a book of 1,000,000 cards (SelectionMemory, one selection), as
//   select_peak_heap_mb: the most heap the selection held at once on the plug-in's threads (C++
//                        allocations and the XML parser's), what it keeps included;
//   kept_heap_mb:        what stays allocated after the selection: what is known of the book's
//                        cards (nothing of the answer is kept beyond the call);
//   peak_over_kept:      the one over the other;
//   curl_peak_rss_mb:    the curl process's peak resident size, from /usr/bin/time when present.
// To compare with an earlier state of the code, build this file there too and run both in turn
// (Bench/compare_with.sh).
#include "Functions/Sessions.h"
#include "LoopbackHttpServer.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"

#include <benchmark/benchmark.h>

#include <pugixml.hpp>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// ---- Heap accounting of the plug-in's threads ----
// Every block carries its size in front, so that frees are accounted exactly; blocks of the
// loopback server's threads (which mark themselves) are allocated the same way but not counted.

namespace {

constexpr std::size_t kHeader = alignof(std::max_align_t);
std::atomic<bool> counting{false};
thread_local bool serverThread = false;
std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};

// Kept out of line: inlined into the replaced operators, GCC takes the malloc/free pair for a
// mismatched new/delete.
[[gnu::noinline]] void* allocate(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block)
        return nullptr;
    const bool counted = counting.load(std::memory_order_relaxed) && !serverThread;
    *reinterpret_cast<std::size_t*>(block) = counted ? size : 0;
    if (counted) {
        const std::size_t now = inUse.fetch_add(size) + size;
        std::size_t highest = peak.load();
        while (now > highest && !peak.compare_exchange_weak(highest, now)) {
        }
    }
    return block + kHeader;
}

[[gnu::noinline]] void release(void* pointer) {
    if (!pointer)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - kHeader;
    // Uncounted blocks (most of them the server's) leave the shared counter alone: the two
    // threads would otherwise contend for it on every free.
    if (const std::size_t size = *reinterpret_cast<std::size_t*>(block))
        inUse.fetch_sub(size);
    std::free(block);
}

} // namespace

void* operator new(std::size_t size) {
    if (void* block = allocate(size))
        return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* pointer) noexcept {
    release(pointer);
}
void operator delete[](void* pointer) noexcept {
    release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    release(pointer);
}

namespace {

// The UID of card `n`: as long as the UUIDs most clients give their cards, different from the
// first bytes on.
std::string cardUid(int n) {
    char uid[40];
    std::snprintf(uid, sizeof uid, "%08X-1D2C-4B3A-9F8E-%012d", n * 2654435761U, n);
    return uid;
}

// A listing entry as a server sends it that honours the listing's few properties.
std::string listedCard(int n) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + cardUid(n) + "\r\nFN:Person " +
           std::to_string(n) + "\r\nEND:VCARD\r\n";
}

// The REPORT answer listing `cards` cards, written once; `edited`: with every hundredth card
// at a new tag, as a client's edits leave them.
std::string listing(int cards, bool edited = false) {
    std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<d:multistatus "
                       "xmlns:d=\"DAV:\" xmlns:card=\"urn:ietf:params:xml:ns:carddav\">";
    for (int n = 0; n < cards; ++n) {
        const std::string id = std::to_string(n);
        const bool changed = edited && n % 100 == 0;
        body += "<d:response><d:href>/home/book/" + id +
                ".vcf</d:href><d:propstat><d:prop><d:getetag>\"etag-" + id + (changed ? "-2" : "") +
                "\"</d:getetag><d:getlastmodified>Tue, 08 Dec 2026 10:00:00 "
                "GMT</d:getlastmodified><card:address-data>" +
                listedCard(n) +
                "</card:address-data></d:prop><d:status>HTTP/1.1 200 "
                "OK</d:status></d:propstat></d:response>";
    }
    return body + "</d:multistatus>";
}

// The book's own properties, asked before the listing: its sync token.
const char* const kSyncTokenAnswer =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<d:multistatus xmlns:d=\"DAV:\"><d:response>"
    "<d:href>/home/book/</d:href><d:propstat><d:prop><d:sync-token>http://example.com/sync/1"
    "</d:sync-token></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>"
    "</d:multistatus>";

// One server per book size for both benchmarks, so that both fetch the very same bytes. With
// `edits`, it lists the book with every hundredth card edited and as before in turn.
struct Shared {
    explicit Shared(int cards, bool edits = false)
        : cards(cards), answer(listing(cards)), edited(edits ? listing(cards, true) : "") {
        server.setHandler([this](const loopback::Request& request) {
            serverThread = true;
            if (request.method == "PROPFIND")
                return loopback::Response(207, {"Content-Type: application/xml; charset=utf-8"},
                                          kSyncTokenAnswer);
            const bool anEdit = !edited.empty() && ++reports % 2 == 0;
            return loopback::Response(207, {"Content-Type: application/xml; charset=utf-8"},
                                      anEdit ? edited : answer);
        });
    }
    int cards;
    std::string answer;
    std::string edited;
    std::atomic<int> reports{0};
    loopback::HttpServer server;
    loopback::Request report; // the plug-in's REPORT, as the server received it
};

Shared& shared(int cards) {
    static std::map<int, std::unique_ptr<Shared>> instances;
    std::unique_ptr<Shared>& instance = instances[cards];
    if (!instance)
        instance = std::make_unique<Shared>(cards);
    return *instance;
}

// A session connected to the server, no book selected.
void connect(PluginHarness& host, const Shared& s) {
    resetPluginState();
    host.call("CardDav_SetServer", {Arg::text(s.server.baseUrl())});
    session().connected = true;
    session().root_address_url = s.server.baseUrl() + "/home/";
}

double megabytes(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

std::string bookUrl(const Shared& s) {
    return s.server.baseUrl() + "/home/book/";
}

// Selects the book; whether every card came.
bool selectBook(PluginHarness& host, const Shared& s) {
    const CallResult result = host.call("CardDav_SelectAddressBook", {Arg::text(bookUrl(s))});
    return result.error == 0 && session().book.cards().size() == static_cast<size_t>(s.cards);
}

// One selection, counted, in a fresh session: its peak and what it leaves.
void countSelection(benchmark::State& state, PluginHarness& host, Shared& s) {
    connect(host, s);
    pugi::set_memory_management_functions(allocate, release);
    counting = true;
    inUse = 0;
    peak = 0;
    const bool selected = selectBook(host, s);
    counting = false;
    if (!selected)
        state.SkipWithError("the selection failed");
    state.counters["select_peak_heap_mb"] = megabytes(peak);
    state.counters["kept_heap_mb"] = megabytes(inUse);
    state.counters["peak_over_kept"] = static_cast<double>(peak) / static_cast<double>(inUse);
    state.counters["answer_mb"] = megabytes(s.answer.size());
}

void SelectAddressBook(benchmark::State& state) {
    Shared& s = shared(static_cast<int>(state.range(0)));
    PluginHarness host;
    connect(host, s);
    pugi::set_memory_management_functions(allocate, release);
    for (auto _ : state) {
        if (!selectBook(host, s))
            state.SkipWithError("the selection failed");
    }
    s.report = s.server.lastRequest();
    countSelection(state, host, s);
}
BENCHMARK(SelectAddressBook)
    ->Arg(10000)
    ->Arg(100000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

// Selecting again a book of which every hundredth card was edited since the last selection.
void SelectEdited(benchmark::State& state) {
    static Shared s(static_cast<int>(state.range(0)), true);
    PluginHarness host;
    connect(host, s);
    for (auto _ : state) {
        if (!selectBook(host, s))
            state.SkipWithError("the selection failed");
    }
}
BENCHMARK(SelectEdited)->Arg(10000)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The first selection of a session, which has no records of the book to compare or free: the
// session is made anew before each, untimed.
void FirstSelection(benchmark::State& state) {
    Shared& s = shared(static_cast<int>(state.range(0)));
    PluginHarness host;
    for (auto _ : state) {
        state.PauseTiming();
        connect(host, s);
        state.ResumeTiming();
        if (!selectBook(host, s))
            state.SkipWithError("the selection failed");
    }
}
BENCHMARK(FirstSelection)
    ->Arg(10000)
    ->Arg(100000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

// The memory of selecting a book too large to time in rounds.
void SelectionMemory(benchmark::State& state) {
    PluginHarness host;
    for (auto _ : state)
        countSelection(state, host, shared(static_cast<int>(state.range(0))));
}
BENCHMARK(SelectionMemory)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The peak resident size of one curl run, as /usr/bin/time reports it (a process spawned from
// this one would count this process's memory in its own peak), its output placed by `files`; 0
// without /usr/bin/time.
double curlPeakRssMb(const std::vector<char*>& curlArgv, const posix_spawn_file_actions_t* files) {
    if (access("/usr/bin/time", X_OK) != 0)
        return 0;
    const std::string out = "/tmp/talvero-bench-time.txt";
    std::vector<char*> argv = {const_cast<char*>("/usr/bin/time"), const_cast<char*>("-f"),
                               const_cast<char*>("%M"), const_cast<char*>("-o"),
                               const_cast<char*>(out.c_str())};
    argv.insert(argv.end(), curlArgv.begin(), curlArgv.end());
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, "/usr/bin/time", files, nullptr, argv.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid)
        return 0;
    double kilobytes = 0;
    std::ifstream(out) >> kilobytes;
    std::remove(out.c_str());
    return kilobytes / 1024.0;
}

// The same REPORT (same headers and body) sent by the curl command; its output is discarded.
void CurlReport(benchmark::State& state) {
    Shared& s = shared(static_cast<int>(state.range(0)));
    if (s.report.method.empty()) {
        state.SkipWithError("run SelectAddressBook first (it records the request)");
        return;
    }
    const std::string bodyFile = "/tmp/talvero-bench-report.xml";
    std::ofstream(bodyFile, std::ios::binary) << s.report.body;
    // curl writes its own time from the start of the transfer to its last byte: the bare transfer,
    // without the start of a process, which costs from 2 to 30 ms depending on the machine.
    std::vector<std::string> args = {"curl", "-s", "-o", "/dev/null", "-X", "REPORT"};
    args.insert(args.end(), {"-w", "%{time_total}\n"});
    for (const std::string& line : s.report.headerLines) {
        const std::string name = line.substr(0, line.find(':'));
        if (name != "Host" && name != "Content-Length" && name != "Accept")
            args.insert(args.end(), {"-H", line});
    }
    args.insert(args.end(),
                {"--data-binary", "@" + bodyFile, s.server.baseUrl() + s.report.target});
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const std::string timesFile = "/tmp/talvero-bench-times.txt";
    posix_spawn_file_actions_t toTimes;
    posix_spawn_file_actions_init(&toTimes);
    posix_spawn_file_actions_addopen(&toTimes, STDOUT_FILENO, timesFile.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    std::remove(timesFile.c_str());
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "curl", &toTimes, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("curl failed");
    }
    double seconds = 0;
    double transfer = 0;
    for (std::ifstream times(timesFile); times >> seconds;)
        transfer += seconds;
    state.counters["curl_transfer_ms"] =
        benchmark::Counter(transfer * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters["curl_peak_rss_mb"] = curlPeakRssMb(argv, &toTimes);
    posix_spawn_file_actions_destroy(&toTimes);
    std::remove(timesFile.c_str());
    std::remove(bodyFile.c_str());
}
BENCHMARK(CurlReport)
    ->Arg(10000)
    ->Arg(100000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

// CardDav_FetchvCards of 100 cards with 2 MB photos: what it holds at most while it runs (the
// texts it keeps, at most 64 MB, and one batch of answers), and what it keeps afterwards.
void FetchLargeCards(benchmark::State& state) {
    constexpr int kLarge = 100;
    const std::string photo(2 * 1024 * 1024 * 4 / 3, 'A');
    loopback::HttpServer server;
    server.setHandler([&](const loopback::Request& request) {
        serverThread = true;
        std::string body = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
                           "xmlns:card=\"urn:ietf:params:xml:ns:carddav\">";
        for (int n = 0; n < kLarge; ++n) {
            const std::string href = "/home/book/" + std::to_string(n) + ".vcf";
            const bool multiget = request.body.find("multiget") != std::string::npos;
            if (multiget && request.body.find("<D:href>" + href + "<") == std::string::npos)
                continue;
            body += "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop><d:getetag>\"t" +
                    std::to_string(n) + "\"</d:getetag><card:address-data>" +
                    (multiget ? "BEGIN:VCARD\r\nUID:" + cardUid(n) +
                                    "\r\nFN:P\r\nPHOTO;ENCODING=b;TYPE=JPEG:" + photo +
                                    "\r\nEND:VCARD\r\n"
                              : listedCard(n)) +
                    "</card:address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                    "</d:propstat></d:response>";
        }
        return loopback::Response(207, {"Content-Type: application/xml"},
                                  body + "</d:multistatus>");
    });
    PluginHarness host;
    resetPluginState();
    host.call("CardDav_SetServer", {Arg::text(server.baseUrl())});
    session().connected = true;
    session().root_address_url = server.baseUrl() + "/home/";
    host.call("CardDav_SelectAddressBook", {Arg::text(server.baseUrl() + "/home/book/")});
    std::string uids;
    for (int n = 0; n < kLarge; ++n)
        uids += cardUid(n) + "\r";
    pugi::set_memory_management_functions(allocate, release);
    std::string lines;
    for (auto _ : state) {
        counting = true;
        inUse = 0;
        peak = 0;
        lines = host.call("CardDav_FetchvCards", {Arg::text(uids)}).text();
        counting = false;
    }
    // Every card is read; those whose texts did not fit are "missing", read again when opened.
    std::size_t fetched = 0;
    for (std::size_t at = lines.find("fetched"); at != std::string::npos;
         at = lines.find("fetched", at + 1))
        ++fetched;
    state.counters["fetched"] = static_cast<double>(fetched);
    state.counters["known"] = static_cast<double>(session().book.cards().size());
    state.counters["fetch_peak_heap_mb"] = megabytes(peak);
    state.counters["kept_heap_mb"] = megabytes(inUse);
    state.counters["kept_texts_mb"] = megabytes(session().book.keptBytes());
}
BENCHMARK(FetchLargeCards)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// The share of the multistatus and vCard readers: the same answer read without any transfer.
void ListingReadOnly(benchmark::State& state) {
    Shared& s = shared(10000);
    const xmlParser parser;
    const std::string requestUrl = s.server.baseUrl() + "/home/book/";
    for (auto _ : state) {
        const Read<cardlisting> read = parser.getCardData(s.answer, requestUrl);
        if (read.value.cards.size() != static_cast<size_t>(s.cards))
            state.SkipWithError("the listing was not read");
    }
}
BENCHMARK(ListingReadOnly)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
