// The sync script of a typical FileMaker solution, through fmhost and the plug-in, against a TLS
// CardDAV server with keep-alive behind a loopback proxy that delays each direction, compared with
// the very same requests sent by a small libcurl client over one connection. Run by hand:
//
//     build/bin/sync_script_bench [round-trip-ms ...]      (default: 0 20 50)
//
// The script: Connect, SelectAddressBook, then GetvCard and two GetvCardItem for each of 200
// cards, then 20 times SetvCardItem and SaveCard: 223 requests. For each round trip and for basic
// and digest authentication it prints the script's time, the reference client's time, their
// ratio, the TCP connections the proxy accepted for each, and the requests and 401 challenges
// the server saw. Then the cost of one 2 MB photo PUT on a warm connection. The server is the
// test suite's loopback server (HTTPS, keep-alive), answering from memory.
#include "BenchBook.h"
#include "BenchProcess.h"
#include "LoopbackHttpServer.h"
#include "LoopbackProxy.h"
#include "SelfSignedCertificate.h"
#include "Transport/CardDavClient.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCards = 200;
constexpr int kSaves = 20;
const char* const kUser = "bench";
const char* const kPassword = "bench-password";

std::string script(const std::string& baseUrl, const std::string& auth) {
    std::ostringstream text;
    text << "CardDav_SetServer ( \"" << baseUrl << "\" ; False ; False )\n"
         << "CardDav_SetAuth ( \"" << auth << "\" ; \"" << kUser << "\" ; \"" << kPassword
         << "\" )\nCardDav_Connect\nCardDav_SelectAddressBook ( \"" << baseUrl
         << "/bench/book/\" )\n";
    for (int n = 0; n < kCards; ++n)
        text << "CardDav_GetvCard ( \"card-" << n << "\" )\n"
             << "CardDav_GetvCardItem ( \"displayname\" )\nCardDav_GetvCardItem ( \"email1\" )\n";
    for (int n = 0; n < kSaves; ++n)
        text << "CardDav_SetvCardItem ( \"note\" ; \"save " << n << "\" )\nCardDav_SaveCard\n";
    return text.str();
}

// The requests as the reference client sends them again: method, target, the header lines the
// plug-in chose, body. One file, each field preceded by its length.
void writeRequests(const std::vector<loopback::Request>& requests, bool digest,
                   const std::string& file) {
    std::ofstream out(file, std::ios::binary);
    const auto field = [&out](const std::string& text) { out << text.size() << ' ' << text; };
    for (const loopback::Request& request : requests) {
        // The digest challenges the plug-in met: the reference client meets its own.
        if (digest && !request.header("Authorization"))
            continue;
        field(request.method);
        field(request.target);
        std::vector<std::string> own;
        for (const std::string& line : request.headerLines) {
            const std::string name = line.substr(0, line.find(':'));
            if (name != "Host" && name != "Content-Length" && name != "Authorization" &&
                line != "Accept: */*")
                own.push_back(line);
        }
        out << own.size() << ' ';
        for (const std::string& line : own)
            field(line);
        field(request.body);
    }
}

bool readField(std::istream& in, std::string& text) {
    size_t length = 0;
    if (!(in >> length) || in.get() != ' ')
        return false;
    text.resize(length);
    return static_cast<bool>(in.read(text.data(), static_cast<std::streamsize>(length)));
}

size_t discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

// The reference: every request on one easy handle, so over one connection.
int replay(const std::string& file, const std::string& baseUrl, bool digest) {
    std::ifstream in(file, std::ios::binary);
    CURL* handle = curl_easy_init();
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(handle, CURLOPT_HTTPAUTH, digest ? CURLAUTH_DIGEST : CURLAUTH_BASIC);
    curl_easy_setopt(handle, CURLOPT_USERNAME, kUser);
    curl_easy_setopt(handle, CURLOPT_PASSWORD, kPassword);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, discard);
    std::string method, target, body;
    size_t lines = 0;
    while (readField(in, method) && readField(in, target) && (in >> lines) && in.get() == ' ') {
        curl_slist* headers = curl_slist_append(nullptr, "Expect:");
        for (size_t i = 0; i < lines; ++i) {
            std::string line;
            readField(in, line);
            headers = curl_slist_append(headers, line.c_str());
        }
        readField(in, body);
        const std::string url = baseUrl + target;
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
        if (body.empty()) {
            curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
        } else {
            curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.data());
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(body.size()));
        }
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method.c_str());
        const CURLcode outcome = curl_easy_perform(handle);
        curl_slist_free_all(headers);
        if (outcome != CURLE_OK)
            return 1;
    }
    curl_easy_cleanup(handle);
    return 0;
}

