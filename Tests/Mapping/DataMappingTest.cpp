#include "Mapping/DataMapping.h"
#include "vCard/vCardComponents.h"

#include <gtest/gtest.h>

TEST(DefaultFieldMap, HoldsTheBuiltInVocabularyInByteOrder) {
    const FieldMap map = createDefaultRawDataMap();
    ASSERT_EQ(map.size(), 42u);
    EXPECT_EQ(map.begin()->first, "bbstel");
    EXPECT_EQ(map.rbegin()->first, "worktel");
    EXPECT_EQ(map.at("international").type, "INETERNATIONAL");
    EXPECT_EQ(map.at("email1").property, "EMAIL");
    EXPECT_EQ(map.at("email1").type, "PREF");
    EXPECT_EQ(map.at("email2").type, "");
    EXPECT_EQ(map.at("gender").property, "X-WAB-GENDER");
    // hometel and home share the TYPE value but not the property.
    EXPECT_EQ(map.at("hometel").property, "TEL");
    EXPECT_EQ(map.at("home").property, "ADR");
    EXPECT_EQ(map.count("Home"), 0u);
}

TEST(FieldNameSplit, FirstPieceIsTheKeySecondTheComponent) {
    const auto check = [](const std::string& field, const std::string& key,
                          const std::string& component) {
        const FieldName name = splitFieldName(field);
        EXPECT_EQ(name.mainprop, key) << field;
        EXPECT_EQ(name.typeprop, component) << field;
    };
    check("email1", "email1", "");
    check("home_city", "home", "city");
    check("home_city_x", "home", "city");
    // A single trailing underscore gives one piece: the whole name is the key.
    check("home_", "home_", "");
    check("_city", "", "city");
    check("", "", "");
}

TEST(ComponentNames, ExistOnlyForAdrNAndGeo) {
    ASSERT_EQ(componentNames("ADR").size(), 7u);
    EXPECT_EQ(componentNames("ADR")[3], "city");
    EXPECT_EQ(componentNames("ADR")[6], "country");
    ASSERT_EQ(componentNames("N").size(), 5u);
    EXPECT_EQ(componentNames("N")[2], "additional");
    EXPECT_EQ(componentNames("GEO"), (std::vector<std::string>{"latitude", "longitude"}));
    EXPECT_TRUE(componentNames("ITEM1.ADR").empty());
    EXPECT_TRUE(componentNames("adr").empty());
    EXPECT_TRUE(componentNames("EMAIL").empty());
}
