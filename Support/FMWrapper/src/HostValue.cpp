// Host values as the host side sees them, and their passage into and out of fmx::Data.
#include "HostObjects.h"
#include "NumberText.h"
#include "Streams.h"
#include "TextEncoding.h"

namespace fmxhost {

std::string encodePictureSize(fmx::int16 width, fmx::int16 height) {
    const auto w = static_cast<fmx::uint16>(width);
    const auto h = static_cast<fmx::uint16>(height);
    return {static_cast<char>(w >> 8), static_cast<char>(w & 0xFF), static_cast<char>(h >> 8),
            static_cast<char>(h & 0xFF)};
}

std::optional<std::pair<fmx::int16, fmx::int16>> decodePictureSize(const std::string& bytes) {
    if (bytes.size() != 4)
        return std::nullopt;
    auto word = [&](std::size_t i) {
        return static_cast<fmx::int16>((static_cast<unsigned char>(bytes[i]) << 8) |
                                       static_cast<unsigned char>(bytes[i + 1]));
    };
    return std::make_pair(word(0), word(2));
}

const fmx::host::Stream* findStream(const std::vector<fmx::host::Stream>& streams,
                                    const std::string& type) {
    for (const fmx::host::Stream& stream : streams) {
        if (stream.type == type)
            return &stream;
    }
    return nullptr;
}

} // namespace fmxhost

namespace fmx {
namespace host {

Stream Stream::fileName(const std::string& utf8Name) {
    return {"FNAM", utf8Name};
}

Stream Stream::pictureSize(int16 width, int16 height) {
    return {"SIZE", fmxhost::encodePictureSize(width, height)};
}

std::string characterText(char32_t code) {
    std::string text;
    if (code >= 1 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF))
        fmxhost::appendUtf8(text, code);
    return text;
}

Value Value::text(std::string utf8) {
    Value value;
    value.type_ = ValueType::text;
    value.text_ = std::move(utf8);
    return value;
}

Value Value::number(double number) {
    Value value;
    value.type_ = ValueType::number;
    value.number_ = number;
    return value;
}

Value Value::boolean(bool truth) {
    Value value;
    value.type_ = ValueType::boolean;
    value.number_ = truth ? 1 : 0;
    return value;
}

Value Value::container(std::vector<Stream> streams) {
    Value value;
    value.type_ = ValueType::container;
    value.streams_ = std::move(streams);
    return value;
}

std::string Value::asText() const {
    switch (type_) {
    case ValueType::text:
        return text_;
    case ValueType::number:
    case ValueType::boolean:
        return fmxhost::textFromNumber(number_);
    case ValueType::container:
        return fileName();
    case ValueType::none:
        break;
    }
    return "";
}

double Value::asNumber() const {
    switch (type_) {
    case ValueType::number:
    case ValueType::boolean:
        return number_;
    case ValueType::text:
    case ValueType::container:
        return fmxhost::numberFromText(asText());
    case ValueType::none:
        break;
    }
    return 0;
}

bool Value::asBoolean() const {
    return type_ != ValueType::container && asNumber() != 0;
}

const Stream* Value::stream(const std::string& type) const {
    return fmxhost::findStream(streams_, type);
}

std::string Value::fileName() const {
    const Stream* name = stream("FNAM");
    return name ? name->bytes : "";
}

std::optional<std::pair<int16, int16>> Value::pictureSize() const {
    const Stream* size = stream("SIZE");
    return size ? fmxhost::decodePictureSize(size->bytes) : std::nullopt;
}

void assign(Data& target, const Value& value) {
    fmxhost::HostData& data = fmxhost::impl(&target);
    data.value = value;
    data.locale.type = Locale::kType_System;
    switch (value.type()) {
    case ValueType::text:
        data.nativeType = Data::kDTText;
        break;
    case ValueType::number:
        data.nativeType = Data::kDTNumber;
        break;
    case ValueType::boolean:
        data.nativeType = Data::kDTBoolean;
        break;
    case ValueType::container:
        data.nativeType = Data::kDTBinary;
        break;
    case ValueType::none:
        data.nativeType = Data::kDTInvalid;
        break;
    }
}

void fill(DataVect& target, const std::vector<Value>& values) {
    for (const Value& value : values) {
        auto item = std::make_unique<fmxhost::HostData>();
        assign(*item, value);
        fmxhost::impl(&target).items.push_back(std::move(item));
    }
}

Value readValue(const Data& data) {
    return fmxhost::impl(data).value;
}

} // namespace host
} // namespace fmx
