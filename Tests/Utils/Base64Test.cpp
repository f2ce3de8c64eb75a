#include "base64.h"

#include <gtest/gtest.h>

namespace {
std::string encode(const std::string& bytes) {
    return base64_encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                         static_cast<unsigned int>(bytes.size()));
}
} // namespace

TEST(Base64, EncodesWithPadding) {
    EXPECT_EQ(encode("abc"), "YWJj");
    EXPECT_EQ(encode(std::string(1, '\0')), "AA==");
    EXPECT_EQ(encode("ab"), "YWI=");
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("\xFF\xFE\xFD"), "//79");
}

TEST(Base64, DecodesUpToTheFirstForeignCharacter) {
    EXPECT_EQ(base64_decode("YWJj"), "abc");
    EXPECT_EQ(base64_decode("YQ=="), "a");
    EXPECT_EQ(base64_decode("YW Jj"), "a");
    EXPECT_EQ(base64_decode("YWJj\r\nYWJj"), "abc");
    EXPECT_EQ(base64_decode("Y"), "");
    EXPECT_EQ(base64_decode("YWI"), "ab");
    EXPECT_EQ(base64_decode("\xC3\xA9YWJj"), "");
}

TEST(Base64, RoundTripsEveryByteValueAndLength) {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    for (std::size_t len = 0; len <= bytes.size(); len += 7)
        EXPECT_EQ(base64_decode(encode(bytes.substr(0, len))), bytes.substr(0, len)) << len;
}

TEST(Base64, AlphabetTest) {
    EXPECT_TRUE(is_base64('a'));
    EXPECT_TRUE(is_base64('Z'));
    EXPECT_TRUE(is_base64('0'));
    EXPECT_TRUE(is_base64('+'));
    EXPECT_TRUE(is_base64('/'));
    EXPECT_FALSE(is_base64('='));
    EXPECT_FALSE(is_base64('-'));
    EXPECT_FALSE(is_base64('_'));
    EXPECT_FALSE(is_base64(0xE9));
}
