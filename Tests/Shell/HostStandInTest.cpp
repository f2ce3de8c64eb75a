// The stand-in host's own rules: text encodings, conversions between kinds of value, container
// streams, host errors and injected faults.
#include "FMWrapper/FMXHost.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

using fmx::host::Stream;
using fmx::host::Value;

namespace {

std::string bytesOf(const fmx::Text& text, fmx::int32 encoding, fmx::uint32 bufferSize = 64,
                    fmx::uint32 position = 0, fmx::uint32 size = fmx::Text::kSize_End) {
    std::string buffer(bufferSize, '\0');
    text.GetBytes(buffer.data(), bufferSize, position, size, encoding);
    return buffer.substr(0, buffer.find('\0'));
}

} // namespace

TEST(HostText, EncodingsConvertBothWays) {
    fmx::TextAutoPtr text;
    text->Assign("M\xC3\xBCller \xE6\xBC\xA2\xF0\x9F\x98\x80", fmx::Text::kEncoding_UTF8);
    EXPECT_EQ(text->GetSize(), 10u); // the emoji takes two units
    EXPECT_EQ(bytesOf(*text, fmx::Text::kEncoding_UTF8),
              "M\xC3\xBCller \xE6\xBC\xA2\xF0\x9F\x98\x80");
    EXPECT_EQ(bytesOf(*text, fmx::Text::kEncoding_Native), "M\xFCller ???");

    text->Assign("M\xFCller", fmx::Text::kEncoding_Native);
    EXPECT_EQ(bytesOf(*text, fmx::Text::kEncoding_UTF8), "M\xC3\xBCller");

    // Malformed UTF-8: a stray continuation byte, a truncated sequence, an overlong "/".
    text->Assign("a\x80"
                 "b\xE6\xBC"
                 "c\xC0\xAF",
                 fmx::Text::kEncoding_UTF8);
    EXPECT_EQ(bytesOf(*text, fmx::Text::kEncoding_UTF8), "a\xEF\xBF\xBD"
                                                         "b\xEF\xBF\xBD\xEF\xBF\xBD"
                                                         "c\xEF\xBF\xBD\xEF\xBF\xBD");
    text->Assign(nullptr, fmx::Text::kEncoding_UTF8);
    EXPECT_EQ(text->GetSize(), 0u);
    EXPECT_THROW(text->Assign("x", 5), std::exception);
}

TEST(HostText, GetBytesNeverWritesPartOfACharacterOrPastTheBuffer) {
    fmx::TextAutoPtr text;
    text->Assign("a\xE6\xBC\xA2\xF0\x9F\x98\x80", fmx::Text::kEncoding_UTF8);
    EXPECT_EQ(bytesOf(*text, fmx::Text::kEncoding_UTF8, 3), "a");
    EXPECT_EQ(bytesOf(*text, fmx::Text::kEncoding_UTF8, 4), "a\xE6\xBC\xA2");
    EXPECT_EQ(bytesOf(*text, fmx::Text::kEncoding_UTF8, 7), "a\xE6\xBC\xA2");
    // A range that cuts the surrogate pair: the lone half becomes U+FFFD.
    EXPECT_EQ(bytesOf(*text, fmx::Text::kEncoding_UTF8, 64, 1, 2), "\xE6\xBC\xA2\xEF\xBF\xBD");
    EXPECT_EQ(bytesOf(*text, fmx::Text::kEncoding_UTF8, 64, 40), "");
    std::array<char, 4> guard{'#', '#', '#', '#'};
    text->GetBytes(guard.data(), 2, 0, fmx::Text::kSize_End, fmx::Text::kEncoding_Native);
    EXPECT_EQ(std::string(guard.data(), 4), "a?##");
}

TEST(HostText, EditingFindingAndComparing) {
    fmx::TextAutoPtr text, other;
    text->Assign("Name(x)");
    other->Assign("(");
    EXPECT_EQ(text->Find(*other, 0), 4u);
    EXPECT_EQ(text->Find(*other, 5), fmx::Text::kSize_Invalid);
    text->AppendText(*text, 0, 4); // appending a text to itself
    EXPECT_EQ(bytesOf(*text, 1), "Name(x)Name");
    text->DeleteText(4);
    EXPECT_EQ(bytesOf(*text, 1), "Name");
    text->DeleteText(10, 3);
    other->SetText(*text, 2, 100);
    EXPECT_EQ(bytesOf(*other, 1), "me");
    other->Assign("name");
    EXPECT_FALSE(*text == *other);
    other->Assign("Name");
    EXPECT_TRUE(*text == *other);
}

TEST(HostConversions, TextToNumberTakesTheLeadingDecimalNumber) {
    EXPECT_EQ(Value::text("42").asNumber(), 42);
    EXPECT_EQ(Value::text("  -3.5kg").asNumber(), -3.5);
    EXPECT_EQ(Value::text(".5").asNumber(), 0.5);
    EXPECT_EQ(Value::text("+7.").asNumber(), 7);
    EXPECT_EQ(Value::text("-").asNumber(), 0);
    EXPECT_EQ(Value::text("abc12").asNumber(), 0);
    EXPECT_EQ(Value::text("").asNumber(), 0);
    EXPECT_EQ(Value::text(std::string(400, '9')).asNumber(), 0); // not a finite number
    EXPECT_EQ(Value().asNumber(), 0);
    EXPECT_TRUE(Value::text("0.1").asBoolean());
    EXPECT_FALSE(Value::text("0").asBoolean());
    EXPECT_FALSE(Value::text("yes").asBoolean());
    EXPECT_FALSE(Value::container({Stream::fileName("1")}).asBoolean());
}

