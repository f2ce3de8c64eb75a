// A card as JSON and back: the JSON object of a labelled card with a 100 KB photo, the same
// object handed back unchanged (what a script does for every record it saves), and a card of
// many e-mail addresses whose array comes back in reverse, every entry matched to its line by
// content.
#include "vCard/CardJson.h"
#include "Mapping/DataMapping.h"
#include "base64.h"
#include "vCard/CardContents.h"
#include "vCard/vCardParser.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

namespace {

std::string labelledCard(int emails, std::size_t photoBytes) {
    std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench\r\nN:Appleseed;Jonna;;;\r\n"
                       "FN:Jonna Appleseed\r\nORG:Orchard Labs;Research\r\n"
                       "TEL;type=CELL;type=pref:+1 408 555 0134\r\n"
                       "item0.ADR;type=HOME:;;1 Orchard Loop;Cupertino;CA;95014;USA\r\n"
                       "item0.X-ABLabel:_$!<Home>!$_\r\nBDAY:19900615\r\n"
                       "NOTE:Met at the summit\\, Lagos.\\nPrefers e-mail.\r\n";
    for (int i = 1; i <= emails; ++i)
        text += "item" + std::to_string(i) + ".EMAIL;type=INTERNET:jonna" + std::to_string(i) +
                "@orchard.example\r\nitem" + std::to_string(i) + ".X-ABLabel:Label " +
                std::to_string(i) + "\r\n";
    if (photoBytes > 0) {
        const std::string photo(photoBytes, '\x5A');
        text += "PHOTO;ENCODING=b;TYPE=JPEG:" +
                base64_encode(reinterpret_cast<const unsigned char*>(photo.data()),
                              static_cast<unsigned int>(photo.size())) +
                "\r\n";
    }
    return text + "END:VCARD\r\n";
}

const CardIdentity kIdentity{"bench", "/book/bench.vcf", "tag", {"Clients"}};

void BM_CardAsJson(benchmark::State& state) {
    const FieldMap map = createDefaultRawDataMap();
    const vCard card = vCardDataParser().Parse(labelledCard(3, 100 * 1024), map);
    for (auto _ : state)
        benchmark::DoNotOptimize(cardJson(card, kIdentity, map).dump());
}
BENCHMARK(BM_CardAsJson);

void BM_JsonHandedBackUnchanged(benchmark::State& state) {
    const FieldMap map = createDefaultRawDataMap();
    const vCard card = vCardDataParser().Parse(labelledCard(3, 100 * 1024), map);
    const std::string text = cardJson(card, kIdentity, map).dump();
    std::string refusal;
    for (auto _ : state) {
        vCard copy = card;
        benchmark::DoNotOptimize(
            applyCardJson(copy, kIdentity, map, nlohmann::json::parse(text), refusal));
    }
}
BENCHMARK(BM_JsonHandedBackUnchanged);

void BM_EmailsReplacedInReverse(benchmark::State& state) {
    const vCard card =
        vCardDataParser().Parse(labelledCard(static_cast<int>(state.range(0)), 0), FieldMap());
    std::vector<CardEntry> entries = entriesOf(card, EntryKind::Email);
    std::reverse(entries.begin(), entries.end());
    for (auto _ : state) {
        vCard copy = card;
        replaceEntries(copy, EntryKind::Email, entries);
        benchmark::DoNotOptimize(copy.items.data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_EmailsReplacedInReverse)->RangeMultiplier(10)->Range(10, 10000)->Complexity();

} // namespace
BENCHMARK_MAIN();
