// Reading a whole address book of 10,000 cards of about 500 bytes into FileMaker, through fmhost
// and the plug-in, against a CardDAV server answering from memory behind a loopback proxy that
// delays each direction (never the loopback device itself). Run by hand:
//
//     build/bin/whole_book_bench [round-trip-ms ...]      (default: 0 20 50)
//
// For each round trip it prints, with the requests and TCP connections the server and the proxy
// counted:
//   listing   Connect, SelectAddressBook, FetchvCards of every UID, then GetvCard and five
//             GetvCardItem per card (the path scripts used before);
//   one       Connect, FetchvCards("*"), then the same reads;
//   sync      Connect, GetChanges("") and FetchvCards of its lines (the documented initial sync),
//             then the same reads;
//   host      the stand-in host's own cost: as many statements, each calling
//             VorlixPlugin_Version, with no request;
//   floor     a libcurl client fetching the book with ONE addressbook-query REPORT (getetag and
//             address-data) after the discovery's three PROPFINDs;
//   careful   a libcurl client listing the book, then reading it by multiget, 100 a request, in
//             sequence;
// and the ratios (plug-in time less the host's cost) / floor and / careful. Then the incremental
// sync with nothing changed: Connect and GetChanges(token ; book), and its requests.
#include "BenchBook.h"
#include "BenchProcess.h"
#include "LoopbackProxy.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kCards = 10000;
constexpr int kBatch = 100;
const char* const kBook = "/bench/book/";

const char* const kReadsPerCard[] = {"displayname", "email1", "celltel", "home_city", "company"};

std::string header(const std::string& baseUrl) {
    return "CardDav_SetServer ( \"" + baseUrl +
           "\" )\nCardDav_SetAuth ( \"basic\" ; \"u\" ; \"p\" )\n"
           "CardDav_Connect\n";
}

void readEveryCard(std::ostringstream& text) {
    for (int n = 0; n < kCards; ++n) {
        text << "CardDav_GetvCard ( \"card-" << n << "\" )\n";
        for (const char* field : kReadsPerCard)
            text << "CardDav_GetvCardItem ( \"" << field << "\" )\n";
    }
}

std::string script(const std::string& path, const std::string& baseUrl) {
    std::ostringstream text;
    if (path == "host") {
        for (int n = 0; n < 3 + 2 + kCards * 6; ++n)
            text << "VorlixPlugin_Version ( \"long\" )\n";
        return text.str();
    }
    text << header(baseUrl);
    const std::string book = "\"" + baseUrl + kBook + "\"";
    if (path == "listing") {
        text << "CardDav_SelectAddressBook ( " << book << " )\n"
             << "$fetched = CardDav_FetchvCards ( CardDav_GetAddressbookvCards )\n";
    } else if (path == "one") {
        text << "$fetched = CardDav_FetchvCards ( \"*\" ; " << book << " )\n";
    } else {
        text << "$changes = CardDav_GetChanges ( \"\" ; " << book << " )\n"
             << "$fetched = CardDav_FetchvCards ( $changes )\n";
    }
    readEveryCard(text);
    return text.str();
}

size_t discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

size_t collect(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

std::string request(CURL* handle, const std::string& url, const char* method, const char* depth,
                    const std::string& body, bool keep) {
    std::string answer;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/xml; charset=utf-8");
    headers = curl_slist_append(headers, depth);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, keep ? collect : discard);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    const CURLcode outcome = curl_easy_perform(handle);
    curl_slist_free_all(headers);
    if (outcome != CURLE_OK)
        std::exit(1);
    return answer;
}

