// Host container data.
#include "HostCalls.h"
#include "HostObjects.h"
#include "Streams.h"
#include "TextEncoding.h"

#include <cstring>
#include <stdexcept>

using namespace fmxhost;
using fmx::host::Stream;

namespace {

const Stream& streamAt(const fmx::BinaryData& data, fmx::int32 index) {
    const std::vector<Stream>& streams = impl(data).streams;
    if (index < 0 || static_cast<std::size_t>(index) >= streams.size())
        throw std::out_of_range("stream index");
    return streams[index];
}

fmx::errcode addStream(fmx::BinaryData* self, Stream stream) {
    std::vector<Stream>& streams = impl(self).streams;
    if (findStream(streams, stream.type))
        return fmx::BinaryData::kStreamRefused;
    streams.push_back(std::move(stream));
    return fmx::BinaryData::kNoErr;
}

} // namespace

extern "C" {

fmx::BinaryData* FM_BinaryData_Constructor1(fmx::_fmxcpt& x) {
    return hostCall(x, []() -> fmx::BinaryData* { return new HostBinaryData; });
}

fmx::BinaryData* FM_BinaryData_Constructor2(const fmx::BinaryData& other, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::BinaryData* {
        auto* copy = new HostBinaryData;
        copy->streams = impl(other).streams;
        return copy;
    });
}

void FM_BinaryData_Delete(fmx::BinaryData* self) {
    delete static_cast<HostBinaryData*>(self);
}

fmx::int32 FM_BinaryData_GetCount(const fmx::BinaryData* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&] { return static_cast<fmx::int32>(impl(*self).streams.size()); });
}

fmx::int32 FM_BinaryData_GetIndex(const fmx::BinaryData* self, const fmx::QuadChar& type,
                                  fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::int32 {
        const std::vector<Stream>& streams = impl(*self).streams;
        const Stream* found = findStream(streams, impl(type).str());
        return found ? static_cast<fmx::int32>(found - streams.data()) : -1;
    });
}

void FM_BinaryData_GetType(const fmx::BinaryData* self, fmx::int32 index, fmx::QuadChar& type,
                           fmx::_fmxcpt& x) {
    hostCall(x, [&] {
        const std::string& code = streamAt(*self, index).type;
        std::array<char, 4>& chars = impl(&type).chars;
        chars.fill('\0');
        code.copy(chars.data(), chars.size());
    });
}

fmx::uint32 FM_BinaryData_GetSize(const fmx::BinaryData* self, fmx::int32 index, fmx::_fmxcpt& x) {
    return hostCall(x,
                    [&] { return static_cast<fmx::uint32>(streamAt(*self, index).bytes.size()); });
}

fmx::errcode FM_BinaryData_GetData(const fmx::BinaryData* self, fmx::int32 index,
                                   fmx::uint32 offset, fmx::uint32 amount, void* buffer,
                                   fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::errcode {
        const std::string& bytes = streamAt(*self, index).bytes;
        if (offset > bytes.size() || amount > bytes.size() - offset || (amount > 0 && !buffer))
            return fmx::BinaryData::kRangeError;
        if (amount > 0)
            std::memcpy(buffer, bytes.data() + offset, amount);
        return fmx::BinaryData::kNoErr;
    });
}

fmx::errcode FM_BinaryData_Add(fmx::BinaryData* self, const fmx::QuadChar& type, fmx::uint32 amount,
                               const void* buffer, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::errcode {
        if (faults().refuseStreamAdds || (amount > 0 && !buffer))
            return fmx::BinaryData::kStreamRefused;
        const char* bytes = static_cast<const char*>(buffer);
        return addStream(self, {impl(type).str(), std::string(bytes, bytes + amount)});
    });
}

fmx::errcode FM_BinaryData_AddFNAMData(fmx::BinaryData* self, const fmx::Text& name,
                                       fmx::_fmxcpt& x) {
    return hostCall(
        x, [&] { return addStream(self, Stream::fileName(utf8FromUtf16(impl(name).units))); });
}

fmx::errcode FM_BinaryData_GetFNAMData(const fmx::BinaryData* self, fmx::Text& name,
                                       fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::errcode {
        const Stream* stream = findStream(impl(*self).streams, "FNAM");
        if (!stream)
            return fmx::BinaryData::kStreamMissing;
        impl(&name).units = utf16FromUtf8(stream->bytes);
        return fmx::BinaryData::kNoErr;
    });
}

fmx::errcode FM_BinaryData_AddSIZEData(fmx::BinaryData* self, fmx::int16 width, fmx::int16 height,
                                       fmx::_fmxcpt& x) {
    return hostCall(x, [&] { return addStream(self, Stream::pictureSize(width, height)); });
}

fmx::errcode FM_BinaryData_GetSIZEData(const fmx::BinaryData* self, fmx::int16& width,
                                       fmx::int16& height, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::errcode {
        const Stream* stream = findStream(impl(*self).streams, "SIZE");
        const auto size = stream ? decodePictureSize(stream->bytes) : std::nullopt;
        if (!size)
            return fmx::BinaryData::kStreamMissing;
        width = size->first;
        height = size->second;
        return fmx::BinaryData::kNoErr;
    });
}

} // extern "C"
