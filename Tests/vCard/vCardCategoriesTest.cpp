#include "vCard/vCardCategories.h"
#include "vCard/vCardParser.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

vCard parse(const std::string& body) {
    return vCardDataParser().Parse("BEGIN:VCARD\r\n" + body + "END:VCARD\r\n", FieldMap());
}

} // namespace

TEST(vCardCategories, ReadsEveryCategoriesLineOnceInCardOrder) {
    const struct {
        std::string body;
        Names names;
    } cases[] = {
        {"CATEGORIES:Friends,Math\\, Science\r\n", {"Friends", "Math, Science"}},
        {"item2.categories:b,a\r\nFN:x\r\nCATEGORIES:a,c\\\\d,,e\\;f\\n\r\n",
         {"b", "a", "c\\d", "e;f\r"}},
        {"CATEGORIES;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Fu=C3=9Fball,Caf=C3=A9\r\n",
         {"Fu\xC3\x9F"
          "ball",
          "Caf\xC3\xA9"}},
        {"X-CATEGORIES:not,these\r\nCATEGORIES:\r\n", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(categoryNames(parse(c.body)), c.names) << c.body;
}

TEST(vCardCategories, WritesOneLineInThePlaceOfTheFirst) {
    const std::string before = "VERSION:3.0\r\nFN:Ann\r\n";
    const std::string after = "NOTE:after\r\n";
    const struct {
        std::string body;
        Names names;
        std::string expected;
    } cases[] = {
        // The place, group and parameters of the first line are kept, the others go.
        {before + "item1.CATEGORIES;LANGUAGE=en:a\r\n" + after + "CATEGORIES:b\r\n",
         {"Smith, Jones", "a;b", "c\\d", "Smith, Jones", ""},
         before + "item1.CATEGORIES;LANGUAGE=en:Smith\\, Jones,a\\;b,c\\\\d\r\n" + after},
        {before + after, {"New"}, before + after + "CATEGORIES:New\r\n"},
        {before + "CATEGORIES:a\r\n" + after + "CATEGORIES:b\r\n", {}, before + after},
        // The names the card holds already: nothing changes, however they are written.
        {before + "CATEGORIES:a\r\n" + after + "item3.CATEGORIES:b,a\r\n",
         {"a", "b"},
         before + "CATEGORIES:a\r\n" + after + "item3.CATEGORIES:b,a\r\n"},
        {"CATEGORIES;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:Caf=C3=A9\r\n",
         {"Caf\xC3\xA9", "Tea"},
         "CATEGORIES;CHARSET=UTF-8:Caf\xC3\xA9,Tea\r\n"},
    };
    for (const auto& c : cases) {
        vCard card = parse(c.body);
        setCategoryNames(card, c.names);
        EXPECT_EQ(card.toString(), "BEGIN:VCARD\r\n" + c.expected + "END:VCARD\r\n") << c.body;
    }
}
