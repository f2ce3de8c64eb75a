// A card's properties by kind: read with their types, preference and labels whatever client
// wrote them, and replaced so that what an edit left alone is written back as it was read.
#include "vCard/CardContents.h"
#include "vCard/CardDates.h"
#include "vCard/vCardParser.h"
#include "vCard/vCardText.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const char* const kCard = "BEGIN:VCARD\r\n"
                          "VERSION:3.0\r\n"
                          "N:Doe;Jane;;;\r\n"
                          "item1.EMAIL;type=INTERNET;type=pref:jane@work.example\r\n"
                          "item1.X-ABLabel:_$!<Work>!$_\r\n"
                          "EMAIL;TYPE=HOME:jane\\,home@example.org\r\n"
                          "TEL;CELL;PREF:+1 555 0100\r\n"
                          "TEL;TYPE=\"work,voice\":+1 555 0101\r\n"
                          "item2.ADR;type=HOME:;;1 Main St\\nBack door;Springfield;IL;62701;USA\r\n"
                          "item2.X-ABADR:us\r\n"
                          "item2.X-ABLabel:Summer\\, mostly\r\n"
                          "BDAY:19900615\r\n"
                          "ANNIVERSARY:--0615\r\n"
                          "item3.X-ABDATE;X-APPLE-OMIT-YEAR=1604:1604-05-01T00:00:00Z\r\n"
                          "item3.X-ABLabel:_$!<Anniversary>!$_\r\n"
                          "X-JABBER;TYPE=HOME:jane@chat.example\r\n"
                          "NOTE:keep me\r\n"
                          "END:VCARD\r\n";

vCard parsed(const std::string& text = kCard) {
    return vCardDataParser().Parse(text, FieldMap());
}

// The entries as text, one per line: group, property, value, types, pref, label; without group
// and property when `content` is set.
std::string described(const std::vector<CardEntry>& entries, bool content = false) {
    std::string text;
    for (const CardEntry& entry : entries) {
        if (!content)
            text += entry.group + "|" + entry.property + "|";
        text += entry.value + "|";
        for (const std::string& type : entry.types)
            text += type + ",";
        text += std::string(entry.pref ? "|pref|" : "||") + entry.label + "\n";
    }
    return text;
}

std::string lineOf(const std::string& text, const std::string& start) {
    const std::size_t at = text.find(start);
    return at == std::string::npos ? "" : text.substr(at, text.find("\r\n", at) - at);
}

} // namespace

TEST(CardContents, ReadsEveryPropertyOfAKindWithTypesPreferenceAndLabel) {
    const vCard card = parsed();
    EXPECT_EQ(described(entriesOf(card, EntryKind::Email)),
              "item1|EMAIL|jane@work.example|internet,|pref|Work\n"
              "|EMAIL|jane,home@example.org|home,||\n");
    EXPECT_EQ(described(entriesOf(card, EntryKind::Phone)), "|TEL|+1 555 0100|cell,|pref|\n"
                                                            "|TEL|+1 555 0101|work,voice,||\n");
    EXPECT_EQ(described(entriesOf(card, EntryKind::Date)),
              "|BDAY|1990-06-15|||\n"
              "|ANNIVERSARY|--06-15|||\n"
              "item3|X-ABDATE|--05-01|||Anniversary\n");
    EXPECT_EQ(described(entriesOf(card, EntryKind::Im)), "|X-JABBER|jane@chat.example|home,||\n");
    const std::vector<CardEntry> addresses = entriesOf(card, EntryKind::Address);
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(addresses[0].label, "Summer, mostly");
    EXPECT_EQ(addresses[0].components,
              (std::vector<std::string>{"", "", "1 Main St\rBack door", "Springfield", "IL",
                                        "62701", "USA"}));
    EXPECT_TRUE(entriesOf(card, EntryKind::Url).empty());

    // vCard 4 marks the preferred one with PREF=1; a lower preference is no preference.
    const vCard v4 = parsed("BEGIN:VCARD\r\nVERSION:4.0\r\nEMAIL;PREF=1;TYPE=work:a@x\r\n"
                            "EMAIL;PREF=2:b@x\r\nEND:VCARD\r\n");
    EXPECT_EQ(described(entriesOf(v4, EntryKind::Email)),
              "|EMAIL|a@x|work,|pref|\n|EMAIL|b@x|||\n");
}

