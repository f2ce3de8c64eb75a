// Fuzzes the vCard reader and checks what writing keeps:
// - every property read is written back as the same logical line, and one read unchanged reads
//   back as the same property (name, parameters, value);
// - writing is stable: a parsed card written, read again and written again gives the same text
//   (escaping, folding and case happen once, nothing is lost or added the second time), also
//   after script values, category and group member edits;
// - the categories written read back as the names given;
// - the card summary of a listing gives what the full reader's properties give.
#include "FuzzFailure.h"
#include "Mapping/DataMapping.h"
#include "SummaryOfItems.h"
#include "vCard/vCardCategories.h"
#include "vCard/vCardEncoding.h"
#include "vCard/vCardGroup.h"
#include "vCard/vCardParser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool sameProperty(const vCardItem& a, const vCardItem& b) {
    if (a.name != b.name || a.value != b.value || a.params.size() != b.params.size())
        return false;
    for (std::size_t i = 0; i < a.params.size(); ++i)
        if (a.params[i].key != b.params[i].key || a.params[i].value != b.params[i].value)
            return false;
    return true;
}

void checkLinesKept(const std::string& text) {
    vCardDataParser parser;
    parser.InternalParse(text);
    std::vector<vCardItem> read = parser.items;
    vCard card;
    card.items = read;
    const std::string written = card.toString();
    parser.InternalParse(written);
    const std::vector<vCardItem>& again = parser.items;

    std::size_t next = 0;
    for (vCardItem& item : read) {
        const std::string line = item.toString();
        if (line.empty())
            continue; // a line that would end the card is not written
        if (next == again.size())
            fail("a property was lost", line, written);
        vCardItem readBack = again[next++];
        if (readBack.toString() != line)
            fail("a property line changed", line, readBack.toString());
        if (item.unchanged() && !sameProperty(item, readBack))
            fail("a property read back differently", line, readBack.toString());
    }
    if (next != again.size())
        fail("a property was added", text, written);
}

void checkSummary(const std::string& text) {
    const vCardMini summary = readCardSummary(text);
    const vCardMini expected = summaryOfItems(text);
    if (!sameSummary(summary, expected))
        fail("the card summary differs from the full reader", text,
             "FN " + summary.fn + " UID " + summary.uid + ", read fully: FN " + expected.fn +
                 " UID " + expected.uid);
}

void checkStable(vCard& card, const FieldMap& map) {
    vCardDataParser parser;
    const std::string first = card.toString();
    const std::string second = parser.Parse(first, map).toString();
    if (first != second)
        fail("round trip changed the card", first, second);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const FieldMap map = createDefaultRawDataMap();
    vCardDataParser parser;
    checkSummary(text);
    checkLinesKept(text);

    vCard card = parser.Parse(text, map);
    card.get("home_city");
    card.get("email1");
    checkStable(card, map);

    // Text from scripts goes through the same writer: pieces of the input become values, of a
    // property read (changed in place) or added.
    card.set("home_address", text.substr(0, size / 3));
    card.set("note", text.substr(size / 3));
    card.set("email1", text.substr(size / 2));
    checkStable(card, map);

    // Names as scripts give them, in UTF-8 and without CR: a line break is written "\n", which
    // reads back as host text's CR.
    std::string name = textToUtf8(text.substr(size / 4, size / 4), "");
    name.erase(std::remove(name.begin(), name.end(), '\r'), name.end());
    const std::vector<std::string> names = {"a,b", name};
    setCategoryNames(card, names);
    std::vector<std::string> expected = {"a,b"};
    std::replace(name.begin(), name.end(), '\n', '\r');
    if (!name.empty() && name != "a,b")
        expected.push_back(name);
    if (categoryNames(parser.Parse(card.toString(), map)) != expected)
        fail("categories read back differently", name, card.toString());
    addGroupMember(card, text.substr(size / 5, 12));
    removeGroupMember(card, "a");
    checkStable(card, map);
    return 0;
}
