#include "Engine/CurrentCard.h"

#include "Engine/AnswerJudge.h"
#include "Engine/LinkedPhoto.h"
#include "Utils/AsciiCase.h"
#include "base64.h"
#include "vCard/CardContents.h"
#include "vCard/CardDates.h"
#include "vCard/PictureSize.h"
#include "vCard/vCardParameters.h"
#include "vCard/vCardParser.h"
#include "vCard/vCardPicture.h"

#include <algorithm>

namespace {

// Values of the card's address-book entry rather than of its vCard text; none can be written,
// the UID being given only at creation.
const char* const kModifiedOn = "modifed_on";
const char* const kCreatedOn = "created_on";
const char* const kEtag = "etag";
const char* const kCardId = "cardid";
const char* const kHref = "href";
const char* const kUniqueId = "uniqueid";
const char* const kPhoto = "photo";

bool isEntryItem(const std::string& name) {
    return name == kModifiedOn || name == kCreatedOn || name == kCardId || name == kHref;
}

std::string entryValue(const Session& session, const std::string& name) {
    const addresscard* entry = session.book.card(session.current_vcard_id);
    if (!entry)
        return "";
    if (name == kModifiedOn)
        return entry->lastmodified;
    if (name == kCreatedOn)
        return entry->creationdate;
    if (name == kHref)
        return entry->url;
    return entry->cardid;
}

// A picture size (asked for, or read from the picture); sizes below 1 cannot be shown and fall
// back to the default, and the host holds a size in 16 bits.
int shownSize(long size) {
    constexpr long kDefaultSize = 100;
    constexpr long kLargestSize = 32767;
    return static_cast<int>(size < 1 ? kDefaultSize : std::min(size, kLargestSize));
}

} // namespace

Verdict makeCardCurrent(Session& session, const std::string& uid) {
    const addresscard* listed = session.book.card(uid);
    if (!listed)
        return failure(ErrorCode::CardNotListed);
    const std::string url = listed->url;
    // A kept text is kept at the tag the book names for the card; a fetched one may name its own.
    std::string tag = listed->etag;
    dropCurrentCard(session);

    if (const std::string* kept = session.book.keptText(uid)) {
        takeCurrentCard(session, uid, *kept, tag);
        return {};
    }
    const Query answer = session.cd.get_vcard(url);
    Verdict fetched = judgeStatus(session.cd, answer);
    if (!fetched.ok())
        return fetched;
    if (std::string answered = getEtag(answer.headers); !answered.empty()) {
        session.book.retag(uid, answered);
        tag = std::move(answered);
    }
    takeCurrentCard(session, uid, answer.body, tag);
    return {};
}

void dropCurrentCard(Session& session) {
    session.current_vcard_id.clear();
    session.current_vcard.clear();
    session.current_vcard_text = {};
}

void takeCurrentCard(Session& session, const std::string& uid, const std::string& text,
                     const std::string& etag) {
    session.current_vcard_id = uid;
    session.current_vcard = readvCard(text, session.current_mapping);
    session.current_vcard_text = {uid, etag};
}

std::string currentCardTag(const Session& session) {
    if (!session.current_vcard_id.empty() &&
        session.current_vcard_text.uid == session.current_vcard_id)
        return session.current_vcard_text.etag;
    return "";
}

void currentCardSavedAt(Session& session, const std::string& etag) {
    session.current_vcard_text = {session.current_vcard_id, etag};
}

std::string currentCardValue(const Session& session, const std::string& name) {
    if (name == kEtag)
        return currentCardTag(session);
    if (isEntryItem(name))
        return entryValue(session, name);
    return session.current_vcard.get(name);
}

