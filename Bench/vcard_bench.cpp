// Throughput of reading and writing vCards: a generated address book of 10,000 cards (every
// 100th with a 100 KB photo), the short card texts of a listing, and one 5 MB photo through
// base64, folding, reading and decoding, next to a plain memcpy of the same bytes.
#include "Mapping/DataMapping.h"
#include "base64.h"
#include "vCard/vCard.h"
#include "vCard/vCardParser.h"
#include "vCard/vCardText.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Deterministic pseudo-random numbers, so every run measures the same corpus.
class Random {
public:
    std::uint32_t next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state >> 33);
    }
    const char* pick(const std::vector<const char*>& words) { return words[next() % words.size()]; }
    std::string digits(int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += static_cast<char>('0' + next() % 10);
        return text;
    }
    std::string bytes(std::size_t count) {
        std::string data(count, '\0');
        for (char& c : data)
            c = static_cast<char>(next() & 0xFF);
        return data;
    }

private:
    std::uint64_t state = 0x5EED;
};

vCardItem property(const std::string& name, const std::string& value,
                   std::vector<RawDataPair> params = {}) {
    vCardItem item(name, value);
    item.params = std::move(params);
    return item;
}

std::string photoValue(Random& random, std::size_t size) {
    const std::string jpeg = random.bytes(size);
    return base64_encode(reinterpret_cast<const unsigned char*>(jpeg.data()),
                         static_cast<unsigned int>(jpeg.size()));
}

std::string generateCard(Random& random, int number, bool withPhoto) {
    const std::string first = random.pick({"Ada", "Zoë", "Jürgen", "Li", "Amara", "Sören", "Ana"});
    const std::string last = random.pick({"Lovelace", "Ångström", "Okafor", "Nakamura", "Silva"});
    const std::string mail = first + "." + last + std::to_string(number) + "@example.org";
    vCard card;
    card.items = {
        property("VERSION", "3.0"),
        property("PRODID", "-//Talvero Bench//EN"),
        property("UID", "card-" + std::to_string(number) + "-" + random.digits(12)),
        property("FN", first + " " + last),
        property("N", last + ";" + first + ";;;"),
        property("ORG", std::string(random.pick({"Acme, Inc.", "Initech", "Globex"})) + ";Sales"),
        property("TITLE", "Head, Research"),
        property("EMAIL", mail, {{"TYPE", "INTERNET,PREF"}}),
        property("EMAIL", "work." + mail, {{"TYPE", "INTERNET,WORK"}}),
        property("TEL", "+49 30 " + random.digits(8), {{"TYPE", "CELL,VOICE"}}),
        property("TEL", "+49 89 " + random.digits(8), {{"TYPE", "WORK"}, {"TYPE", "VOICE"}}),
        property("TEL", "+49 40 " + random.digits(8), {{"TYPE", "HOME"}}),
        property("ADR",
                 ";;" + random.digits(2) + " Hauptstraße;Berlin;;" + random.digits(5) + ";DE",
                 {{"TYPE", "HOME,PREF"}}),
        property("ADR", ";Floor 3;1 Market Street;Springfield;IL;" + random.digits(5) + ";USA",
                 {{"TYPE", "WORK"}}),
        property("NOTE", "Met at the trade fair in " + random.digits(4) +
                             ".\nFollow up in March, after the budget round; ask about the "
                             "catalogue.\r\nPrefers e-mail."),
        property("CATEGORIES", "Customers,Trade fair"),
        property("REV", "2024-03-01T12:00:00Z"),
    };
    if (withPhoto)
        card.items.push_back(property("PHOTO", photoValue(random, 100 * 1024),
                                      {{"ENCODING", "b"}, {"TYPE", "JPEG"}}));
    return card.toString();
}

struct AddressBook {
    std::vector<std::string> texts;
    std::size_t bytes = 0;
};

const AddressBook& addressBook() {
    static const AddressBook book = [] {
        AddressBook generated;
        Random random;
        for (int i = 0; i < 10000; ++i) {
            generated.texts.push_back(generateCard(random, i, i % 100 == 0));
            generated.bytes += generated.texts.back().size();
        }
        return generated;
    }();
    return book;
}

void countBytes(benchmark::State& state, std::size_t bytesPerIteration) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytesPerIteration));
}

void BM_Parse(benchmark::State& state) {
    const AddressBook& book = addressBook();
    const FieldMap map = createDefaultRawDataMap();
    vCardDataParser parser;
    for (auto _ : state)
        for (const std::string& text : book.texts)
            benchmark::DoNotOptimize(parser.Parse(text, map));
    countBytes(state, book.bytes);
}
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond);

void BM_CardSummary(benchmark::State& state) {
    const AddressBook& book = addressBook();
    for (auto _ : state)
        for (const std::string& text : book.texts)
            benchmark::DoNotOptimize(readCardSummary(text));
    countBytes(state, book.bytes);
}
BENCHMARK(BM_CardSummary)->Unit(benchmark::kMillisecond);

