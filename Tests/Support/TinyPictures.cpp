#include "TinyPictures.h"

#include <cstdint>
#include <vector>

namespace {

void putBigEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void putLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::uint32_t adler32(const std::string& bytes) {
    std::uint32_t a = 1, b = 0;
    for (const char c : bytes) {
        a = (a + static_cast<unsigned char>(c)) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void putChunk(std::string& png, const std::string& type, const std::string& data) {
    putBigEndian(png, static_cast<std::uint32_t>(data.size()), 4);
    png += type + data;
    putBigEndian(png, crc32(type + data), 4);
}

} // namespace

std::string tinyJpeg(int width, int height) {
    std::string jpeg = "\xFF\xD8";
    // A JFIF header, so that the frame header is not the first segment.
    jpeg += std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
    jpeg += std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x01');
    jpeg += std::string("\xFF\xC0\x00\x0B\x08", 5);
    putBigEndian(jpeg, static_cast<std::uint32_t>(height), 2);
    putBigEndian(jpeg, static_cast<std::uint32_t>(width), 2);
    jpeg += std::string("\x01\x01\x11\x00", 4);
    // One code of one bit, "0", in each table: DC difference 0, and end of block.
    for (const char tableClass : {'\x00', '\x10'})
        jpeg +=
            std::string("\xFF\xC4\x00\x14", 4) + tableClass + '\x01' + std::string(15, '\0') + '\0';
    jpeg += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    // Two zero bits per 8 x 8 block, padded with ones.
    const std::size_t bits = 2 * static_cast<std::size_t>((width + 7) / 8) * ((height + 7) / 8);
    std::string scan((bits + 7) / 8, '\0');
    if (bits % 8)
        scan.back() = static_cast<char>(0xFF >> (bits % 8));
    return jpeg + scan + "\xFF\xD9";
}

std::string tinyPng(int width, int height) {
    std::string png = "\x89PNG\r\n\x1A\n";
    std::string header;
    putBigEndian(header, static_cast<std::uint32_t>(width), 4);
    putBigEndian(header, static_cast<std::uint32_t>(height), 4);
    header += std::string("\x08\x00\x00\x00\x00", 5); // 8-bit grey
    putChunk(png, "IHDR", header);
    // Each row: filter type 0, then its grey bytes; one stored deflate block.
    std::string rows;
    for (int y = 0; y < height; ++y)
        rows += '\0' + std::string(static_cast<std::size_t>(width), '\x80');
    std::string zlib = "\x78\x01\x01";
    putLittleEndian(zlib, static_cast<std::uint32_t>(rows.size()), 2);
    putLittleEndian(zlib, static_cast<std::uint32_t>(~rows.size() & 0xFFFF), 2);
    zlib += rows;
    putBigEndian(zlib, adler32(rows), 4);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", "");
    return png;
}

std::string tinyGif(int width, int height) {
    std::string gif = "GIF89a";
    putLittleEndian(gif, static_cast<std::uint32_t>(width), 2);
    putLittleEndian(gif, static_cast<std::uint32_t>(height), 2);
    gif += std::string("\x80\x00\x00\x00\x00\x00\xFF\xFF\xFF", 9); // two colours
    gif += ',';
    putLittleEndian(gif, 0, 4);
    putLittleEndian(gif, static_cast<std::uint32_t>(width), 2);
    putLittleEndian(gif, static_cast<std::uint32_t>(height), 2);
    gif += '\0';
    // LZW codes of 3 bits: a clear code before every two pixels keeps the code size, then the
    // end code; packed from the lowest bit.
    std::vector<int> codes;
    for (int pixel = 0; pixel < width * height; ++pixel) {
        if (pixel % 2 == 0)
            codes.push_back(4);
        codes.push_back(0);
    }
    codes.push_back(5);
    std::string data;
    std::uint32_t buffer = 0;
    int held = 0;
    for (const int code : codes) {
        buffer |= static_cast<std::uint32_t>(code) << held;
        held += 3;
        for (; held >= 8; held -= 8, buffer >>= 8)
            data += static_cast<char>(buffer & 0xFF);
    }
    if (held > 0)
        data += static_cast<char>(buffer & 0xFF);
    gif += '\x02';
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::string block = data.substr(at, 255);
        gif += static_cast<char>(block.size()) + block;
    }
    return gif + '\0' + ';';
}

std::string tinyBmp(int width, int height) {
    const std::uint32_t rowSize = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    const std::uint32_t pixels = rowSize * static_cast<std::uint32_t>(height);
    std::string bmp = "BM";
    putLittleEndian(bmp, 54 + pixels, 4);
    putLittleEndian(bmp, 0, 4);
    putLittleEndian(bmp, 54, 4);
    putLittleEndian(bmp, 40, 4);
    putLittleEndian(bmp, static_cast<std::uint32_t>(width), 4);
    putLittleEndian(bmp, static_cast<std::uint32_t>(height), 4);
    putLittleEndian(bmp, 1, 2);
    putLittleEndian(bmp, 24, 2);
    putLittleEndian(bmp, 0, 4);
    putLittleEndian(bmp, pixels, 4);
    putLittleEndian(bmp, 2835, 4);
    putLittleEndian(bmp, 2835, 4);
    putLittleEndian(bmp, 0, 4);
    putLittleEndian(bmp, 0, 4);
    return bmp + std::string(pixels, '\x40');
}