PhotoRead currentPhoto(Session& session, std::optional<std::pair<long, long>> size) {
    const vCard& card = session.current_vcard;
    const std::string value = card.get(kPhoto);
    if (value.empty())
        return {};
    Picture picture;
    if (isPictureLink(value)) {
        Judged<Picture> linked = readLinkedPhoto(session, value);
        if (!linked.verdict.ok())
            return {std::move(linked.verdict), std::nullopt};
        picture = std::move(linked.value);
    } else if (!readPicture(value, card.getTypeValue(kPhoto, "ENCODING"),
                            card.getTypeValue(kPhoto, "TYPE"), picture)) {
        return {failure(ErrorCode::PhotoNotBase64), std::nullopt};
    }
    const PictureHeader header = readPictureHeader(picture.bytes);
    PhotoPicture shown;
    shown.width = shownSize(size ? size->first : header.width);
    shown.height = shownSize(size ? size->second : header.height);
    PictureFormat format = header.format;
    if (format == PictureFormat::Unknown)
        format = formatNamed(picture.imageType);
    shown.imageType =
        format == PictureFormat::Unknown ? picture.imageType : std::string(imageTypeName(format));
    shown.fileName =
        "photo." + (format == PictureFormat::Unknown ? std::string("jpg")
                                                     : std::string(fileExtension(format)));
    shown.bytes = std::move(picture.bytes);
    return {{}, std::move(shown)};
}

Verdict setCurrentCardValue(Session& session, const std::string& givenName,
                            const std::string& value) {
    // Field names match in any case, as they do when read.
    const std::string name = toLowerAscii(givenName);
    if (name == kModifiedOn || name == kCreatedOn || name == kEtag || name == kUniqueId ||
        name == kHref)
        return failure(ErrorCode::ReadOnlyItem);
    // A name the vocabulary in force lacks would change nothing, and the script would lose its
    // value without a word at the next save. Before any card is current there is nothing to
    // change, which is no failure of the name.
    const FieldMap& vocabulary = currentVocabulary(session);
    if (vocabulary.count(splitFieldName(name).mainprop) == 0)
        return failure(ErrorCode::UnknownItem);
    // A date stored as given, in a form no reader takes for a date, would be a date lost.
    if (isDateField(vocabulary, name) && !isWritableDate(value))
        return failedBecause(ErrorCode::InvalidCardJson,
                             "\"" + value + "\" is no date in the form YYYY-MM-DD or --MM-DD");
    session.current_vcard.set(name, value);
    return {};
}

Verdict setCurrentPhoto(Session& session, const std::string& bytes, const std::string& imageType) {
    if (bytes.empty())
        return {};
    // A card's photo is a picture every client shows: HEIC, a PDF or any other file is none.
    if (readPictureHeader(bytes).format == PictureFormat::Unknown)
        return failure(ErrorCode::NotAPicture);
    vCard& card = session.current_vcard;
    const std::string base64 = base64_encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                                             static_cast<unsigned int>(bytes.size()));
    // A photo given as a link goes, line and all: its VALUE=uri would make a reader take the
    // picture's base64 text for a link. The picture is then a new photo: on a vCard 4 card a
    // data: URI, as that version holds pictures.
    if (isPictureLink(card.get(kPhoto))) {
        card.removeProperties("PHOTO",
                              [](const vCardItem& item) { return isPictureLink(item.value); });
        if (card.get("version").rfind('4', 0) == 0) {
            card.set(kPhoto, dataUri(imageType, base64, ""));
            return {};
        }
    }
    std::string encoding = card.getTypeValue(kPhoto, "ENCODING");
    const std::string current = card.get(kPhoto);
    if (encoding.empty() && isDataUri(current)) {
        card.set(kPhoto, dataUri(imageType, base64, current));
        return {};
    }
    if (encoding.empty()) {
        encoding = "B";
        card.setTypeValue(kPhoto, "ENCODING", encoding);
    }
    // A picture of no known kind names no type; an empty TYPE would tell a reader nothing, so
    // the card's own stays.
    if (!imageType.empty())
        card.setTypeValue(kPhoto, "TYPE", toUpperAscii(imageType));
    if (!isBase64Encoding(encoding))
        return failure(ErrorCode::PhotoNotBase64);
    card.set(kPhoto, base64);
    return {};
}

const FieldMap& currentVocabulary(const Session& session) {
    return session.current_vcard.mapping.empty() ? session.current_mapping
                                                 : session.current_vcard.mapping;
}
