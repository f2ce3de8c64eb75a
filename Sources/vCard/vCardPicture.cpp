#include "vCard/vCardPicture.h"

#include "Utils/AsciiCase.h"
#include "base64.h"
#include "vCard/vCardParameters.h"

#include <algorithm>

namespace {

constexpr std::string_view dataScheme = "data:";
constexpr std::string_view base64Marker = ";base64";

std::string decodeBase64Text(std::string_view text) {
    std::string compact(text);
    compact.erase(
        std::remove_if(compact.begin(), compact.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }),
        compact.end());
    return base64_decode(compact);
}

// The media type of a data: URI (image/jpeg), empty when it names none.
std::string_view mediaTypeOf(std::string_view uri) {
    const std::string_view rest = uri.substr(dataScheme.size());
    return rest.substr(0, rest.find_first_of(";,"));
}

} // namespace

bool isDataUri(std::string_view value) {
    return startsWithIgnoringAsciiCase(value, dataScheme);
}

bool isPictureLink(std::string_view value) {
    return startsWithIgnoringAsciiCase(value, "http://") ||
           startsWithIgnoringAsciiCase(value, "https://");
}

bool readPicture(std::string_view value, std::string_view encoding, std::string_view type,
                 Picture& picture) {
    if (isBase64Encoding(encoding)) {
        picture.bytes = decodeBase64Text(value);
        picture.imageType = std::string(unquoted(type));
        return true;
    }
    if (!encoding.empty() || !isDataUri(value))
        return false;
    const std::size_t comma = value.find(',');
    if (comma == std::string_view::npos)
        return false;
    const std::string_view header = value.substr(0, comma);
    if (header.size() < base64Marker.size() ||
        !equalsIgnoringAsciiCase(header.substr(header.size() - base64Marker.size()), base64Marker))
        return false;
    const std::string_view mediaType = mediaTypeOf(header);
    const std::size_t slash = mediaType.find('/');
    picture.imageType = std::string(slash == std::string_view::npos ? std::string_view()
                                                                    : mediaType.substr(slash + 1));
    picture.bytes = decodeBase64Text(value.substr(comma + 1));
    return true;
}

std::string dataUri(std::string_view imageType, std::string_view base64,
                    std::string_view previous) {
    std::string uri(dataScheme);
    if (!imageType.empty())
        uri.append("image/").append(toLowerAscii(std::string(imageType)));
    else if (isDataUri(previous))
        uri.append(mediaTypeOf(previous));
    uri.append(base64Marker).append(1, ',').append(base64);
    return uri;
}
