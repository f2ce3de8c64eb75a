// The synchronisation functions over a network with a round trip, run by hand:
//
//     build/bin/sync_functions_bench [round-trip-ms [cards]]      (default: 20 1000)
//
// Against a TLS CardDAV server with keep-alive (the test suite's loopback server, answering from
// memory) behind a loopback proxy that delays each direction, with the plug-in called in-process
// as the host calls it, it prints:
//   - CardDav_GetChanges when nothing changed since the token of the selection;
//   - CardDav_GetvCard and two reads for every card, one GET each;
//   - CardDav_FetchvCards of every card, then the same GetvCard and two reads for each;
// with the requests each sent.
#include "BenchBook.h"
#include "LoopbackProxy.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"
#include "SelfSignedCertificate.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// GetvCard and two reads of every card; false when one of them failed.
bool openEveryCard(PluginHarness& host, int cards) {
    bool allOpened = true;
    for (int n = 0; n < cards; ++n) {
        const std::string uid = "card-" + std::to_string(n);
        allOpened = host.call("CardDav_GetvCard", {Arg::text(uid)}).number() == 1 && allOpened;
        host.call("CardDav_GetvCardItem", {Arg::text("displayname")});
        host.call("CardDav_GetvCardItem", {Arg::text("email1")});
    }
    return allOpened;
}

} // namespace

int main(int argc, char** argv) {
    const int roundTripMs = argc > 1 ? std::atoi(argv[1]) : 20;
    const int cards = argc > 2 ? std::atoi(argv[2]) : 1000;

    const std::string certificates = std::filesystem::temp_directory_path() / "talvero-sync-tls";
    const CertificateFiles files = writeSelfSignedCertificate(certificates);
    loopback::Options tls;
    tls.certificateFile = files.certificateFile;
    tls.keyFile = files.keyFile;
    BenchBook book(tls, cards);
    loopback::DelayProxy proxy(book.server.port(), std::chrono::microseconds(roundTripMs * 500));
    const std::string baseUrl = "https://127.0.0.1:" + std::to_string(proxy.port());

    resetPluginState();
    PluginHarness host;
    host.call("CardDav_SetServer", {Arg::text(baseUrl)});
    host.call("CardDav_SetAuth", {Arg::text("basic"), Arg::text("u"), Arg::text("p")});
    host.call("CardDav_Connect");
    host.call("CardDav_SelectAddressBook", {Arg::text(baseUrl + BenchBook::kBookPath)});
    const std::string token = host.call("CardDav_GetSyncToken").text();
    std::printf("%d cards, round trip %d ms, token %s\n", cards, roundTripMs, token.c_str());

    std::size_t before = book.server.requestCount();
    auto start = Clock::now();
    const CallResult unchanged = host.call("CardDav_GetChanges", {Arg::text(token)});
    std::printf("GetChanges, nothing changed:      %8.3f s  requests %zu  result \"%s\" error %d\n",
                secondsSince(start), book.server.requestCount() - before, unchanged.text().c_str(),
                unchanged.error);

    before = book.server.requestCount();
    start = Clock::now();
    const bool plain = openEveryCard(host, cards);
    const double plainSeconds = secondsSince(start);
    std::printf("GetvCard + 2 reads, every card:   %8.3f s  requests %zu%s\n", plainSeconds,
                book.server.requestCount() - before, plain ? "" : "  (a card failed)");

    before = book.server.requestCount();
    start = Clock::now();
    std::string uids;
    for (int n = 0; n < cards; ++n)
        uids += "card-" + std::to_string(n) + "\r";
    const CallResult fetched = host.call("CardDav_FetchvCards", {Arg::text(uids)});
    const bool ahead = openEveryCard(host, cards);
    const double aheadSeconds = secondsSince(start);
    std::printf("FetchvCards, then the same:       %8.3f s  requests %zu  error %d%s\n",
                aheadSeconds, book.server.requestCount() - before, fetched.error,
                ahead ? "" : "  (a card failed)");
    std::printf("ratio: %.3f  connections: %d\n", aheadSeconds / plainSeconds,
                proxy.connectionCount());
    std::filesystem::remove_all(certificates);
    return 0;
}
