// Fuzzes a card read whole and written back through its JSON object, and checks the promise of
// losslessness:
// - replacing each kind of property (e-mails, phones...) by what the card holds of it, in order,
//   leaves the card's text as it was; in reverse order, the card holds the same entries reversed;
// - a card's JSON object is valid UTF-8 whatever bytes the card holds, and handing it back, as
//   the text a script gets, changes nothing;
// - the input taken as a JSON object of changes is taken or refused, never a crash.
#include "vCard/CardJson.h"
#include "FuzzFailure.h"
#include "Mapping/DataMapping.h"
#include "vCard/CardContents.h"
#include "vCard/vCardParser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The entries without their groups, which a replacement may give anew.
std::vector<CardEntry> contents(std::vector<CardEntry> entries) {
    for (CardEntry& entry : entries)
        entry.group.clear();
    return entries;
}

bool sameContents(const std::vector<CardEntry>& a, const std::vector<CardEntry>& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const CardEntry& x, const CardEntry& y) {
               return x.property == y.property && x.value == y.value &&
                      x.components == y.components && x.types == y.types && x.pref == y.pref &&
                      x.label == y.label;
           });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const FieldMap map = createDefaultRawDataMap();
    vCard card = vCardDataParser().Parse(text, map);
    const std::string written = card.toString();

    for (const EntryKind kind : {EntryKind::Email, EntryKind::Phone, EntryKind::Address,
                                 EntryKind::Url, EntryKind::Im, EntryKind::Date}) {
        const std::vector<CardEntry> entries = entriesOf(card, kind);
        vCard same = card;
        replaceEntries(same, kind, entries);
        if (same.toString() != written)
            fail("replacing a kind by itself changed the card", written, same.toString());
        std::vector<CardEntry> reversed(entries.rbegin(), entries.rend());
        replaceEntries(same, kind, reversed);
        if (!sameContents(contents(entriesOf(same, kind)), contents(reversed)))
            fail("reversed entries read back otherwise", written, same.toString());
    }

    const CardIdentity identity{"uid", "/book/card.vcf", "tag", {"Group\\, one"}};
    const nlohmann::json own = cardJson(card, identity, map);
    std::string dumped;
    try {
        dumped = own.dump();
    } catch (const nlohmann::json::exception& error) {
        fail("the card's object is no UTF-8", written, error.what());
    }
    vCard handedBack = card;
    std::string refusal;
    if (!applyCardJson(handedBack, identity, map, nlohmann::json::parse(dumped), refusal))
        fail("the card's own object was refused", written, refusal);
    if (handedBack.toString() != written)
        fail("the card's own object changed it", written, handedBack.toString());

    const nlohmann::json changes = nlohmann::json::parse(text, nullptr, false);
    if (!changes.is_discarded()) {
        vCard changed = card;
        if (applyCardJson(changed, identity, map, changes, refusal))
            changed.toString();
    }
    return 0;
}
