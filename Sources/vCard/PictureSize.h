// The kind and size of a picture, read from the header of its bytes (JPEG, PNG, GIF, BMP), so
// that a photo can be shown at its own size and named by what it is rather than by what a card
// claims it is.
#pragma once

#include <string_view>

enum class PictureFormat { Unknown, Jpeg, Png, Gif, Bmp };

struct PictureHeader {
    PictureFormat format = PictureFormat::Unknown;
    // Both 0 when the header names no size or a size that cannot be right (0, negative, or the
    // header cut off before it).
    int width = 0;
    int height = 0;
};

// Reads the header at the start of `bytes`: the JPEG frame header (the first SOF marker before
// the image data), the PNG IHDR chunk, the GIF logical screen, or the BMP information header.
// Reads nothing past the end of `bytes`; cut-off or hostile bytes give what could be read.
PictureHeader readPictureHeader(std::string_view bytes);

// The format a card's picture type names (JPEG, jpg, image/png...: any case, with or without
// the media type's "image/"); Unknown for any other name.
PictureFormat formatNamed(std::string_view imageType);

// The usual file extension and the image type the host's container names (jpeg, png, gif, bmp);
// empty for an unknown format.
std::string_view fileExtension(PictureFormat format);
std::string_view imageTypeName(PictureFormat format);
