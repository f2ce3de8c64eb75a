// The argument readers and result writers, on values built by the stand-in host.
#include "Functions/HostValues.h"
#include "PluginHarness.h"
#include "Utils/VorlixUtils.h"

#include <gtest/gtest.h>

namespace {

fmx::DataVectAutoPtr arguments(const std::vector<Arg>& values) {
    fmx::DataVectAutoPtr args;
    fmx::host::fill(*args, values);
    return args;
}

const std::string kPng = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

} // namespace

TEST(ParameterToString, ConvertsTheWholeTextToUtf8) {
    const std::string cjk = "\xE6\xBC\xA2\xE5\xAD\x97\xE3\x81\x8B\xE3\x81\xAA"; // 漢字かな
    const std::string emoji = "a\xF0\x9F\x98\x80z";                             // a😀z
    const std::string latin = "M\xC3\xBCller \xC3\xA9t\xC3\xA9";
    auto args = arguments(
        {Arg::text(cjk), Arg::text(emoji), Arg::text(latin), Arg::number(-2.5), Arg::text("")});
    EXPECT_EQ(*ParameterToString(*args, 0), cjk);
    EXPECT_EQ(*ParameterToString(*args, 1), emoji);
    EXPECT_EQ(*ParameterToString(*args, 2), latin);
    EXPECT_EQ(*ParameterToString(*args, 3), "-2.5");
    EXPECT_EQ(*ParameterToString(*args, 4), "");
    EXPECT_EQ(*ParameterToString(*args, 5), "");
    EXPECT_EQ(*ParameterToString(*args, 1000), "");
}

TEST(ParameterToString, SwallowsHostErrors) {
    auto args = arguments({Arg::text("abc")});
    for (fmx::uint32 n = 1; n <= 6; ++n) {
        fmx::host::failHostCall(n, 2);
        const auto text = ParameterToString(*args, 0);
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(*text == "" || *text == "abc") << n;
    }
    fmx::host::failHostCall(1, 1);
    EXPECT_EQ(*ParameterToString(*args, 0), "");
    fmx::host::resetFaults();
}

TEST(ParameterToLong, ReadsTheHostNumberOrFallsBackToTheDefault) {
    auto args = arguments({Arg::number(42.9), Arg::text("12abc"), Arg::text("abc"),
                           Arg::number(-7.5), Arg::boolean(true), Arg::number(1e12)});
    EXPECT_EQ(ParameterToLong(*args, 0, 600), 42);
    EXPECT_EQ(ParameterToLong(*args, 1, 600), 12);
    EXPECT_EQ(ParameterToLong(*args, 2, 600), 0);
    EXPECT_EQ(ParameterToLong(*args, 3, 600), -7);
    EXPECT_EQ(ParameterToLong(*args, 4, 600), 1);
    EXPECT_EQ(ParameterToLong(*args, 5, 600), 2147483647);
    EXPECT_EQ(ParameterToLong(*args, 6, 600), 600);
    auto none = arguments({});
    EXPECT_EQ(ParameterToLong(*none, 0, 600), 600);
    fmx::host::failHostCall(1, 1);
    EXPECT_EQ(ParameterToLong(*args, 0, 5), 5);
}

TEST(ParameterToBoolean, NonZeroNumbersAreTrue) {
    auto args = arguments({Arg::boolean(true), Arg::number(0), Arg::text("2"), Arg::text("True"),
                           Arg::text(""), Arg::number(-0.5)});
    EXPECT_TRUE(ParameterToBoolean(*args, 0, false));
    EXPECT_FALSE(ParameterToBoolean(*args, 1, true));
    EXPECT_TRUE(ParameterToBoolean(*args, 2, false));
    EXPECT_FALSE(ParameterToBoolean(*args, 3, true));
    EXPECT_FALSE(ParameterToBoolean(*args, 4, true));
    EXPECT_TRUE(ParameterToBoolean(*args, 5, false));
    EXPECT_TRUE(ParameterToBoolean(*args, 6, true));
    EXPECT_FALSE(ParameterToBoolean(*args, 6, false));
}

TEST(ParameterToBinary, TakesTheFirstStreamThatIsNotNameSizeOrResolution) {
    std::string type = "unchanged";
    auto args = arguments({
        Arg::container({Stream::fileName("a.png"), Stream::pictureSize(2, 3), {"PNGf", kPng}}),
        Arg::container({{"DPI_", "72"}, {"FILE", std::string("x\0y", 3)}, {"JPEG", "j"}}),
        Arg::container({Stream::fileName("a.png"), Stream::pictureSize(2, 3)}),
        Arg::container({{"GIFf", "g"}}),
        Arg::container({{"BMPf", "b"}}),
        Arg::container({{"JPEG", ""}}),
        Arg::text("not a container"),
    });
    EXPECT_EQ(ParameterToBinary(*args, 0, type), kPng);
    EXPECT_EQ(type, "png");
    type = "unchanged";
    EXPECT_EQ(ParameterToBinary(*args, 1, type), std::string("x\0y", 3));
    EXPECT_EQ(type, "unchanged");
    EXPECT_EQ(ParameterToBinary(*args, 2, type), "");
    EXPECT_EQ(type, "unchanged");
    EXPECT_EQ(ParameterToBinary(*args, 3, type), "g");
    EXPECT_EQ(type, "gif");
    EXPECT_EQ(ParameterToBinary(*args, 4, type), "b");
    EXPECT_EQ(type, "bmp");
    EXPECT_EQ(ParameterToBinary(*args, 5, type), "");
    EXPECT_EQ(type, "jpeg");
    type = "unchanged";
    EXPECT_EQ(ParameterToBinary(*args, 6, type), "");
    EXPECT_EQ(ParameterToBinary(*args, 7, type), "");
    EXPECT_EQ(type, "unchanged");
}

