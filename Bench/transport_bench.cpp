// Transport speed on loopback: many small requests (on the client's kept connection), a large
// GET, and a large PUT to a server that never answers "100 Continue".
#include "LoopbackHttpServer.h"
#include "Transport/CardDavClient.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

namespace {

const std::string kCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nFN:A\r\nEND:VCARD\r\n";

// One iteration is one GET; run 1,000 of them in a row.
void SequentialSmallGets(benchmark::State& state) {
    loopback::HttpServer server;
    server.setHandler([](const loopback::Request&) {
        return loopback::Response(200, {"ETag: \"1\"", "Content-Type: text/vcard"}, kCard);
    });
    CardDavClient client;
    const std::string url = server.baseUrl() + "/book/card.vcf";
    for (auto _ : state) {
        const Query answer = client.get_vcard(url);
        if (answer.status != 200)
            state.SkipWithError("GET failed");
    }
}
BENCHMARK(SequentialSmallGets)->Iterations(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A 32 MB answer, read with the stall watch (no time-out) and without it (a time-out set): the
// watch looks at every progress report libcurl makes and must cost nothing measurable.
void LargeGet(benchmark::State& state) {
    loopback::HttpServer server;
    const std::string photo(32 * 1000 * 1000, 'p');
    server.setHandler([&](const loopback::Request&) { return loopback::Response(200, {}, photo); });
    CardDavClient client;
    client.set_timeout(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (client.get_vcard(server.baseUrl() + "/book/photo.vcf").body.size() != photo.size())
            state.SkipWithError("GET failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * photo.size()));
}
BENCHMARK(LargeGet)->ArgName("timeout")->Arg(0)->Arg(600)->UseRealTime()->Unit(
    benchmark::kMillisecond);

loopback::Options serverWithout100Continue() {
    loopback::Options options;
    options.send100Continue = false;
    return options;
}

// A 2 MB PUT takes about the time of the transfer, not a second more.
void LargePutWithout100Continue(benchmark::State& state) {
    loopback::HttpServer server(serverWithout100Continue());
    CardDavClient client;
    const std::string body(2 * 1000 * 1000, 'x');
    for (auto _ : state) {
        const Query answer = client.save_vcard(server.baseUrl() + "/book/big.vcf", body, "");
        if (answer.status != 200)
            state.SkipWithError("PUT failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(LargePutWithout100Continue)->UseRealTime()->Unit(benchmark::kMillisecond);

// For comparison: the same PUT with libcurl's defaults waits for the interim answer.
void LargePutWithLibcurlDefaults(benchmark::State& state) {
    loopback::HttpServer server(serverWithout100Continue());
    const std::string body(2 * 1000 * 1000, 'x');
    const std::string url = server.baseUrl() + "/book/big.vcf";
    for (auto _ : state) {
        CURL* handle = curl_easy_init();
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, "PUT");
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        if (curl_easy_perform(handle) != CURLE_OK)
            state.SkipWithError("PUT failed");
        curl_easy_cleanup(handle);
    }
}
BENCHMARK(LargePutWithLibcurlDefaults)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
