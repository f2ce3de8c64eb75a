// Files that scripts name are opened by their UTF-8 paths, accents and all.
#include "Platform/OpenFile.h"
#include "Mapping/DataMapping.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(OpenFile, OpensAPathWithAccentsByItsUtf8Bytes) {
    TempFolder folder;
    const std::string user = folder.path() + "/J\xc3\xbcrgen";
    std::filesystem::create_directory(user);
    const std::string path = folder.write("J\xc3\xbcrgen/B\xc3\xbcher.csv", "home,ADR,HOME\n");

    std::FILE* file = platformOpenFile(path, "rb");
    ASSERT_NE(file, nullptr);
    char bytes[32] = {};
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 14u);
    EXPECT_STREQ(bytes, "home,ADR,HOME\n");
    std::fclose(file);
    EXPECT_EQ(platformOpenFile(user + "/missing.csv", "rb"), nullptr);

    FieldMap map;
    EXPECT_EQ(DataMapping().LoadvCardMapping(path, map), DataMapping::kLoaded);
    EXPECT_EQ(map.size(), 2u); // home, and the uniqueid entry every loaded map gets
    EXPECT_EQ(map.at("home").type, "HOME");
}