TEST(ParameterToBinary, SwallowsHostErrorsAtEveryStep) {
    auto args = arguments({Arg::container({Stream::fileName("a.png"), {"PNGf", kPng}})});
    std::string type;
    const auto before = fmx::host::hostCallCount();
    ASSERT_EQ(ParameterToBinary(*args, 0, type), kPng);
    const auto calls = fmx::host::hostCallCount() - before;
    for (fmx::uint32 n = 1; n <= calls; ++n) {
        fmx::host::failHostCall(n, n % 2 ? 1 : 2);
        EXPECT_EQ(ParameterToBinary(*args, 0, type), "") << n;
    }
}

TEST(SetResult, NumbersStayNumbersAndTextsTexts) {
    fmx::DataAutoPtr result;
    SetResult(1, *result);
    auto value = fmx::host::readValue(*result);
    EXPECT_EQ(value.type(), ValueType::number);
    EXPECT_EQ(value.asNumber(), 1);
    SetResult(-123456789L, *result);
    EXPECT_EQ(fmx::host::readValue(*result).asNumber(), -123456789);

    const std::string cjk = "\xE6\xBC\xA2\xE5\xAD\x97\r2";
    SetResult(std::make_unique<std::string>(cjk), *result);
    value = fmx::host::readValue(*result);
    EXPECT_EQ(value.type(), ValueType::text);
    EXPECT_EQ(value.asText(), cjk);
    SetResult(std::unique_ptr<std::string>(), *result);
    EXPECT_EQ(fmx::host::readValue(*result).asText(), "");

    fmx::TextAutoPtr text;
    text->Assign("1");
    SetResult(*text, *result);
    EXPECT_EQ(fmx::host::readValue(*result).type(), ValueType::text);
}

TEST(SetImageResult, WritesPictureNameAndSize) {
    const std::pair<const char*, const char*> types[] = {
        {"gif", "GIFf"},  {"GIF", "GIFf"}, {"bmp", "BMPf"}, {"Png", "PNGf"},
        {"jpeg", "JPEG"}, {"jpg", "JPEG"}, {"", "JPEG"},    {"tiff", "JPEG"},
    };
    for (const auto& [word, streamType] : types) {
        fmx::DataAutoPtr result;
        ASSERT_TRUE(SetImageResult("test.jpg", word, 100, 70000, {'a', '\0', 'b'}, *result));
        const auto value = fmx::host::readValue(*result);
        ASSERT_EQ(value.type(), ValueType::container);
        ASSERT_EQ(value.streams().size(), 3u);
        EXPECT_EQ(value.streams()[0], (Stream{streamType, std::string("a\0b", 3)})) << word;
        EXPECT_EQ(value.fileName(), "test.jpg");
        EXPECT_EQ(value.pictureSize(), std::make_pair(fmx::int16(100), fmx::int16(70000 - 65536)));
    }
    fmx::DataAutoPtr result;
    ASSERT_TRUE(SetImageResult("\xC3\xA9.jpg", "png", 1, 1, {}, *result));
    const auto value = fmx::host::readValue(*result);
    EXPECT_EQ(value.streams()[0], (Stream{"PNGf", ""}));
    // The name goes through the host's native encoding: each UTF-8 byte becomes one character.
    EXPECT_EQ(value.fileName(), "\xC3\x83\xC2\xA9.jpg");
}

TEST(SetImageResult, RefusedPictureLeavesTheResultUntouched) {
    fmx::DataAutoPtr result;
    SetResult(5, *result);
    fmx::host::refuseStreamAdds(true);
    EXPECT_FALSE(SetImageResult("test.jpg", "jpeg", 100, 100, {'x'}, *result));
    fmx::host::resetFaults();
    EXPECT_EQ(fmx::host::readValue(*result).type(), ValueType::number);
    EXPECT_EQ(fmx::host::readValue(*result).asNumber(), 5);
}

TEST(SetImageResult, HostErrorsPassOnAsExceptions) {
    fmx::DataAutoPtr result;
    fmx::host::failHostCall(1, 1);
    EXPECT_THROW(SetImageResult("test.jpg", "jpeg", 1, 1, {'x'}, *result), std::bad_alloc);
    fmx::host::failHostCall(3, 2);
    EXPECT_THROW(SetResult(1, *result), std::exception);
    fmx::host::resetFaults();
}
