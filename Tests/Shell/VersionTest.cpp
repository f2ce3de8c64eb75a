// VorlixPlugin_Version through the registered handler.
#include "PluginHarness.h"

#include <gtest/gtest.h>

TEST(Version, AnswersEveryFormat) {
    PluginHarness host;
    const std::pair<const char*, const char*> cases[] = {
        {"", "0.10"},
        {"short", "0.10"},
        {"long", "Talvero 0.10"},
        {"platform", "Linux"},
        {"autoupdate", "00100000"},
        {"build", ""},
        {"LONG", ""},
        {"short ", ""},
    };
    for (const auto& [format, expected] : cases) {
        const CallResult r = host.call("VorlixPlugin_Version", {Arg::text(format)});
        EXPECT_EQ(r.error, 0) << format;
        EXPECT_EQ(r.type(), ValueType::text) << format;
        EXPECT_EQ(r.text(), expected) << format;
    }
    const CallResult none = host.call("VorlixPlugin_Version");
    EXPECT_EQ(none.error, 0);
    EXPECT_EQ(none.type(), ValueType::text);
    EXPECT_EQ(none.text(), "0.10");
}

TEST(Version, ANumberArgumentIsReadAsItsText) {
    PluginHarness host;
    EXPECT_EQ(host.call("VorlixPlugin_Version", {Arg::number(3)}).text(), "");
    EXPECT_EQ(host.call("VorlixPlugin_Version", {Arg()}).text(), "0.10");
}

TEST(Version, HostErrorsBecomeErrorCodesWithTheResultUntouched) {
    PluginHarness host;
    for (const char* format : {"long", "autoupdate"}) {
        const auto before = fmx::host::hostCallCount();
        host.call("VorlixPlugin_Version", {Arg::text(format)});
        const auto calls = fmx::host::hostCallCount() - before;
        for (fmx::uint32 n = 1; n <= calls; ++n) {
            fmx::host::failHostCall(n, 1);
            CallResult r = host.call("VorlixPlugin_Version", {Arg::text(format)});
            EXPECT_EQ(r.error, 7) << format << " call " << n;
            EXPECT_EQ(r.type(), ValueType::none);
            fmx::host::failHostCall(n, 2);
            r = host.call("VorlixPlugin_Version", {Arg::text(format)});
            EXPECT_EQ(r.error, -1) << format << " call " << n;
            EXPECT_EQ(r.type(), ValueType::none);
        }
    }
}
