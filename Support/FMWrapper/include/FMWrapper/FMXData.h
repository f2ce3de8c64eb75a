// Host values (Data) and argument vectors (DataVect).
//
// A Data holds one value: empty, text, number, boolean or container; plus its locale. Reading it
// as another kind follows the host's conversion rules:
// - text to number: the leading decimal number of the text (after spaces: an optional "+" or "-",
//   digits, an optional "." and digits); 0 when the text is empty or does not start with one.
// - number to text: the shortest decimal form that reads back as the same number ("1", "-2.5",
//   "0.1"; exponent form only for very large or very small numbers); "?" for an invalid number.
// - boolean: a number is true when it is not 0; a text is true when its number is not 0
//   ("1" and "2.5" are true; "True", "yes" and "" are false). true reads as 1 and "1".
// - container: reads as the text of its "FNAM" stream (empty without one) and as false; any
//   other kind reads as an empty container.
// - empty: "", 0, false, an empty container.
// An argument index outside 0 to Size() - 1 is a host error (code 2, std::exception).
#pragma once

#include "FMWrapper/FMXBinaryData.h"
#include "FMWrapper/FMXFixPt.h"
#include "FMWrapper/FMXText.h"
#include "FMWrapper/FMXTypes.h"

namespace fmx {
class Data;
class DataVect;
} // namespace fmx

extern "C" {
FMX_API fmx::Data* FM_Data_Constructor1(fmx::_fmxcpt& x);
FMX_API void FM_Data_Delete(fmx::Data* self);
FMX_API bool FM_Data_IsEmpty(const fmx::Data* self, fmx::_fmxcpt& x);
FMX_API const fmx::Text* FM_Data_GetAsText(const fmx::Data* self, fmx::_fmxcpt& x);
FMX_API const fmx::FixPt* FM_Data_GetAsNumber(const fmx::Data* self, fmx::_fmxcpt& x);
FMX_API bool FM_Data_GetAsBoolean(const fmx::Data* self, fmx::_fmxcpt& x);
FMX_API const fmx::BinaryData* FM_Data_GetBinaryData(const fmx::Data* self, fmx::_fmxcpt& x);
FMX_API const fmx::Locale* FM_Data_GetLocale(const fmx::Data* self, fmx::_fmxcpt& x);
FMX_API fmx::int32 FM_Data_GetNativeType(const fmx::Data* self, fmx::_fmxcpt& x);
FMX_API fmx::errcode FM_Data_SetAsText(fmx::Data* self, const fmx::Text& text,
                                       const fmx::Locale& locale, fmx::int32 nativeType,
                                       fmx::_fmxcpt& x);
FMX_API fmx::errcode FM_Data_SetAsNumber(fmx::Data* self, const fmx::FixPt& number,
                                         fmx::int32 nativeType, fmx::_fmxcpt& x);
FMX_API void FM_Data_SetBinaryData(fmx::Data* self, const fmx::BinaryData& data,
                                   bool forceByteOrder, fmx::_fmxcpt& x);

FMX_API fmx::DataVect* FM_DataVect_Constructor1(fmx::_fmxcpt& x);
FMX_API void FM_DataVect_Delete(fmx::DataVect* self);
FMX_API fmx::uint32 FM_DataVect_Size(const fmx::DataVect* self, fmx::_fmxcpt& x);
FMX_API void FM_DataVect_PushBack(fmx::DataVect* self, const fmx::Data& data, fmx::_fmxcpt& x);
FMX_API const fmx::Data* FM_DataVect_At(const fmx::DataVect* self, fmx::uint32 index,
                                        fmx::_fmxcpt& x);
}

namespace fmx {

class Data {
public:
    // Native types: what the value is, as set by the last SetAs... call.
    enum { kDTInvalid = 0, kDTText = 1, kDTNumber = 2, kDTBoolean = 6, kDTBinary = 7 };

