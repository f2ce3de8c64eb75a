// Lookup of the plug-in's string resources and the buffer size rules.
#include "Shell/FMUtils.h"

#include <gtest/gtest.h>

#include <array>

namespace {

std::string text(const fmx::TextAutoPtr& t) {
    std::array<char, 512> bytes{};
    t->GetBytes(bytes.data(), bytes.size() - 1, 0, fmx::Text::kSize_End, 1);
    return bytes.data();
}

} // namespace

TEST(StringResources, LoadCopiesOnlyTextsShorterThanSizeMinusOne) {
    std::array<fmx::unichar16, 16> buffer;
    buffer.fill(u'#');
    // "0.10" has 4 units.
    EXPECT_EQ(Sub_OSXLoadString(kVersionString, buffer.data(), 1), 0u);
    EXPECT_EQ(buffer[0], u'#');
    EXPECT_EQ(Sub_OSXLoadString(kVersionString, buffer.data(), 5), 0u);
    EXPECT_EQ(buffer[0], u'#');
    EXPECT_EQ(Sub_OSXLoadString(kVersionString, buffer.data(), 6), 4u);
    EXPECT_EQ(std::u16string(buffer.data()), u"0.10");
    EXPECT_EQ(buffer[5], u'#');
    EXPECT_EQ(Sub_OSXLoadString(kVersionString, nullptr, 16), 0u);
    EXPECT_EQ(Sub_OSXLoadString(113, buffer.data(), 16), 0u);
    EXPECT_EQ(Do_GetString(kPluginNameString, 0, 16, buffer.data()), 7u);
    EXPECT_EQ(std::u16string(buffer.data()), u"Talvero");
}

TEST(StringResources, ReadStringLeavesTheEmptyStringWhenNothingFits) {
    std::array<fmx::unichar16, 8> buffer;
    buffer.fill(u'#');
    ReadString(buffer.data(), 5, kVersionString);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], u'#');
    buffer.fill(u'#');
    ReadString(buffer.data(), buffer.size(), 999);
    EXPECT_EQ(buffer[0], 0);
    ReadString(buffer.data(), buffer.size(), kVersionString);
    EXPECT_EQ(std::u16string(buffer.data()), u"0.10");
    ReadString(nullptr, 8, kVersionString); // must not crash
    buffer.fill(u'#');
    ReadString(buffer.data(), 0, kVersionString);
    EXPECT_EQ(buffer[0], u'#');
}

TEST(StringResources, EveryPrototypeIdExistsExcept113) {
    std::array<fmx::unichar16, 256> buffer{};
    for (fmx::uint32 id = 101; id <= 135; ++id)
        EXPECT_EQ(Sub_OSXLoadString(id, buffer.data(), buffer.size()) > 0, id != 113) << id;
    for (fmx::uint32 id : {0u, 4u, 100u, 199u})
        EXPECT_EQ(Sub_OSXLoadString(id, buffer.data(), buffer.size()), 0u) << id;
}

TEST(StringResources, NameOnlyCutsThePrototypeAtItsParenthesis) {
    fmx::TextAutoPtr name;
    Do_GetString(kPrototypeStringBase + 22, name, true);
    EXPECT_EQ(text(name), "VorlixPlugin_Version");
    Do_GetString(kPrototypeStringBase + 22, name, false);
    EXPECT_EQ(text(name), "VorlixPlugin_Version( { versionFormat } )");
    Do_GetString(kPluginNameString, name, true); // no "(": the whole text
    EXPECT_EQ(text(name), "Talvero");
    Do_GetString(113, name, true);
    EXPECT_EQ(text(name), "");
}
