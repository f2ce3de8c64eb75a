// Writing cards from FileMaker over a network with a round trip: new contacts and local edits
// pushed to a CardDAV server, through fmhost and the plug-in, against a server answering from
// memory behind a loopback proxy that delays each direction. Run by hand:
//
//     build/bin/writes_bench [round-trip-ms [cards [plug-in-before]]]    (default: 50 10000)
//
// With `plug-in-before` (a Talvero.fmx64 built from an earlier commit) the patterns a script had
// to use before run with that plug-in in the same run. For each pattern it prints the time, the
// requests the server counted, the TCP connections the proxy accepted, and the time per card:
//   new-3      NewvCard, SetvCardJSON, SaveCard per card, with the plug-in before (three
//              requests a card there: a probe, the placeholder, the save); on a share of the cards
//   new-2      the same with this plug-in (the placeholder and the save); on the same share
//   new-1      NewvCard ( book ; "" ; card ) per card: one request; on the same share
//   batch      CardDav_WriteCards of one array of every card, taken a hundred elements a call by
//              index; on all the cards
//   pieces     CardDav_WriteCards of arrays of a hundred cards each, as a script builds them
//              from its records; on all the cards
//   push-old   the push of 100 edited records as scripts did it: SelectAddressBook, then
//              GetvCardJSON, SetvCardJSON and SaveCard per record (with the plug-in before)
//   push       CardDav_WriteCards of the 100 changes, by href and tag, with no listing
// The share of the cards is a twentieth (at least 100): the one-at-a-time patterns take minutes
// where the batch takes seconds, and their time grows with the cards one for one.
#include "BenchBook.h"
#include "BenchProcess.h"
#include "LoopbackProxy.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kBookCards = 10000;
constexpr int kPush = 100;
constexpr int kPiece = 100;
const char* const kBook = "/bench/book/";

// `text` as an fmhost text literal.
std::string literal(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// A new contact as a script builds it from a record.
std::string contactJson(int n) {
    const std::string id = std::to_string(n);
    return R"({"fields":{"displayname":"Neu )" + id + R"("},"name":{"family":"Neu","given":")" +
           id + R"("},"org":{"name":"Example Trading GmbH","units":["Sales"]},)" +
           R"("emails":[{"value":"neu)" + id + R"(@example.org","types":["internet","work"]}],)" +
           R"("phones":[{"value":"+49 170 )" + id + R"(","types":["cell"]}],"note":"imported"})";
}

std::string header(const std::string& baseUrl) {
    return "CardDav_SetServer ( \"" + baseUrl +
           "\" )\nCardDav_SetAuth ( \"basic\" ; \"u\" ; \"p\" )\nCardDav_Connect\n$book = \"" +
           baseUrl + kBook + "\"\n";
}

std::string script(const std::string& pattern, const std::string& baseUrl, int cards) {
    std::ostringstream text;
    text << header(baseUrl);
    if (pattern == "new-3" || pattern == "new-2") {
        for (int n = 0; n < cards; ++n)
            text << "CardDav_NewvCard ( $book )\nCardDav_SetvCardJSON ( " << literal(contactJson(n))
                 << " )\nCardDav_SaveCard\n";
    } else if (pattern == "new-1") {
        for (int n = 0; n < cards; ++n)
            text << "CardDav_NewvCard ( $book ; \"\" ; " << literal(contactJson(n)) << " )\n";
    } else if (pattern == "batch") {
        std::string all = "[";
        for (int n = 0; n < cards; ++n)
            all +=
                std::string(n ? "," : "") + R"({"action":"create","card":)" + contactJson(n) + "}";
        text << "$all = " << literal(all + "]") << "\n"
             << "While ( [ i = 0 ] ; i < " << cards
             << " ; [ $lines = $lines & CardDav_WriteCards ( $all ; $book ; i ; " << kPiece
             << " ) ; i = i + " << kPiece << " ] ; i )\n$lines\n";
    } else if (pattern == "pieces") {
        for (int piece = 0; piece < cards; piece += kPiece) {
            std::string some = "[";
            for (int n = piece; n < cards && n < piece + kPiece; ++n)
                some += std::string(n > piece ? "," : "") + R"({"action":"create","card":)" +
                        contactJson(n) + "}";
            text << "CardDav_WriteCards ( " << literal(some + "]") << " ; $book )\n";
        }
    } else if (pattern == "push-old") {
        text << "CardDav_SelectAddressBook ( $book )\n";
        for (int n = 0; n < kPush; ++n)
            text << "CardDav_GetvCardJSON ( \"card-" << n
                 << "\" )\nCardDav_SetvCardJSON ( \"{\\\"note\\\":\\\"edited in FileMaker\\\"}\" "
                    ")\nCardDav_SaveCard\n";
    } else if (pattern == "push") {
        std::string changes = "[";
        for (int n = 0; n < kPush; ++n)
            changes += std::string(n ? "," : "") + R"({"action":"change","href":")" + kBook +
                       "card-" + std::to_string(n) + R"(.vcf","etag":")" + std::to_string(n) +
                       R"(-0","card":{"note":"edited in FileMaker"}})";
        text << "CardDav_WriteCards ( " << literal(changes + "]") << " ; $book )\n";
    }
    return text.str();
}