// The number of calls in fmhost's JSON output, and of those after CardDav_Connect whose error
// code is not 0 (before it, the settings functions answer 11 by design).
std::pair<int, int> callsAndFailures(const std::string& jsonFile) {
    std::ifstream in(jsonFile);
    std::string line;
    int calls = 0, failures = 0;
    bool connected = false;
    while (std::getline(in, line)) {
        ++calls;
        if (line.find("\"call\": \"CardDav_Connect\"") != std::string::npos)
            connected = true;
        if (connected && line.find("\"error\": 0}") == std::string::npos)
            ++failures;
    }
    return {calls, failures};
}

void runScript(const std::string& self, const std::string& fmhost, const loopback::Options& tls,
               int roundTripMs, bool digest) {
    loopback::Options options = tls;
    if (digest)
        options.digest = loopback::DigestCredentials{kUser, kPassword};
    BenchBook book(options, kCards);
    loopback::DelayProxy proxy(book.server.port(), std::chrono::microseconds(roundTripMs * 500));
    const std::string baseUrl = "https://127.0.0.1:" + std::to_string(proxy.port());
    const std::string folder = std::filesystem::temp_directory_path() / "talvero-sync-bench";
    std::filesystem::create_directories(folder);
    const std::string scriptFile = folder + "/sync.fmcalc";
    std::ofstream(scriptFile) << script(baseUrl, digest ? "digest" : "basic");

    const double plugin = timedRun({fmhost, "--json", scriptFile}, folder + "/fmhost.json");
    const int pluginConnections = proxy.connectionCount();
    const auto requests = book.server.requests();
    int challenges = 0;
    for (const auto& request : requests)
        challenges += request.header("Authorization") ? 0 : 1;
    const auto [calls, failures] = callsAndFailures(folder + "/fmhost.json");

    writeRequests(requests, digest, folder + "/requests.bin");
    const double reference =
        timedRun({self, "--replay", folder + "/requests.bin", baseUrl, digest ? "1" : "0"},
                 folder + "/replay.out");
    std::printf("%3d ms  %-6s  plug-in %7.3f s  reference %7.3f s  ratio %5.3f  connections "
                "%d / %d  requests %zu  challenges %d  calls %d  failed calls %d\n",
                roundTripMs, digest ? "digest" : "basic", plugin, reference,
                reference > 0 ? plugin / reference : 0.0, pluginConnections,
                proxy.connectionCount() - pluginConnections, requests.size(), challenges, calls,
                failures);
    std::fflush(stdout);
}

// One 2 MB photo PUT (the card of a 2 MB picture in base64) on a connection already open.
void photoPut(const loopback::Options& tls, int roundTripMs) {
    loopback::Options options = tls;
    options.send100Continue = false; // as many servers: no interim answer
    BenchBook book(options, kCards);
    loopback::DelayProxy proxy(book.server.port(), std::chrono::microseconds(roundTripMs * 500));
    const std::string url =
        "https://127.0.0.1:" + std::to_string(proxy.port()) + "/bench/book/card-1.vcf";
    CardDavClient client;
    client.get_vcard(url);
    const std::string photo(2 * 1000 * 1000 * 4 / 3, 'A');
    const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-1\r\nFN:P\r\n"
                             "PHOTO;ENCODING=b;TYPE=JPEG:" +
                             photo + "\r\nEND:VCARD\r\n";
    const auto start = Clock::now();
    const Query answer = client.save_vcard(url, card, "1-0");
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%3d ms  2 MB photo PUT (%zu bytes): %.3f s, status %d, connections %d\n",
                roundTripMs, card.size(), seconds, answer.status, proxy.connectionCount());
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--replay")
        return replay(argv[2], argv[3], std::string(argv[4]) == "1");
    const std::string self = std::filesystem::canonical("/proc/self/exe");
    const std::string fmhost = std::filesystem::path(self).parent_path() / "fmhost";
    std::vector<int> roundTrips;
    for (int i = 1; i < argc; ++i)
        roundTrips.push_back(std::atoi(argv[i]));
    if (roundTrips.empty())
        roundTrips = {0, 20, 50};

    const std::string certificates = std::filesystem::temp_directory_path() / "talvero-bench-tls";
    const CertificateFiles files = writeSelfSignedCertificate(certificates);
    loopback::Options tls;
    tls.certificateFile = files.certificateFile;
    tls.keyFile = files.keyFile;
    for (int roundTrip : roundTrips)
        for (bool digest : {false, true})
            runScript(self, fmhost, tls, roundTrip, digest);
    for (int roundTrip : roundTrips)
        photoPut(tls, roundTrip);
    std::filesystem::remove_all(certificates);
    return 0;
}
