// CardDav_SetMapping and CardDav_GetMapping through the registered handlers.
#include "Functions/Sessions.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

class MappingFunctions : public ::testing::Test {
protected:
    void SetUp() override { resetPluginState(); }

    // What a successful connection leaves: the mapping functions need nothing more.
    void pretendConnected() {
        session().connected = true;
        session().root_address_url = "http://127.0.0.1:9/alice/";
    }
    CallResult setMapping(const std::string& path) {
        return host.call("CardDav_SetMapping", {Arg::text(path)});
    }
    std::string getMapping() {
        const CallResult listed = host.call("CardDav_GetMapping");
        EXPECT_EQ(listed.error, 0);
        return listed.text();
    }
    double lastError() { return host.call("CardDav_LastError").number(); }

    TempFolder folder;
    PluginHarness host;
};

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r'));
}

} // namespace

TEST_F(MappingFunctions, NothingIsLoadedBeforeAnAddressBookHomeIsKnown) {
    EXPECT_EQ(getMapping(), "") << "the vocabulary starts empty";
    const std::string file = folder.write("map.csv", "home,ADR,HOME\n");
    const CallResult set = setMapping(file);
    EXPECT_EQ(set.error, 11);
    EXPECT_EQ(set.number(), 0) << "nothing was loaded";
    EXPECT_EQ(lastError(), 11);
    EXPECT_TRUE(session().current_mapping.empty());
}

TEST_F(MappingFunctions, LoadedFileBecomesTheVocabularyAndIsListedAsRows) {
    pretendConnected();
    const CallResult set =
        setMapping(folder.write("map.csv", "home,ADR,HOME\r\ncelltel,tel,cell\r\n"));
    EXPECT_EQ(set.error, 0);
    EXPECT_EQ(set.number(), 1);
    EXPECT_EQ(lastError(), 0);
    EXPECT_EQ(getMapping(), "celltel,TEL,cell\rhome,ADR,HOME\runiqueid,UID\r");
}

TEST_F(MappingFunctions, FailedLoadsInstallTheBuiltInVocabulary) {
    pretendConnected();
    const CallResult empty = setMapping("");
    EXPECT_EQ(empty.error, 32);
    EXPECT_EQ(empty.number(), 0);
    EXPECT_EQ(lastError(), 32);

    ASSERT_EQ(setMapping(folder.write("first.csv", "mine,NOTE\n")).number(), 1);
    const CallResult missing = setMapping(folder.path() + "/gone.csv");
    EXPECT_EQ(missing.error, 31);
    EXPECT_EQ(missing.number(), 0);
    EXPECT_EQ(lastError(), 31);
    EXPECT_EQ(session().current_mapping.size(), 42u)
        << "the first file's vocabulary is not kept";
    EXPECT_EQ(session().current_mapping.count("mine"), 0u);

    ASSERT_EQ(setMapping(folder.write("second.csv", "mine,NOTE\n")).number(), 1);
    const CallResult refused = setMapping(folder.write("refused.csv", "etag,X\nid,UID\n"));
    EXPECT_EQ(refused.error, 31);
    EXPECT_EQ(session().current_mapping.size(), 42u);
}

TEST_F(MappingFunctions, BuiltInVocabularyListedSavedAndLoadedBack) {
    pretendConnected();
    session().current_mapping = createDefaultRawDataMap();
    const std::string listed = getMapping();
    EXPECT_EQ(lineCount(listed), 42u);
    EXPECT_EQ(listed.rfind("bbstel,TEL,BBS\rbirthday,BDAY\r", 0), 0u) << listed;
    EXPECT_NE(listed.find("\rinternational,ADR,INETERNATIONAL\r"), std::string::npos);

    session().current_mapping.clear();
    ASSERT_EQ(setMapping(folder.write("saved.csv", listed)).number(), 1);
    const FieldMap builtIn = createDefaultRawDataMap();
    ASSERT_EQ(session().current_mapping.size(), builtIn.size());
    for (const auto& [name, entry] : builtIn) {
        ASSERT_EQ(session().current_mapping.count(name), 1u) << name;
        EXPECT_EQ(session().current_mapping.at(name).property, entry.property) << name;
        EXPECT_EQ(session().current_mapping.at(name).type, entry.type) << name;
    }
}

TEST_F(MappingFunctions, ListingIsHandedOverAsUtf8) {
    pretendConnected();
    ASSERT_EQ(setMapping(folder.write("utf8.csv", "straße,ADR,HOME\nnote,NOTE,Größe\n")).number(),
              1);
    EXPECT_EQ(getMapping(), "note,NOTE,Größe\rstraße,ADR,HOME\runiqueid,UID\r");
}

TEST_F(MappingFunctions, HostFailureWhileListingGivesErrorText) {
    session().current_mapping = createDefaultRawDataMap();
    fmx::host::failHostCall(1, 1);
    const CallResult listed = host.call("CardDav_GetMapping");
    EXPECT_EQ(listed.error, 7);
    EXPECT_EQ(listed.text(), "ERROR");
}
