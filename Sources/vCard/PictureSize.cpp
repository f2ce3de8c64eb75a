#include "vCard/PictureSize.h"

#include "Utils/AsciiCase.h"

#include <cstdint>

namespace {

std::uint32_t bigEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::uint32_t littleEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = count; i > 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i - 1]);
    return value;
}

// A size as the header holds it, when it can be a picture's: at least 1, within an int.
void setSize(PictureHeader& header, std::int64_t width, std::int64_t height) {
    constexpr std::int64_t kLargest = 0x7FFFFFFF;
    if (width < 1 || height < 1 || width > kLargest || height > kLargest)
        return;
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
}

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// Walks the marker segments from after the start-of-image marker to the first frame header
// (SOF0 to SOF15 but DHT, JPG and DAC, which share the range), stopping at the start of the scan
// or the end of the image: the frame header holds the height, then the width.
void readJpegSize(std::string_view bytes, PictureHeader& header) {
    std::size_t at = 2;
    while (at + 1 < bytes.size()) {
        if (static_cast<unsigned char>(bytes[at]) != 0xFF)
            return;
        const unsigned char marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        at += 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) // no segment follows
            continue;
        if (marker == 0xD9 || marker == 0xDA || at + 2 > bytes.size())
            return;
        const std::size_t length = bigEndian(bytes, at, 2);
        if (length < 2)
            return;
        const bool isFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (isFrame) {
            if (length >= 7 && at + 7 <= bytes.size())
                setSize(header, bigEndian(bytes, at + 5, 2), bigEndian(bytes, at + 3, 2));
            return;
        }
        at += length;
    }
}

} // namespace

PictureHeader readPictureHeader(std::string_view bytes) {
    PictureHeader header;
    if (startsWith(bytes, "\xFF\xD8")) {
        header.format = PictureFormat::Jpeg;
        readJpegSize(bytes, header);
    } else if (startsWith(bytes, "\x89PNG\r\n\x1A\n")) {
        header.format = PictureFormat::Png;
        if (bytes.size() >= 24 && bytes.substr(12, 4) == "IHDR")
            setSize(header, bigEndian(bytes, 16, 4), bigEndian(bytes, 20, 4));
    } else if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a")) {
        header.format = PictureFormat::Gif;
        if (bytes.size() >= 10)
            setSize(header, littleEndian(bytes, 6, 2), littleEndian(bytes, 8, 2));
    } else if (startsWith(bytes, "BM")) {
        header.format = PictureFormat::Bmp;
        // The information header after the 14-byte file header: its own size, then width and
        // height as signed 32-bit numbers (a negative height: rows stored top down).
        if (bytes.size() >= 26 && littleEndian(bytes, 14, 4) >= 40) {
            const auto width = static_cast<std::int32_t>(littleEndian(bytes, 18, 4));
            const auto height = static_cast<std::int32_t>(littleEndian(bytes, 22, 4));
            setSize(header, width, height < 0 ? -static_cast<std::int64_t>(height) : height);
        }
    }
    return header;
}

std::string_view fileExtension(PictureFormat format) {
    switch (format) {
    case PictureFormat::Jpeg:
        return "jpg";
    case PictureFormat::Png:
        return "png";
    case PictureFormat::Gif:
        return "gif";
    case PictureFormat::Bmp:
        return "bmp";
    default:
        return "";
    }
}

std::string_view imageTypeName(PictureFormat format) {
    return format == PictureFormat::Jpeg ? "jpeg" : fileExtension(format);
}

PictureFormat formatNamed(std::string_view imageType) {
    if (startsWithIgnoringAsciiCase(imageType, "image/"))
        imageType.remove_prefix(6);
    for (const PictureFormat format :
         {PictureFormat::Jpeg, PictureFormat::Png, PictureFormat::Gif, PictureFormat::Bmp})
        if (equalsIgnoringAsciiCase(imageType, imageTypeName(format)) ||
            equalsIgnoringAsciiCase(imageType, fileExtension(format)))
            return format;
    return PictureFormat::Unknown;
}
