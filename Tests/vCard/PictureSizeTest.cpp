// The kind and size read from a picture's header, from real pictures and from bytes cut off or
// made up to mislead the reader.
#include "vCard/PictureSize.h"
#include "TinyPictures.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct PictureCase {
    const char* name;
    std::function<std::string(int, int)> make;
    PictureFormat format;
};

const PictureCase kPictures[] = {{"JPEG", tinyJpeg, PictureFormat::Jpeg},
                                 {"PNG", tinyPng, PictureFormat::Png},
                                 {"GIF", tinyGif, PictureFormat::Gif},
                                 {"BMP", tinyBmp, PictureFormat::Bmp}};

} // namespace

TEST(PictureSize, ReadsKindAndSizeOfEachFormatAndNothingFromCutOffBytes) {
    for (const PictureCase& picture : kPictures) {
        for (const auto& [width, height] : {std::pair{3, 2}, std::pair{300, 41}, {1, 1}}) {
            const std::string bytes = picture.make(width, height);
            const PictureHeader header = readPictureHeader(bytes);
            EXPECT_EQ(header.format, picture.format) << picture.name;
            EXPECT_EQ(header.width, width) << picture.name;
            EXPECT_EQ(header.height, height) << picture.name;
            // Every shorter piece reads as far as it goes: the right size or none.
            for (std::size_t size = 0; size < bytes.size(); ++size) {
                const PictureHeader cut =
                    readPictureHeader(std::string_view(bytes).substr(0, size));
                EXPECT_TRUE((cut.width == 0 && cut.height == 0) ||
                            (cut.width == width && cut.height == height))
                    << picture.name << " cut at " << size;
            }
        }
    }
}

TEST(PictureSize, HostileHeadersGiveNoSize) {
    const std::string jpegStart = "\xFF\xD8";
    for (const std::string& bytes :
         {jpegStart + std::string("\xFF\xE0\x00\x00", 4), // a segment shorter than its length field
          jpegStart + std::string("\xFF\xE0\xFF\xFF", 4) + "x",   // a segment longer than the bytes
          jpegStart + std::string("\xFF\xDA\x00\x02\xFF\xC0", 6), // image data before any frame
          jpegStart + std::string("\xFF\xC0\x00\x0B\x08\x00\x00\x00\x00\x01", 10), // 0 x 0
          jpegStart + std::string(1000, '\xFF'), // fill bytes to the end
          std::string("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR\xFF\xFF\xFF\xFF\x00\x00\x00\x01", 24),
          std::string("BM") + std::string(12, '\0') + std::string("\x0C\0\0\0", 4) +
              std::string(8, '\x01'), // an information header too old to be read
          std::string("GIF89a\x00\x00\x05\x00", 10), std::string("not a picture")}) {
        const PictureHeader header = readPictureHeader(bytes);
        EXPECT_EQ(header.width, 0) << bytes.size();
        EXPECT_EQ(header.height, 0) << bytes.size();
    }
    // Rows stored top down: a negative height in a BMP.
    std::string topDown = tinyBmp(5, 4);
    topDown.replace(22, 4, std::string("\xFC\xFF\xFF\xFF", 4));
    EXPECT_EQ(readPictureHeader(topDown).height, 4);
}

TEST(PictureSize, NamesFormatsAsCardsAndFilesDo) {
    for (const auto& [name, format] :
         {std::pair<const char*, PictureFormat>{"JPEG", PictureFormat::Jpeg},
          {"jpg", PictureFormat::Jpeg},
          {"image/jpeg", PictureFormat::Jpeg},
          {"png", PictureFormat::Png},
          {"GIF", PictureFormat::Gif},
          {"bmp", PictureFormat::Bmp},
          {"tiff", PictureFormat::Unknown},
          {"", PictureFormat::Unknown}})
        EXPECT_EQ(formatNamed(name), format) << name;
    EXPECT_EQ(fileExtension(PictureFormat::Jpeg), "jpg");
    EXPECT_EQ(imageTypeName(PictureFormat::Jpeg), "jpeg");
    EXPECT_EQ(imageTypeName(PictureFormat::Unknown), "");
}
