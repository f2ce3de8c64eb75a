#include "Platform/RandomUuid.h"
#include "Utils/VorlixUtils.h"

#include <gtest/gtest.h>

#include <set>

using Pieces = std::vector<std::string>;

TEST(Split, DropsOrKeepsEmptyPieces) {
    EXPECT_EQ(split("a,,b", ',', 0), (Pieces{"a", "b"}));
    EXPECT_EQ(split("a,,b", ',', 1), (Pieces{"a", "", "b"}));
    // Only keepEmpty == 1 keeps empty pieces.
    EXPECT_EQ(split("a,,b", ',', 2), (Pieces{"a", "b"}));
}

TEST(Split, NeverProducesATrailingEmptyPiece) {
    EXPECT_EQ(split(",a,", ',', 1), (Pieces{"", "a"}));
    EXPECT_EQ(split("", ',', 1), Pieces{});
    EXPECT_EQ(split(",", ',', 1), (Pieces{""}));
    EXPECT_EQ(split(",", ',', 0), Pieces{});
}

TEST(Replace, RemovesEveryOccurrenceIncludingJoinedOnes) {
    EXPECT_EQ(replace(replace("x<![CDATA[y]]>", "<![CDATA[", ""), "]]>", ""), "xy");
    EXPECT_EQ(replace("a-b-c", "-", ""), "abc");
    // Removing "ab" from "aabb" joins a new "ab", which is removed as well.
    EXPECT_EQ(replace("aabb", "ab", ""), "");
    EXPECT_EQ(replace("xaabbx", "ab", "-"), "xa-bx");
    EXPECT_EQ(replace("abc", "", "x"), "abc");
}

TEST(PrefixAndSuffix, EmptyAffixAlwaysMatches) {
    EXPECT_TRUE(startswith("abc", ""));
    EXPECT_TRUE(endswith("abc", ""));
    EXPECT_TRUE(startswith("abc", "ab"));
    EXPECT_FALSE(startswith("ab", "abc"));
    EXPECT_TRUE(endswith("card.vcf", ".vcf"));
    EXPECT_FALSE(endswith("c", "abc"));
}

TEST(StrCmp, IgnoresAsciiCaseOnly) {
    EXPECT_TRUE(str_cmp("Email", "EMAIL"));
    EXPECT_FALSE(str_cmp("EMAIL", "EMAILS"));
    EXPECT_FALSE(str_cmp("\xC3\xA9", "\xC3\x89")); // é and É differ: only ASCII folds
    EXPECT_TRUE(str_cmp("", ""));
}

TEST(IntToString, PlainDecimal) {
    EXPECT_EQ(intToString(-42), "-42");
    EXPECT_EQ(intToString(0), "0");
    EXPECT_EQ(intToString(65501), "65501");
}

TEST(NewGuid, RandomLowerCaseUuidForm) {
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string id = newguid();
        ASSERT_EQ(id.size(), 36u);
        for (std::size_t pos : {8u, 13u, 18u, 23u})
            EXPECT_EQ(id[pos], '-');
        EXPECT_EQ(id[14], '4') << "version 4 UUID";
        EXPECT_EQ(id.find_first_not_of("0123456789abcdef-"), std::string::npos) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 100u);
}