// The reference clients, run as this program with --client floor|careful BASE-URL: discovery
// (principal, home, books), then the cards, on one connection.
int client(const std::string& kind, const std::string& baseUrl) {
    CURL* handle = curl_easy_init();
    curl_easy_setopt(handle, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(handle, CURLOPT_USERPWD, "u:p");
    const std::string propfind =
        "<?xml version=\"1.0\"?><D:propfind xmlns:D=\"DAV:\"><D:prop><D:current-user-principal/>"
        "</D:prop></D:propfind>";
    request(handle, baseUrl + "/", "PROPFIND", "Depth: 0", propfind, false);
    request(handle, baseUrl + "/principals/bench/", "PROPFIND", "Depth: 0", propfind, false);
    request(handle, baseUrl + "/bench/", "PROPFIND", "Depth: 1", propfind, false);
    const std::string query = std::string("<?xml version=\"1.0\"?><C:addressbook-query ") +
                              "xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:prop>"
                              "<D:getetag/><C:address-data/></D:prop><C:filter/>"
                              "</C:addressbook-query>";
    if (kind == "floor") {
        request(handle, baseUrl + kBook, "REPORT", "Depth: 1", query, false);
    } else {
        // The listing for the hrefs, then the cards a hundred at a time.
        const std::string listed =
            request(handle, baseUrl + kBook, "REPORT", "Depth: 1", query, true);
        std::vector<std::string> hrefs;
        for (std::size_t at = listed.find("<d:href>"); at != std::string::npos;
             at = listed.find("<d:href>", at + 1))
            hrefs.push_back(listed.substr(at + 8, listed.find("</d:href>", at) - at - 8));
        for (std::size_t start = 0; start < hrefs.size(); start += kBatch) {
            std::string multiget = "<?xml version=\"1.0\"?><C:addressbook-multiget "
                                   "xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                                   "<D:prop><D:getetag/><C:address-data/></D:prop>";
            for (std::size_t i = start; i < hrefs.size() && i < start + kBatch; ++i)
                multiget += "<D:href>" + hrefs[i] + "</D:href>";
            request(handle, baseUrl + kBook, "REPORT", "Depth: 1",
                    multiget + "</C:addressbook-multiget>", false);
        }
    }
    curl_easy_cleanup(handle);
    return 0;
}

struct Run {
    double seconds = 0;
    std::size_t requests = 0;
    int connections = 0;
};

// One contestant against a fresh server behind a fresh proxy.
Run run(const std::vector<std::string>& program, int roundTripMs, const std::string& folder,
        const std::function<std::vector<std::string>(const std::string&)>& argsFor) {
    BenchBook book(loopback::Options(), kCards);
    loopback::DelayProxy proxy(book.server.port(), std::chrono::microseconds(roundTripMs * 500));
    const std::string baseUrl = "http://127.0.0.1:" + std::to_string(proxy.port());
    std::vector<std::string> args = program;
    for (std::string& arg : argsFor(baseUrl))
        args.push_back(std::move(arg));
    Run result;
    result.seconds = timedRun(args, folder + "/out.txt");
    result.requests = book.server.requestCount();
    result.connections = proxy.connectionCount();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--client")
        return client(argv[2], argv[3]);
    const std::string self = std::filesystem::canonical("/proc/self/exe");
    const std::string fmhost = std::filesystem::path(self).parent_path() / "fmhost";
    std::vector<int> roundTrips;
    for (int i = 1; i < argc; ++i)
        roundTrips.push_back(std::atoi(argv[i]));
    if (roundTrips.empty())
        roundTrips = {0, 20, 50};
    const std::string folder = std::filesystem::temp_directory_path() / "talvero-whole-book";
    std::filesystem::create_directories(folder);

    for (const int roundTrip : roundTrips) {
        const auto fmhostRun = [&](const std::string& path) {
            return run({fmhost}, roundTrip, folder, [&](const std::string& baseUrl) {
                const std::string file = folder + "/" + path + ".fmcalc";
                std::ofstream(file) << script(path, baseUrl);
                return std::vector<std::string>{file};
            });
        };
        const auto clientRun = [&](const std::string& kind) {
            return run({self, "--client", kind}, roundTrip, folder, [](const std::string& baseUrl) {
                return std::vector<std::string>{baseUrl};
            });
        };
        const Run host = fmhostRun("host");
        const Run floor = clientRun("floor");
        const Run careful = clientRun("careful");
        std::printf("%3d ms  host %6.3f s   floor %6.3f s (%zu requests, %d connection)   careful "
                    "%6.3f s (%zu requests)\n",
                    roundTrip, host.seconds, floor.seconds, floor.requests, floor.connections,
                    careful.seconds, careful.requests);
        for (const char* path : {"listing", "one", "sync"}) {
            const Run plugin = fmhostRun(path);
            const double own = plugin.seconds - host.seconds;
            std::printf("        %-8s %6.3f s  %3zu requests  %d connection  less host %6.3f s  "
                        "= %5.2f x floor  %5.3f x careful\n",
                        path, plugin.seconds, plugin.requests, plugin.connections, own,
                        own / floor.seconds, own / careful.seconds);
        }
        const Run incremental = run({fmhost}, roundTrip, folder, [&](const std::string& baseUrl) {
            const std::string file = folder + "/incremental.fmcalc";
            std::ofstream(file) << header(baseUrl) << "CardDav_GetChanges ( \"sync-0\" ; \""
                                << baseUrl << kBook << "\" )\n";
            return std::vector<std::string>{file};
        });
        std::printf("        incremental, nothing changed: %6.3f s  %zu requests (2 of them the "
                    "connection)\n",
                    incremental.seconds, incremental.requests);
        std::fflush(stdout);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
