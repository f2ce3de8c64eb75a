// The table of external functions as the host's registry receives it, and registration refused
// or failing part way through init.
#include "PluginHarness.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

struct ExpectedRow {
    fmx::int16 id;
    const char* prototype;
    fmx::int16 minArgs;
    fmx::int16 maxArgs;
};

const ExpectedRow kExpected[] = {
    {1, "CardDav_SetServer( baseurl;verbose;validcert )", 1, 3},
    {2, "CardDav_SetAuth( type;user;password )", 2, 3},
    {3, "CardDav_SetSsl( type; validcert )", 1, 2},
    {4, "CardDav_GetvCard( vCardId )", 0, 1},
    {5, "CardDav_GetvCardItem( itemName )", 0, 3},
    {6, "CardDav_GetAddressBooks()", 0, 1},
    {7, "CardDav_SelectAddressBook( url )", 1, 2},
    {8, "CardDav_SetvCardItem( itemname ; value )", 2, 3},
    {9, "CardDav_NewvCard( addressbokurl)", 1, 2},
    {10, "CardDav_SaveCard( etag )", 0, 1},
    {11, "CardDav_DeleteCard( id )", 0, 2},
    {12, "CardDav_DeleteAllCards( addressbookurl )", 0, 1},
    {14, "CardDav_GetvCardGroups( uid, updateFromServer )", 1, 2},
    {15, "CardDav_Connect()", 0, 1},
    {16, "CardDav_GetAddressbookvCards()", 0, 0},
    {17, "CardDav_GetAddressbookGroups( )", 0, 0},
    {18, "CardDav_LastError( )", 0, 0},
    {19, "CardDav_SetvCardGroups(uid, csgroups )", 2, 2},
    {20, "CardDav_SetTimeout( timeoutseconds )", 1, 1},
    {21, "CardDav_SetMapping( csvpath )", 1, 1},
    {22, "VorlixPlugin_Version( { versionFormat } )", 0, 1},
    {23, "CardDav_CheckvCardIfChanged( uid, etag )", 2, 2},
    {24, "CardDav_GetMapping( )", 0, 0},
    {25, "CardDav_GetAddressbookETags( )", 0, 0},
    {26, "CardDav_GetChanges( synctoken ; addressbookurl )", 1, 2},
    {27, "CardDav_GetSyncToken( )", 0, 0},
    {28, "CardDav_FetchvCards( uids ; addressbookurl )", 1, 2},
    {29, "CardDav_SetSessionIdleLimit( seconds )", 1, 1},
    {30, "CardDav_CompareETags( stored )", 1, 1},
    {31, "CardDav_LastErrorText( )", 0, 0},
    {32, "CardDav_GetvCardJSON( {uid} )", 0, 1},
    {33, "CardDav_SetvCardJSON( json )", 1, 1},
    {34, "CardDav_SetGroupStyle( style )", 1, 1},
    {35, "CardDav_GetGroupStyle( )", 0, 0},
};

std::vector<fmx::int16> unregisteredIds() {
    std::vector<fmx::int16> ids;
    for (const auto& key : fmx::host::unregistrationLog())
        ids.push_back(key.functionId);
    return ids;
}

} // namespace

TEST(Registry, EveryFunctionIsRegisteredWithItsPrototypeRangeAndFlags) {
    PluginHarness host;
    const auto functions = fmx::host::registeredFunctions();
    ASSERT_EQ(functions.size(), std::size(kExpected));
    for (std::size_t i = 0; i < functions.size(); ++i) {
        const auto& row = functions[i];
        const ExpectedRow& expected = kExpected[i];
        const std::string prototype = expected.prototype;
        EXPECT_EQ(row.pluginId, "Talv");
        EXPECT_EQ(row.functionId, expected.id);
        EXPECT_EQ(row.prototype, prototype);
        EXPECT_EQ(row.name, prototype.substr(0, prototype.find('(')));
        EXPECT_EQ(std::tie(row.minArgs, row.maxArgs), std::tie(expected.minArgs, expected.maxArgs))
            << prototype;
        EXPECT_EQ(row.flags, 0xFF01u);
        EXPECT_NE(row.handler, nullptr);
    }
    EXPECT_EQ(fmx::host::findFunction("VorlixPlugin_Version")->prototype,
              "VorlixPlugin_Version( { versionFormat } )");
}

TEST(Registry, RefusalAtTheFifthRowUndoesTheFourBefore) {
    fmx::host::clearUnregistrationLog();
    fmx::host::refuseRegistration(5);
    PluginHarness host(62, false);
    EXPECT_EQ(host.initResult(), -2);
    EXPECT_EQ(unregisteredIds(), (std::vector<fmx::int16>{4, 3, 2, 1}));
    EXPECT_TRUE(fmx::host::registeredFunctions().empty());
}

TEST(Registry, RefusalAtTheFirstRowUnregistersNothing) {
    fmx::host::clearUnregistrationLog();
    fmx::host::refuseRegistration(1);
    PluginHarness host(62, false);
    EXPECT_EQ(host.initResult(), -2);
    EXPECT_TRUE(fmx::host::unregistrationLog().empty());
    EXPECT_TRUE(fmx::host::registeredFunctions().empty());
}

TEST(Registry, HostErrorAtAnyCallDuringInitLeavesNothingRegistered) {
    // Count the host calls of one init, then make each of them fail in turn.
    fmx::host::PluginConnection plugin(FMExternCallProc);
    const auto before = fmx::host::hostCallCount();
    ASSERT_EQ(plugin.init(62), 53);
    const auto callsPerInit = fmx::host::hostCallCount() - before;
    plugin.shutdown();
    ASSERT_GT(callsPerInit, 23u * 4);

    for (fmx::uint32 n = 1; n <= callsPerInit; ++n) {
        for (fmx::int32 code : {1, 2}) {
            fmx::host::failHostCall(n, code);
            EXPECT_EQ(plugin.init(62), -2) << "call " << n << " code " << code;
            EXPECT_TRUE(fmx::host::registeredFunctions().empty()) << "call " << n;
            fmx::host::resetFaults();
        }
    }
    fmx::host::clearUnregistrationLog();
}
