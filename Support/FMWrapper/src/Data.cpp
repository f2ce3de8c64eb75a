// Host values and argument vectors.
#include "HostCalls.h"
#include "HostObjects.h"
#include "NumberText.h"
#include "TextEncoding.h"

#include <stdexcept>

using namespace fmxhost;
using fmx::host::Value;
using fmx::host::ValueType;

extern "C" {

fmx::Data* FM_Data_Constructor1(fmx::_fmxcpt& x) {
    return hostCall(x, []() -> fmx::Data* { return new HostData; });
}

void FM_Data_Delete(fmx::Data* self) {
    delete static_cast<HostData*>(self);
}

bool FM_Data_IsEmpty(const fmx::Data* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&] {
        const Value& value = impl(*self).value;
        switch (value.type()) {
        case ValueType::none:
            return true;
        case ValueType::text:
            return value.asText().empty();
        case ValueType::container:
            return value.streams().empty();
        default:
            return false;
        }
    });
}

const fmx::Text* FM_Data_GetAsText(const fmx::Data* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> const fmx::Text* {
        const HostData& data = impl(*self);
        data.textCache.units = utf16FromUtf8(data.value.asText());
        return &data.textCache;
    });
}

const fmx::FixPt* FM_Data_GetAsNumber(const fmx::Data* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> const fmx::FixPt* {
        const HostData& data = impl(*self);
        data.numberCache.value = data.value.asNumber();
        return &data.numberCache;
    });
}

bool FM_Data_GetAsBoolean(const fmx::Data* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&] { return impl(*self).value.asBoolean(); });
}

const fmx::BinaryData* FM_Data_GetBinaryData(const fmx::Data* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> const fmx::BinaryData* {
        const HostData& data = impl(*self);
        data.binaryCache.streams = data.value.streams();
        return &data.binaryCache;
    });
}

const fmx::Locale* FM_Data_GetLocale(const fmx::Data* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> const fmx::Locale* { return &impl(*self).locale; });
}

fmx::int32 FM_Data_GetNativeType(const fmx::Data* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&] { return impl(*self).nativeType; });
}

fmx::errcode FM_Data_SetAsText(fmx::Data* self, const fmx::Text& text, const fmx::Locale& locale,
                               fmx::int32 nativeType, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::errcode {
        HostData& data = impl(self);
        const std::string utf8 = utf8FromUtf16(impl(text).units);
        if (nativeType == fmx::Data::kDTNumber) {
            data.value = Value::number(numberFromText(utf8));
            data.nativeType = fmx::Data::kDTNumber;
        } else {
            data.value = Value::text(utf8);
            data.nativeType = fmx::Data::kDTText;
        }
        data.locale.type = impl(locale).type;
        return 0;
    });
}

fmx::errcode FM_Data_SetAsNumber(fmx::Data* self, const fmx::FixPt& number, fmx::int32 nativeType,
                                 fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::errcode {
        HostData& data = impl(self);
        const double value = impl(number).value;
        if (nativeType == fmx::Data::kDTBoolean) {
            data.value = Value::boolean(value != 0);
            data.nativeType = fmx::Data::kDTBoolean;
        } else {
            data.value = Value::number(value);
            data.nativeType = fmx::Data::kDTNumber;
        }
        return 0;
    });
}

void FM_Data_SetBinaryData(fmx::Data* self, const fmx::BinaryData& binary, bool, fmx::_fmxcpt& x) {
    hostCall(x, [&] {
        HostData& data = impl(self);
        data.value = Value::container(impl(binary).streams);
        data.nativeType = fmx::Data::kDTBinary;
    });
}

fmx::DataVect* FM_DataVect_Constructor1(fmx::_fmxcpt& x) {
    return hostCall(x, []() -> fmx::DataVect* { return new HostDataVect; });
}

void FM_DataVect_Delete(fmx::DataVect* self) {
    delete static_cast<HostDataVect*>(self);
}

fmx::uint32 FM_DataVect_Size(const fmx::DataVect* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&] { return static_cast<fmx::uint32>(impl(*self).items.size()); });
}

void FM_DataVect_PushBack(fmx::DataVect* self, const fmx::Data& data, fmx::_fmxcpt& x) {
    hostCall(x, [&] {
        const HostData& source = impl(data);
        auto copy = std::make_unique<HostData>();
        copy->value = source.value;
        copy->nativeType = source.nativeType;
        copy->locale.type = source.locale.type;
        impl(self).items.push_back(std::move(copy));
    });
}

const fmx::Data* FM_DataVect_At(const fmx::DataVect* self, fmx::uint32 index, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> const fmx::Data* {
        const HostDataVect& vect = impl(*self);
        if (index >= vect.items.size())
            throw std::out_of_range("argument index");
        return vect.items[index].get();
    });
}

} // extern "C"