    bool IsEmpty() const {
        _fmxcpt x;
        bool empty = FM_Data_IsEmpty(this, x);
        x.Check();
        return empty;
    }
    const Text& GetAsText() const {
        _fmxcpt x;
        const Text* text = FM_Data_GetAsText(this, x);
        x.Check();
        return *text;
    }
    const FixPt& GetAsNumber() const {
        _fmxcpt x;
        const FixPt* number = FM_Data_GetAsNumber(this, x);
        x.Check();
        return *number;
    }
    bool GetAsBoolean() const {
        _fmxcpt x;
        bool value = FM_Data_GetAsBoolean(this, x);
        x.Check();
        return value;
    }
    const BinaryData& GetBinaryData() const {
        _fmxcpt x;
        const BinaryData* data = FM_Data_GetBinaryData(this, x);
        x.Check();
        return *data;
    }
    const Locale& GetLocale() const {
        _fmxcpt x;
        const Locale* locale = FM_Data_GetLocale(this, x);
        x.Check();
        return *locale;
    }
    int32 GetNativeType() const {
        _fmxcpt x;
        int32 type = FM_Data_GetNativeType(this, x);
        x.Check();
        return type;
    }
    // Makes the value a text (kDTText) or, for kDTNumber, the number that the text reads as.
    errcode SetAsText(const Text& text, const Locale& locale, int32 nativeType = kDTText) {
        _fmxcpt x;
        errcode code = FM_Data_SetAsText(this, text, locale, nativeType, x);
        x.Check();
        return code;
    }
    // Makes the value a number, or a boolean for kDTBoolean.
    errcode SetAsNumber(const FixPt& number, int32 nativeType = kDTNumber) {
        _fmxcpt x;
        errcode code = FM_Data_SetAsNumber(this, number, nativeType, x);
        x.Check();
        return code;
    }
    // Makes the value a copy of the container. The stand-in host keeps every stream in its
    // own byte order, so `forceByteOrder` changes nothing.
    void SetBinaryData(const BinaryData& data, bool forceByteOrder = true) {
        _fmxcpt x;
        FM_Data_SetBinaryData(this, data, forceByteOrder, x);
        x.Check();
    }

protected:
    Data() = default;
    ~Data() = default;
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
};

class DataVect {
public:
    uint32 Size() const {
        _fmxcpt x;
        uint32 size = FM_DataVect_Size(this, x);
        x.Check();
        return size;
    }
    // Appends a copy of `data`.
    void PushBack(const Data& data) {
        _fmxcpt x;
        FM_DataVect_PushBack(this, data, x);
        x.Check();
    }
    const Data& At(uint32 index) const {
        _fmxcpt x;
        const Data* data = FM_DataVect_At(this, index, x);
        x.Check();
        return *data;
    }
    const Text& AtAsText(uint32 index) const { return At(index).GetAsText(); }
    const FixPt& AtAsNumber(uint32 index) const { return At(index).GetAsNumber(); }
    bool AtAsBoolean(uint32 index) const { return At(index).GetAsBoolean(); }
    const BinaryData& AtAsBinaryData(uint32 index) const { return At(index).GetBinaryData(); }

protected:
    DataVect() = default;
    ~DataVect() = default;
    DataVect(const DataVect&) = delete;
    DataVect& operator=(const DataVect&) = delete;
};

struct DataDeleter {
    void operator()(Data* p) const noexcept { FM_Data_Delete(p); }
};
struct DataVectDeleter {
    void operator()(DataVect* p) const noexcept { FM_DataVect_Delete(p); }
};

// An empty value owned by the plug-in.
class DataAutoPtr : public std::unique_ptr<Data, DataDeleter> {
public:
    DataAutoPtr() : unique_ptr(Create()) {}

private:
    static Data* Create() {
        _fmxcpt x;
        Data* p = FM_Data_Constructor1(x);
        x.Check();
        return p;
    }
};

// An empty argument vector owned by the plug-in.
class DataVectAutoPtr : public std::unique_ptr<DataVect, DataVectDeleter> {
public:
    DataVectAutoPtr() : unique_ptr(Create()) {}

private:
    static DataVect* Create() {
        _fmxcpt x;
        DataVect* p = FM_DataVect_Constructor1(x);
        x.Check();
        return p;
    }
};

} // namespace fmx
