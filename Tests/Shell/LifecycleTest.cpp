// The plug-in's answers to the host's lifecycle messages, driven through FMExternCallProc.
#include "PluginHarness.h"

#include <gtest/gtest.h>

#include <array>

using fmx::host::PluginConnection;

namespace {

bool anyRegistered() {
    return !fmx::host::registeredFunctions().empty();
}

} // namespace

TEST(Lifecycle, InitAcceptsHostVersionsFrom50To255) {
    PluginConnection plugin(FMExternCallProc);
    ASSERT_EQ(plugin.init(62), 53);
    const std::size_t functions = fmx::host::registeredFunctions().size();
    plugin.shutdown();
    for (fmx::int16 version : {49, 256, -1, 0}) {
        EXPECT_EQ(plugin.init(version), -1) << version;
        EXPECT_FALSE(anyRegistered()) << version;
    }
    for (fmx::int16 version : {50, 62, 255}) {
        EXPECT_EQ(plugin.init(version), 53) << version;
        EXPECT_EQ(fmx::host::registeredFunctions().size(), functions) << version;
        plugin.shutdown();
        EXPECT_FALSE(anyRegistered()) << version;
    }
}

TEST(Lifecycle, ShutdownThenInitRegistersAgain) {
    PluginConnection plugin(FMExternCallProc);
    ASSERT_EQ(plugin.init(62), 53);
    const auto first = fmx::host::registeredFunctions();
    plugin.shutdown();
    ASSERT_EQ(plugin.init(62), 53);
    EXPECT_TRUE(fmx::host::findFunction("VorlixPlugin_Version"));
    EXPECT_EQ(fmx::host::registeredFunctions().size(), first.size());
    plugin.shutdown();
    fmx::host::clearUnregistrationLog();
}

TEST(Lifecycle, ShutdownUnregistersEveryFunctionLastFirst) {
    PluginHarness host;
    const auto registered = fmx::host::registeredFunctions();
    ASSERT_EQ(registered.front().functionId, 1);
    fmx::host::clearUnregistrationLog();
    host.connection().shutdown();
    std::vector<fmx::host::FunctionKey> expected;
    for (auto row = registered.rbegin(); row != registered.rend(); ++row)
        expected.push_back({"Talv", row->functionId});
    EXPECT_EQ(fmx::host::unregistrationLog(), expected);
    host.connection().init(62); // the harness shuts down again at its end
}

TEST(Lifecycle, GetStringAnswersNameDescriptionAndConfiguration) {
    PluginConnection plugin(FMExternCallProc);
    EXPECT_EQ(plugin.getString(kFMXT_NameStr), "Talvero");
    EXPECT_EQ(plugin.getString(kFMXT_AppConfigStr),
              "Talvero v0b10 Talvero is a Filemaker Plug-In to manage your Contacts in Talvero "
              "and synchronize this with your CardDAV Server.");

    std::array<fmx::unichar16, 16> config;
    config.fill(u'#');
    plugin.getString(kFMXT_OptionsStr, config.data(), config.size());
    EXPECT_EQ(std::u16string(config.data()), u"Talv1nnYnnn");
    EXPECT_EQ(config[12], u'#'); // nothing written after the terminating zero
}

TEST(Lifecycle, ConfigurationStringNeverOverrunsASmallBuffer) {
    PluginConnection plugin(FMExternCallProc);
    std::array<fmx::unichar16, 12> buffer;
    buffer.fill(u'#');
    plugin.getString(kFMXT_OptionsStr, buffer.data(), 11);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], u'#');
    plugin.getString(kFMXT_OptionsStr, buffer.data(), 12);
    EXPECT_EQ(std::u16string(buffer.data()), u"Talv1nnYnnn");
    plugin.getString(kFMXT_OptionsStr, nullptr, 0); // must not crash
}

TEST(Lifecycle, UnknownSelectorsAndMessagesAreIgnored) {
    PluginConnection plugin(FMExternCallProc);
    for (fmx::uint8 selector : {130, 132, 0, 255}) {
        std::array<fmx::unichar16, 8> buffer;
        buffer.fill(u'#');
        plugin.getString(selector, buffer.data(), buffer.size());
        for (fmx::unichar16 unit : buffer)
            EXPECT_EQ(unit, u'#') << int(selector);
    }
    for (fmx::uint8 message : {1, 2, 3, 5, 6, 8, 200})
        plugin.send(message);
    EXPECT_FALSE(anyRegistered());
}

TEST(Lifecycle, NameLongerThanTheBufferGivesTheEmptyString) {
    PluginConnection plugin(FMExternCallProc);
    // "Talvero" has 7 units: 9 units hold it with its zero, 8 do not.
    EXPECT_EQ(plugin.getString(kFMXT_NameStr, 9), "Talvero");
    std::array<fmx::unichar16, 8> buffer;
    buffer.fill(u'#');
    plugin.getString(kFMXT_NameStr, buffer.data(), buffer.size());
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], u'#');
}