TEST(HostConversions, NumberToTextIsTheShortestExactForm) {
    EXPECT_EQ(Value::number(1).asText(), "1");
    EXPECT_EQ(Value::number(-2.5).asText(), "-2.5");
    EXPECT_EQ(Value::number(0.1).asText(), "0.1");
    EXPECT_EQ(Value::number(-0.0).asText(), "0");
    EXPECT_EQ(Value::number(123456789012).asText(), "123456789012");
    EXPECT_EQ(Value::number(1.0 / 3).asText(), "0.3333333333333333");
    EXPECT_EQ(Value::number(std::nan("")).asText(), "?");
    EXPECT_EQ(Value::boolean(true).asText(), "1");
    EXPECT_EQ(Value::container({Stream::fileName("a.jpg")}).asText(), "a.jpg");
}

TEST(HostData, ReadsEachKindAsAnother) {
    fmx::DataVectAutoPtr args;
    fmx::host::fill(*args, {Value::text("12.5 apples"), Value::number(3), Value(),
                            Value::container({{"JPEG", "j"}})});
    EXPECT_EQ(args->Size(), 4u);
    EXPECT_EQ(args->AtAsNumber(0).AsFloat(), 12.5);
    EXPECT_EQ(args->AtAsNumber(0).AsLong(), 12);
    EXPECT_TRUE(args->AtAsBoolean(0));
    EXPECT_EQ(bytesOf(args->AtAsText(1), 1), "3");
    EXPECT_EQ(args->At(1).GetNativeType(), fmx::Data::kDTNumber);
    EXPECT_TRUE(args->At(2).IsEmpty());
    EXPECT_EQ(args->AtAsBinaryData(0).GetCount(), 0);
    EXPECT_EQ(args->AtAsBinaryData(3).GetCount(), 1);
    EXPECT_THROW(args->At(4), std::exception);

    fmx::DataAutoPtr copy;
    fmx::TextAutoPtr text;
    text->Assign("-4.75");
    fmx::LocaleAutoPtr locale;
    copy->SetAsText(*text, *locale, fmx::Data::kDTNumber);
    EXPECT_EQ(fmx::host::readValue(*copy).type(), fmx::host::ValueType::number);
    EXPECT_EQ(fmx::host::readValue(*copy).asNumber(), -4.75);
    fmx::FixPtAutoPtr invalid;
    invalid->AssignDouble(std::numeric_limits<double>::infinity());
    EXPECT_EQ(invalid->AsLong(), 0);
}

TEST(HostBinaryData, StreamsByIndexAndType) {
    fmx::BinaryDataAutoPtr data;
    fmx::QuadCharAutoPtr jpeg('J', 'P', 'E', 'G'), type;
    EXPECT_EQ(data->Add(*jpeg, 3, "abc"), 0);
    EXPECT_EQ(data->Add(*jpeg, 1, "d"), fmx::BinaryData::kStreamRefused);
    fmx::TextAutoPtr name;
    name->Assign("photo.jpg");
    EXPECT_EQ(data->AddFNAMData(*name), 0);
    EXPECT_EQ(data->AddSIZEData(640, -1), 0);
    EXPECT_EQ(data->GetCount(), 3);
    EXPECT_EQ(data->GetIndex(*jpeg), 0);
    data->GetType(1, *type);
    EXPECT_EQ((*type)[0], 'F');
    EXPECT_THROW((*type)[4], std::exception);
    EXPECT_THROW(data->GetType(3, *type), std::exception);
    EXPECT_THROW(data->GetSize(-1), std::exception);

    std::array<char, 4> bytes{};
    EXPECT_EQ(data->GetData(0, 1, 2, bytes.data()), 0);
    EXPECT_EQ(std::string(bytes.data()), "bc");
    EXPECT_EQ(data->GetData(0, 2, 2, bytes.data()), fmx::BinaryData::kRangeError);
    fmx::int16 width = 0, height = 0;
    EXPECT_EQ(data->GetSIZEData(width, height), 0);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, -1);
    fmx::TextAutoPtr readName;
    EXPECT_EQ(data->GetFNAMData(*readName), 0);
    EXPECT_TRUE(*readName == *name);

    fmx::BinaryDataAutoPtr copy(*data);
    EXPECT_EQ(copy->GetCount(), 3);
    fmx::BinaryDataAutoPtr empty;
    EXPECT_EQ(empty->GetSIZEData(width, height), fmx::BinaryData::kStreamMissing);
}

TEST(HostFaults, TheNthCallFailsOnceWithItsCode) {
    fmx::TextAutoPtr text;
    fmx::host::failHostCall(2, 1);
    EXPECT_NO_THROW(text->GetSize());
    EXPECT_THROW(text->GetSize(), std::bad_alloc);
    EXPECT_NO_THROW(text->GetSize());
    fmx::host::failHostCall(1, 2);
    try {
        text->Assign("x");
        FAIL() << "no host error";
    } catch (const std::bad_alloc&) {
        FAIL() << "code 2 is not out of memory";
    } catch (const std::exception&) {
    }
    EXPECT_EQ(text->GetSize(), 0u); // the failed call did nothing
    fmx::host::failHostCall(1, 1);
    EXPECT_THROW(fmx::TextAutoPtr(), std::bad_alloc);
}