struct Run {
    double seconds = 0;
    std::size_t requests = 0;
    int connections = 0;
    std::string output;
};

Run run(const std::string& fmhost, const std::string& plugin, const std::string& pattern,
        int roundTripMs, int cards, const std::string& folder) {
    BenchBook book(loopback::Options(), kBookCards);
    loopback::DelayProxy proxy(book.server.port(), std::chrono::microseconds(roundTripMs * 500));
    const std::string baseUrl = "http://127.0.0.1:" + std::to_string(proxy.port());
    const std::string file = folder + "/" + pattern + ".fmcalc";
    std::ofstream(file) << script(pattern, baseUrl, cards);
    Run result;
    result.seconds = timedRun({fmhost, "--json", "--plugin", plugin, file}, folder + "/out.json");
    result.requests = book.server.requestCount();
    result.connections = proxy.connectionCount();
    std::ifstream in(folder + "/out.json");
    result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return result;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The calls after CardDav_Connect whose code was not 0 (the settings answer 11 before it).
std::size_t failedCalls(const std::string& output) {
    const std::size_t connected = output.find("\"call\": \"CardDav_Connect\"");
    const std::string after = output.substr(connected == std::string::npos ? 0 : connected);
    return occurrences(after, "\"error\": ") - occurrences(after, "\"error\": 0}");
}

void print(const char* pattern, const Run& result, int cards) {
    std::printf("  %-9s %8.2f s  %6zu requests  %2d connections  %6.1f ms a card  %zu failed "
                "calls\n",
                pattern, result.seconds, result.requests, result.connections,
                result.seconds * 1000 / cards, failedCalls(result.output));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const int roundTripMs = argc > 1 ? std::atoi(argv[1]) : 50;
    const int cards = argc > 2 ? std::atoi(argv[2]) : 10000;
    const std::string before = argc > 3 ? argv[3] : "";
    const int share = std::max(100, cards / 20);
    const std::string self = std::filesystem::canonical("/proc/self/exe");
    const std::filesystem::path bin = std::filesystem::path(self).parent_path();
    const std::string fmhost = bin / "fmhost";
    const std::string plugin = bin / "Talvero.fmx64";
    const std::string folder = std::filesystem::temp_directory_path() / "talvero-writes-bench";
    std::filesystem::create_directories(folder);
    std::printf("round trip %d ms; one card at a time on %d cards, the batch on %d\n", roundTripMs,
                share, cards);

    if (!before.empty())
        print("new-3", run(fmhost, before, "new-3", roundTripMs, share, folder), share);
    print("new-2", run(fmhost, plugin, "new-2", roundTripMs, share, folder), share);
    print("new-1", run(fmhost, plugin, "new-1", roundTripMs, share, folder), share);
    for (const char* pattern : {"batch", "pieces"}) {
        const Run batch = run(fmhost, plugin, pattern, roundTripMs, cards, folder);
        print(pattern, batch, cards);
        std::printf("            %zu cards created\n", occurrences(batch.output, "created\\t"));
    }
    if (!before.empty())
        print("push-old", run(fmhost, before, "push-old", roundTripMs, kPush, folder), kPush);
    const Run push = run(fmhost, plugin, "push", roundTripMs, kPush, folder);
    print("push", push, kPush);
    std::printf("            %zu cards saved\n", occurrences(push.output, "saved\\t"));
    std::filesystem::remove_all(folder);
    return 0;
}
