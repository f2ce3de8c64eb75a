// Host container data: an ordered list of streams, each tagged with a four-character type
// ("JPEG", "PNGf", "GIFf", "BMPf", "FILE", "FNAM" for the file name, "SIZE" for a picture's width
// and height, "DPI_" for its resolution). A container holds at most one stream of each type.
// A stream index outside 0 to GetCount() - 1 is a host error.
#pragma once

#include "FMWrapper/FMXText.h"
#include "FMWrapper/FMXTypes.h"

namespace fmx {
class BinaryData;
}

extern "C" {
FMX_API fmx::BinaryData* FM_BinaryData_Constructor1(fmx::_fmxcpt& x);
FMX_API fmx::BinaryData* FM_BinaryData_Constructor2(const fmx::BinaryData& other, fmx::_fmxcpt& x);
FMX_API void FM_BinaryData_Delete(fmx::BinaryData* self);
FMX_API fmx::int32 FM_BinaryData_GetCount(const fmx::BinaryData* self, fmx::_fmxcpt& x);
FMX_API fmx::int32 FM_BinaryData_GetIndex(const fmx::BinaryData* self, const fmx::QuadChar& type,
                                          fmx::_fmxcpt& x);
FMX_API void FM_BinaryData_GetType(const fmx::BinaryData* self, fmx::int32 index,
                                   fmx::QuadChar& type, fmx::_fmxcpt& x);
FMX_API fmx::uint32 FM_BinaryData_GetSize(const fmx::BinaryData* self, fmx::int32 index,
                                          fmx::_fmxcpt& x);
FMX_API fmx::errcode FM_BinaryData_GetData(const fmx::BinaryData* self, fmx::int32 index,
                                           fmx::uint32 offset, fmx::uint32 amount, void* buffer,
                                           fmx::_fmxcpt& x);
FMX_API fmx::errcode FM_BinaryData_Add(fmx::BinaryData* self, const fmx::QuadChar& type,
                                       fmx::uint32 amount, const void* buffer, fmx::_fmxcpt& x);
FMX_API fmx::errcode FM_BinaryData_AddFNAMData(fmx::BinaryData* self, const fmx::Text& name,
                                               fmx::_fmxcpt& x);
FMX_API fmx::errcode FM_BinaryData_GetFNAMData(const fmx::BinaryData* self, fmx::Text& name,
                                               fmx::_fmxcpt& x);
FMX_API fmx::errcode FM_BinaryData_AddSIZEData(fmx::BinaryData* self, fmx::int16 width,
                                               fmx::int16 height, fmx::_fmxcpt& x);
FMX_API fmx::errcode FM_BinaryData_GetSIZEData(const fmx::BinaryData* self, fmx::int16& width,
                                               fmx::int16& height, fmx::_fmxcpt& x);
}

namespace fmx {

class BinaryData {
public:
    // Codes returned by the stream operations.
    enum : errcode { kNoErr = 0, kStreamRefused = 100, kStreamMissing = 101, kRangeError = 102 };

    int32 GetCount() const {
        _fmxcpt x;
        int32 count = FM_BinaryData_GetCount(this, x);
        x.Check();
        return count;
    }
    // Index of the stream of `type`, or -1.
    int32 GetIndex(const QuadChar& type) const {
        _fmxcpt x;
        int32 index = FM_BinaryData_GetIndex(this, type, x);
        x.Check();
        return index;
    }
    void GetType(int32 index, QuadChar& type) const {
        _fmxcpt x;
        FM_BinaryData_GetType(this, index, type, x);
        x.Check();
    }
    // Size of the stream in bytes.
    uint32 GetSize(int32 index) const {
        _fmxcpt x;
        uint32 size = FM_BinaryData_GetSize(this, index, x);
        x.Check();
        return size;
    }
    // Copies `amount` bytes from `offset` of the stream to `buffer`; kRangeError (nothing copied)
    // when the range passes the end of the stream.
    errcode GetData(int32 index, uint32 offset, uint32 amount, void* buffer) const {
        _fmxcpt x;
        errcode code = FM_BinaryData_GetData(this, index, offset, amount, buffer, x);
        x.Check();
        return code;
    }
    // Appends a stream of `amount` bytes (none when `amount` is 0). kStreamRefused when the
    // container already holds a stream of that type or the host refuses the data.
    errcode Add(const QuadChar& type, uint32 amount, const void* buffer) {
        _fmxcpt x;
        errcode code = FM_BinaryData_Add(this, type, amount, buffer, x);
        x.Check();
        return code;
    }
    // Appends an "FNAM" stream holding `name`.
    errcode AddFNAMData(const Text& name) {
        _fmxcpt x;
        errcode code = FM_BinaryData_AddFNAMData(this, name, x);
        x.Check();
        return code;
    }
    // Reads the "FNAM" stream into `name`; kStreamMissing when there is none.
    errcode GetFNAMData(Text& name) const {
        _fmxcpt x;
        errcode code = FM_BinaryData_GetFNAMData(this, name, x);
        x.Check();
        return code;
    }
    // Appends a "SIZE" stream holding a picture's width and height.
    errcode AddSIZEData(int16 width, int16 height) {
        _fmxcpt x;
        errcode code = FM_BinaryData_AddSIZEData(this, width, height, x);
        x.Check();
        return code;
    }
    // Reads the "SIZE" stream; kStreamMissing when there is none.
    errcode GetSIZEData(int16& width, int16& height) const {
        _fmxcpt x;
        errcode code = FM_BinaryData_GetSIZEData(this, width, height, x);
        x.Check();
        return code;
    }

protected:
    BinaryData() = default;
    ~BinaryData() = default;
    BinaryData(const BinaryData&) = delete;
    BinaryData& operator=(const BinaryData&) = delete;
};

struct BinaryDataDeleter {
    void operator()(BinaryData* p) const noexcept { FM_BinaryData_Delete(p); }
};

class BinaryDataAutoPtr : public std::unique_ptr<BinaryData, BinaryDataDeleter> {
public:
    // An empty container.
    BinaryDataAutoPtr() : unique_ptr(Create()) {}
    // A copy of `other`.
    explicit BinaryDataAutoPtr(const BinaryData& other) : unique_ptr(Create(other)) {}

private:
    static BinaryData* Create() {
        _fmxcpt x;
        BinaryData* p = FM_BinaryData_Constructor1(x);
        x.Check();
        return p;
    }
    static BinaryData* Create(const BinaryData& other) {
        _fmxcpt x;
        BinaryData* p = FM_BinaryData_Constructor2(other, x);
        x.Check();
        return p;
    }
};

} // namespace fmx
