#include "vCard/vCardPicture.h"

#include <gtest/gtest.h>

namespace {

// "GIF8" in base64.
const char* const kGif8 = "R0lGOA==";

} // namespace

TEST(vCardPicture, ReadsBase64UnderEveryEncodingName) {
    for (const char* encoding : {"b", "B", "BASE64", "base64", "\"b\""}) {
        Picture picture;
        ASSERT_TRUE(readPicture(kGif8, encoding, "GIF", picture)) << encoding;
        EXPECT_EQ(picture.bytes, "GIF8") << encoding;
        EXPECT_EQ(picture.imageType, "GIF") << encoding;
    }
    // Folded by a writer that put two blanks before each piece.
    Picture folded;
    ASSERT_TRUE(readPicture("R0lG\r\n OA==", "BASE64", "", folded));
    EXPECT_EQ(folded.bytes, "GIF8");
    EXPECT_EQ(folded.imageType, "");

    Picture other;
    EXPECT_FALSE(readPicture(kGif8, "QUOTED-PRINTABLE", "GIF", other));
    EXPECT_FALSE(readPicture("http://example.org/a.gif", "", "", other));
}

TEST(vCardPicture, ReadsDataUris) {
    Picture picture;
    ASSERT_TRUE(readPicture(std::string("data:image/gif;base64,") + kGif8, "", "", picture));
    EXPECT_EQ(picture.bytes, "GIF8");
    EXPECT_EQ(picture.imageType, "gif");
    ASSERT_TRUE(readPicture(std::string("DATA:image/png;BASE64,") + kGif8, "", "JPEG", picture));
    EXPECT_EQ(picture.imageType, "png");
    ASSERT_TRUE(readPicture(std::string("data:;base64,") + kGif8, "", "", picture));
    EXPECT_EQ(picture.imageType, "");

    // Not base64, cut off, or a data: URI under an encoding of its own.
    EXPECT_FALSE(readPicture("data:image/gif,GIF8", "", "", picture));
    EXPECT_FALSE(readPicture("data:image/gif;base64", "", "", picture));
    EXPECT_FALSE(readPicture("data:", "", "", picture));
    EXPECT_FALSE(readPicture("data:image/gif;base64,R0", "8BIT", "", picture));
}

TEST(vCardPicture, WritesDataUrisOfTheGivenKind) {
    EXPECT_EQ(dataUri("jpeg", "AAAA", ""), "data:image/jpeg;base64,AAAA");
    EXPECT_EQ(dataUri("PNG", "AAAA", "data:image/gif;base64,R0"), "data:image/png;base64,AAAA");
    EXPECT_EQ(dataUri("", "AAAA", "data:image/gif;base64,R0"), "data:image/gif;base64,AAAA");
    EXPECT_TRUE(isDataUri("Data:x"));
    EXPECT_FALSE(isDataUri("dat"));
}
