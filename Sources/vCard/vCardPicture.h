// The card photo as picture bytes, in the forms cards hold it: base64 text with an ENCODING
// parameter (vCard 2.1 and 3.0), or a data: URI (vCard 4).
#pragma once

#include <string>
#include <string_view>

struct Picture {
    std::string bytes;
    // The kind of picture as the card names it (JPEG, png...); empty when it names none.
    std::string imageType;
};

// Reads the picture of a PHOTO value, given its ENCODING and TYPE parameter values: base64 text
// when the encoding is b, B or BASE64 (the bare BASE64 of vCard 2.1 included), whose kind is the
// TYPE; or, without encoding, a data: URI with ";base64", whose kind is the subtype of its media
// type (jpeg for image/jpeg). Blanks and line breaks in base64 text are skipped, so a value that
// a writer folded with two blanks reads whole. False for anything else, a link for example.
bool readPicture(std::string_view value, std::string_view encoding, std::string_view type,
                 Picture& picture);

// Whether a PHOTO value is a data: URI.
bool isDataUri(std::string_view value);
// Whether a PHOTO value is a link to the picture on the web, an http or https URL (as Google and
// iCloud give some photos): the picture is not in the card.
bool isPictureLink(std::string_view value);

// A data: URI holding the base64 text `base64` of a picture of the kind `imageType` (jpeg,
// png...). Without a kind, the media type of `previous` (a data: URI) is kept.
std::string dataUri(std::string_view imageType, std::string_view base64, std::string_view previous);
