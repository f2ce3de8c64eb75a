// CardDav_GetChanges on a very large change list, called in-process as the host calls it, against
// the loopback server answering from memory. Run by hand:
//
//     build/bin/sync_changes_bench [changes]      (default: 200000)
//
// It prints the time of one call for a sync answer naming that many changed cards (with their
// texts, as servers send them when asked) and for one naming that many removed cards, each read
// and applied whole: the work grows with the number of changes, not with its square.
#include "Functions/Sessions.h"
#include "LoopbackHttpServer.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string syncAnswer(int changes, bool removed) {
    std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:multistatus xmlns:d=\"DAV:\" "
                       "xmlns:card=\"urn:ietf:params:xml:ns:carddav\">";
    body.reserve(static_cast<std::size_t>(changes) * 300);
    for (int n = 0; n < changes; ++n) {
        const std::string id = std::to_string(n);
        body += "<d:response><d:href>/home/book/" + id + ".vcf</d:href>";
        if (removed)
            body += "<d:status>HTTP/1.1 404 Not Found</d:status></d:response>";
        else
            body += "<d:propstat><d:prop><d:getetag>\"t" + id +
                    "\"</d:getetag><card:address-data>BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u" + id +
                    "\r\nFN:Person " + id + "\r\nEMAIL:p" + id +
                    "@example.org\r\nEND:VCARD\r\n</card:address-data></d:prop><d:status>HTTP/1.1 "
                    "200 OK</d:status></d:propstat></d:response>";
    }
    return body + "<d:sync-token>after</d:sync-token></d:multistatus>";
}

} // namespace

int main(int argc, char** argv) {
    const int changes = argc > 1 ? std::atoi(argv[1]) : 200000;
    loopback::HttpServer server;
    resetPluginState();
    PluginHarness host;
    host.call("CardDav_SetServer", {Arg::text(server.baseUrl())});
    session().connected = true;
    session().root_address_url = server.baseUrl() + "/home/";
    const std::string book = server.baseUrl() + "/home/book/";
    for (const bool removed : {false, true}) {
        server.enqueue(loopback::xmlResponse(207, syncAnswer(changes, removed)));
        const auto start = std::chrono::steady_clock::now();
        const CallResult result =
            host.call("CardDav_GetChanges", {Arg::text("before"), Arg::text(book)});
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%d %s cards: %.3f s (code %d, %zu cards known, %zu bytes of lines)\n", changes,
                    removed ? "removed" : "changed", seconds, result.error,
                    session().book.cards().size(), result.text().size());
    }
    return 0;
}
