// Names are compared and converted by ASCII case alone, whatever the process locale says.
#include "Utils/AsciiCase.h"
#include "TurkishLocale.h"
#include "Utils/VorlixUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(AsciiCase, FoldsOnlyTheLettersAToZ) {
    EXPECT_EQ(toUpperAscii("item1.email-\xC3\xA9"), "ITEM1.EMAIL-\xC3\xA9");
    EXPECT_EQ(toLowerAscii("GrOuP"), "group");
    EXPECT_TRUE(equalsIgnoringAsciiCase("x-AddressBookServer-Kind", "X-ADDRESSBOOKSERVER-KIND"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("FN ", "FN"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("F", "FN"));
    // Neither the ASCII signs next to the letters nor UTF-8 bytes fold.
    EXPECT_FALSE(equalsIgnoringAsciiCase("X{", "X["));
    EXPECT_FALSE(equalsIgnoringAsciiCase("\xC3\xB1", "\xC3\x91"));
    EXPECT_TRUE(startsWithIgnoringAsciiCase("HTTPS://h", "https://"));
    EXPECT_FALSE(startsWithIgnoringAsciiCase("http", "https://"));
}

TEST(AsciiCase, IgnoresTheProcessLocale) {
    TurkishLocale turkish;
    if (!turkish.active())
        GTEST_SKIP() << "the Turkish locale could not be made here";
    EXPECT_EQ(toLowerAscii("BASIC"), "basic");
    EXPECT_EQ(toUpperAscii("digest"), "DIGEST");
    EXPECT_TRUE(str_cmp("basic", "BASIC"));
}

} // namespace
