// The current card: making a card of the selected address book current, reading its values and
// its photo, and changing them in memory. Nothing here sends a card; saving is CardWrites' job.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <optional>
#include <string>
#include <utility>

// Makes the card with this UID the current card: from the text kept for it (SelectedBook), else
// fetched from the server (its tag taken up). Fails with 3 when the UID is not listed in the
// selected book (nothing changes), or with the fetch's verdict, no card being current then.
Verdict makeCardCurrent(Session& session, const std::string& uid);

// No card is current. Every function that is to make a card current begins with it, so that
// when it fails no card stays current that the script's next edits and save could write over.
void dropCurrentCard(Session& session);

// The card `uid` as the server holds it in `text`, at tag `etag`, becomes the current card.
void takeCurrentCard(Session& session, const std::string& uid, const std::string& text,
                     const std::string& etag);

// The tag of the text the current card was built from: the one it was read at (the GET's, or the
// listed tag where the GET named none), or the one its last save gave. A save of the current card
// is guarded by it, and a script sees it as the card's "etag", whatever tag was listed or synced
// for the card since. Empty while no card is current.
std::string currentCardTag(const Session& session);
// The current card is now the server's text at `etag` (a save wrote it).
void currentCardSavedAt(Session& session, const std::string& etag);

// The value of the current card's field `name` (lower case), as the card holds it: a field of
// the vocabulary, the tag of its text (etag), or one of the values of the card's entry in the
// book (href, cardid, modifed_on, created_on).
std::string currentCardValue(const Session& session, const std::string& name);

// The current card's photo as a picture a host can show: its bytes, kind, file name and size.
struct PhotoPicture {
    std::string fileName;
    std::string imageType;
    int width = 0;
    int height = 0;
    std::string bytes;
};
struct PhotoRead {
    // 6 when the photo is neither base64, a data: URI nor a link on the web; the failure of
    // reading a linked picture (Engine/LinkedPhoto.h)
    Verdict verdict;
    // Nothing when the card has no photo.
    std::optional<PhotoPicture> picture;
};
// The photo named photo.jpg, photo.png, photo.gif or photo.bmp by what its bytes are (else by
// the type the card names), at `size` when the script asks for one, else at the picture's own,
// else at 100 x 100. A photo given as a link is read from there.
PhotoRead currentPhoto(Session& session, std::optional<std::pair<long, long>> size);

// Changes the current card's field `name` (any case) in memory. Fails with 15 for the read-only
// values, 21 for a date field given a value that is no date (YYYY-MM-DD, --MM-DD, or a form
// cards hold dates in), 16 for a name the vocabulary in force lacks (before any card is current, a
// known name changes the empty card, which cannot be saved).
Verdict setCurrentCardValue(Session& session, const std::string& name, const std::string& value);

// Writes the photo from picture bytes as base64 text in the form the card's photo has: a data:
// URI replaces a data: URI (vCard 4), any other photo gets base64 text with its ENCODING (B when
// it has none) and TYPE from the picture kind (`imageType`, empty when unknown); a photo given as
// a link is replaced by a new photo line (a data: URI on a vCard 4 card). Empty bytes change
// nothing. Fails with 34 for bytes that are no JPEG, PNG, GIF or BMP picture (HEIC, a PDF), and
// with 6 when the card's photo has an encoding other than base64; the card is unchanged.
Verdict setCurrentPhoto(Session& session, const std::string& bytes, const std::string& imageType);

// The field map the current card is read and written by: its own, or the one in force while no
// card was read.
const FieldMap& currentVocabulary(const Session& session);
