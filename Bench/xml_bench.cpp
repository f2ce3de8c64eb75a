// Reading a large address-book listing: getCardData against a bare pugixml load of the same
// text, which is the floor for any reader of it.
//
// For the ratio, run each benchmark in a process of its own (--benchmark_filter=LoadString, then
// =GetCardData): after one benchmark has freed its 6 MB blocks, glibc's adaptive mmap threshold
// can leave the next one faulting its memory in afresh on every round, which can double its
// time and says nothing about the code measured.
#include "Multistatus/xmlParser.h"
#include "vCard/vCardParser.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <string>
#include <vector>

namespace {

constexpr int cardCount = 10000;

std::string cardText(int i) {
    const std::string n = std::to_string(i);
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:6f1c1a52-0000-4000-8000-" +
           std::string(12 - n.size(), '0') + n + "\r\nFN:Person Number " + n + "\r\nN:Number " + n +
           ";Person;;;\r\nEMAIL;TYPE=INTERNET:person" + n +
           "@example.com\r\nTEL;TYPE=CELL:+49 170 555" + n + "\r\nADR;TYPE=HOME:;;Example Street " +
           n + ";Berlin;;10115;Germany\r\nEND:VCARD\r\n";
}

// A REPORT answer as a server with d:/card: prefixes writes it.
std::string listing() {
    std::string xml =
        R"(<?xml version="1.0" encoding="utf-8"?>)"
        R"(<d:multistatus xmlns:d="DAV:" xmlns:card="urn:ietf:params:xml:ns:carddav">)";
    for (int i = 0; i < cardCount; ++i) {
        const std::string n = std::to_string(i);
        xml += "<d:response><d:href>/dav/addressbooks/alice/contacts/" + n +
               ".vcf</d:href><d:propstat><d:prop><d:getetag>&quot;" + n +
               "-1700000000&quot;</d:getetag><d:getlastmodified>Mon, 01 Jan 2024 00:00:00 "
               "GMT</d:getlastmodified><card:address-data>" +
               cardText(i) +
               "</card:address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
               "<d:propstat><d:prop><d:displayname/><d:creationdate/></d:prop><d:status>HTTP/1.1 "
               "404 Not Found</d:status></d:propstat></d:response>";
    }
    return xml + "</d:multistatus>";
}

const std::string& body() {
    static const std::string text = listing();
    return text;
}

void BM_PugixmlLoadString(benchmark::State& state) {
    for (auto _ : state) {
        pugi::xml_document document;
        benchmark::DoNotOptimize(document.load_string(body().c_str()));
    }
    state.SetItemsProcessed(state.iterations() * cardCount);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(body().size()));
}

// The card summaries alone, which getCardData makes for every card it lists.
void BM_SummaryOfEveryCard(benchmark::State& state) {
    std::vector<std::string> cards;
    for (int i = 0; i < cardCount; ++i)
        cards.push_back(cardText(i));
    for (auto _ : state) {
        for (const std::string& card : cards)
            benchmark::DoNotOptimize(readCardSummary(card));
    }
    state.SetItemsProcessed(state.iterations() * cardCount);
}

void BM_GetCardData(benchmark::State& state) {
    xmlParser parser;
    const std::string requestUrl = "https://h/dav/";
    for (auto _ : state) {
        const cardlisting listing = parser.getCardData(body(), requestUrl).value;
        if (listing.cards.size() != cardCount || listing.cards.back().uid.empty())
            state.SkipWithError("listing not read");
        benchmark::DoNotOptimize(&listing);
    }
    state.SetItemsProcessed(state.iterations() * cardCount);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(body().size()));
}

} // namespace

BENCHMARK(BM_PugixmlLoadString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SummaryOfEveryCard)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetCardData)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