// A listing answer's card texts: the few properties a listing asks of 10,000 cards, as servers
// send them; every 50th card with categories, every 500th a group card with its members.
std::vector<std::string> listingTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < 10000; ++i) {
        const std::string number = std::to_string(i);
        std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-" + number + "\r\n";
        if (i % 500 == 0) {
            text += "FN:Group " + number + "\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n";
            for (int member = 1; member <= 5; ++member)
                text += "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:card-" + std::to_string(i + member) +
                        "\r\n";
        } else {
            text += "FN:Person " + number + "\r\n";
        }
        if (i % 50 == 1)
            text += "CATEGORIES:Customers,Trade fair\r\n";
        texts.push_back(text + "END:VCARD\r\n");
    }
    return texts;
}

void BM_ListingSummary(benchmark::State& state) {
    const std::vector<std::string> texts = listingTexts();
    for (auto _ : state)
        for (const std::string& text : texts)
            benchmark::DoNotOptimize(readCardSummary(text));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(texts.size()));
}
BENCHMARK(BM_ListingSummary)->Unit(benchmark::kMillisecond);

// Bytes of the heap in use (glibc's count of allocated blocks).
std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

void BM_ToString(benchmark::State& state) {
    const AddressBook& book = addressBook();
    vCardDataParser parser;
    std::vector<vCard> cards;
    const std::size_t heapBefore = heapInUse();
    cards.reserve(book.texts.size());
    for (const std::string& text : book.texts)
        cards.push_back(parser.Parse(text, createDefaultRawDataMap()));
    // What a parsed card holds in memory, field map included, next to its text.
    state.counters["heap_per_card"] =
        static_cast<double>(heapInUse() - heapBefore) / static_cast<double>(cards.size());
    state.counters["text_per_card"] =
        static_cast<double>(book.bytes) / static_cast<double>(cards.size());
    for (auto _ : state)
        for (vCard& card : cards)
            benchmark::DoNotOptimize(card.toString());
    countBytes(state, book.bytes);
}
BENCHMARK(BM_ToString)->Unit(benchmark::kMillisecond);

// The 5 MB photo, raw and as base64 text.
struct BigPhoto {
    std::string jpeg;
    std::string base64;
    std::string cardText;
};

const BigPhoto& bigPhoto() {
    static const BigPhoto photo = [] {
        Random random;
        BigPhoto made;
        made.jpeg = random.bytes(5 * 1024 * 1024);
        made.base64 = base64_encode(reinterpret_cast<const unsigned char*>(made.jpeg.data()),
                                    static_cast<unsigned int>(made.jpeg.size()));
        vCard card;
        card.items = {property("FN", "Photo"),
                      property("PHOTO", made.base64, {{"ENCODING", "B"}, {"TYPE", "JPEG"}})};
        made.cardText = card.toString();
        return made;
    }();
    return photo;
}

void BM_Memcpy5MB(benchmark::State& state) {
    const std::string& source = bigPhoto().jpeg;
    std::string target(source.size(), '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    countBytes(state, source.size());
}
BENCHMARK(BM_Memcpy5MB)->Unit(benchmark::kMicrosecond);

void BM_Base64Encode5MB(benchmark::State& state) {
    const std::string& jpeg = bigPhoto().jpeg;
    for (auto _ : state)
        benchmark::DoNotOptimize(base64_encode(reinterpret_cast<const unsigned char*>(jpeg.data()),
                                               static_cast<unsigned int>(jpeg.size())));
    countBytes(state, jpeg.size());
}
BENCHMARK(BM_Base64Encode5MB)->Unit(benchmark::kMillisecond);

void BM_FoldPhoto5MB(benchmark::State& state) {
    const std::string& base64 = bigPhoto().base64;
    for (auto _ : state) {
        vCardItem photo = property("PHOTO", base64, {{"ENCODING", "B"}, {"TYPE", "JPEG"}});
        benchmark::DoNotOptimize(photo.toString());
    }
    countBytes(state, base64.size());
}
BENCHMARK(BM_FoldPhoto5MB)->Unit(benchmark::kMillisecond);

void BM_ParsePhotoCard5MB(benchmark::State& state) {
    const std::string& text = bigPhoto().cardText;
    const FieldMap map = createDefaultRawDataMap();
    vCardDataParser parser;
    for (auto _ : state)
        benchmark::DoNotOptimize(parser.Parse(text, map));
    countBytes(state, text.size());
}
BENCHMARK(BM_ParsePhotoCard5MB)->Unit(benchmark::kMillisecond);

void BM_Base64Decode5MB(benchmark::State& state) {
    const std::string& base64 = bigPhoto().base64;
    for (auto _ : state)
        benchmark::DoNotOptimize(base64_decode(base64));
    countBytes(state, bigPhoto().jpeg.size());
}
BENCHMARK(BM_Base64Decode5MB)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