TEST(CardContents, ReplacingKeepsTheLinesAnEditLeftAsTheyWere) {
    const std::string original = parsed().toString();
    struct Edit {
        const char* what;
        std::function<void(std::vector<CardEntry>&)> change;
        std::vector<std::string> gone;  // lines no longer written
        std::vector<std::string> added; // lines written anew
    };
    const Edit edits[] = {
        {"first removed, with its label",
         [](auto& e) { e.erase(e.begin()); },
         {"item1.EMAIL;type=INTERNET;type=pref:jane@work.example", "item1.X-ABLabel:_$!<Work>!$_"},
         {}},
        {"second changed",
         [](auto& e) { e[1].value = "jane;home@example.org"; },
         {"EMAIL;TYPE=HOME:jane\\,home@example.org"},
         {"EMAIL;TYPE=HOME:jane\\;home@example.org"}},
        {"label changed: the label line alone",
         [](auto& e) { e[0].label = "Office"; },
         {"item1.X-ABLabel:_$!<Work>!$_"},
         {"item1.X-ABLabel:Office"}},
        {"value of a labelled one changed: its line alone, in its group as written",
         [](auto& e) { e[0].value = "jane@office.example"; },
         {"item1.EMAIL;type=INTERNET;type=pref:jane@work.example"},
         {"item1.EMAIL;type=INTERNET;type=pref:jane@office.example"}},
        {"types of a labelled one changed: its line written anew in its group",
         [](auto& e) { e[0].types = {"work"}; },
         {"item1.EMAIL;type=INTERNET;type=pref:jane@work.example"},
         {"item1.EMAIL;TYPE=WORK;TYPE=PREF:jane@work.example"}},
        {"added with a label: a group of its own",
         [](auto& e) {
             CardEntry added;
             added.value = "new@example.org";
             added.types = {"work"};
             added.label = "Backup";
             e.push_back(added);
         },
         {},
         {"ITEM4.EMAIL;TYPE=WORK:new@example.org", "ITEM4.X-ABLABEL:Backup"}},
    };
    for (const Edit& edit : edits) {
        vCard card = parsed();
        std::vector<CardEntry> entries = entriesOf(card, EntryKind::Email);
        edit.change(entries);
        replaceEntries(card, EntryKind::Email, entries);
        const std::string written = card.toString();
        EXPECT_EQ(described(entriesOf(card, EntryKind::Email), true), described(entries, true))
            << edit.what;
        // Every other line as it was.
        std::string expected = original;
        for (const std::string& line : edit.gone)
            expected.erase(expected.find(line + "\r\n"), line.size() + 2);
        std::string rest = written;
        for (const std::string& line : edit.added)
            if (rest.find(line + "\r\n") != std::string::npos)
                rest.erase(rest.find(line + "\r\n"), line.size() + 2);
            else
                ADD_FAILURE() << edit.what << ": no line " << line << " in\n" << written;
        EXPECT_EQ(rest, expected) << edit.what;
    }
}

TEST(CardContents, AddressesAndDatesAreWrittenFromTheirParts) {
    vCard card = parsed();
    std::vector<CardEntry> addresses = entriesOf(card, EntryKind::Address);
    addresses[0].components[3] = "Shelbyville, North";
    addresses[0].label.clear();
    replaceEntries(card, EntryKind::Address, addresses);
    const std::string written = card.toString();
    EXPECT_EQ(lineOf(written, "item2.ADR"),
              "item2.ADR;type=HOME:;;1 Main St\\nBack door;Shelbyville\\, North;IL;62701;USA");
    EXPECT_NE(written.find("item2.X-ABADR:us\r\n"), std::string::npos) << "its country format";
    EXPECT_EQ(written.find("Summer"), std::string::npos) << "the label removed";

    // A card without the kind gets it at the end; vCard 4 marks preference with PREF=1.
    vCard v4 = parsed("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:X\r\nEND:VCARD\r\n");
    CardEntry birthday;
    birthday.value = "--06-15";
    birthday.pref = true;
    replaceEntries(v4, EntryKind::Date, {birthday});
    EXPECT_EQ(v4.toString(), "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:X\r\nBDAY;PREF=1:--06-15\r\n"
                             "END:VCARD\r\n");
}

TEST(CardContents, DatesReadInEveryFormCardsHold) {
    for (const auto& [written, iso] :
         {std::pair<const char*, const char*>{"19900615", "1990-06-15"},
          {"1990-06-15", "1990-06-15"},
          {"--0615", "--06-15"},
          {"--06-15", "--06-15"},
          {"19900615T120000Z", "1990-06-15"},
          {"1990-06-15T12:00:00+02:00", "1990-06-15"},
          {"1990-13-15", ""},
          {"1990-06-32", ""},
          {"June 15", ""},
          {"--06", ""},
          {"", ""}})
        EXPECT_EQ(isoDate(written), iso) << written;
    EXPECT_EQ(isoDate("1604-06-15", "1604"), "--06-15");
    EXPECT_EQ(isoDate("1990-06-15", "1604"), "1990-06-15");
}
