// Card read and edit functions: fetch one card of the selected address book as the current card,
// read one of its values (or its photo as container data), and change one in memory.

#include "Functions/CardDav.h"

#include "Functions/AnswerJudge.h"
#include "Functions/CardDavFrame.h"
#include "Functions/CurrentCard.h"
#include "Functions/HostValues.h"
#include "Utils/AsciiCase.h"
#include "base64.h"
#include "vCard/PictureSize.h"
#include "vCard/vCardParameters.h"
#include "vCard/vCardParser.h"
#include "vCard/vCardPicture.h"

#include <algorithm>
#include <vector>

namespace {

// Values of the card's address-book entry rather than of its vCard text; the last three cannot
// be written.
const char* const kModifiedOn = "modifed_on";
const char* const kCreatedOn = "created_on";
const char* const kEtag = "etag";
const char* const kCardId = "cardid";
const char* const kUniqueId = "uniqueid";
const char* const kPhoto = "photo";

const char* const kHref = "href";

// The current card's entry in the address-book cache, or null.
const addresscard* currentEntry() {
    return session().book.card(session().current_vcard_id);
}

bool isEntryItem(const std::string& name) {
    return name == kModifiedOn || name == kCreatedOn || name == kEtag || name == kCardId ||
           name == kHref;
}

std::string entryValue(const std::string& name) {
    const addresscard* entry = currentEntry();
    if (!entry)
        return "";
    if (name == kModifiedOn)
        return entry->lastmodified;
    if (name == kCreatedOn)
        return entry->creationdate;
    if (name == kEtag)
        return entry->etag;
    if (name == kHref)
        return entry->url;
    return entry->cardid;
}

// A picture size (an argument, or read from the picture); sizes below 1 cannot be shown and
// fall back to the default, and the container holds a size in 16 bits.
int shownSize(long size) {
    constexpr long kDefaultSize = 100;
    constexpr long kLargestSize = 32767;
    return static_cast<int>(size < 1 ? kDefaultSize : std::min(size, kLargestSize));
}

// Sets the card's photo as container data, named photo.jpg, photo.png, photo.gif or photo.bmp
// by what its bytes are (else by the type the card names), at the size the script asks
// (arguments 2 and 3), else at the picture's own, else at 100 x 100; "No photo" when the card
// has none.
fmx::int16 getPhoto(const fmx::DataVect& args, fmx::Data& result) {
    const vCard& card = session().current_vcard;
    const std::string value = card.get(kPhoto);
    if (value.empty()) {
        SetTextResult("No photo", result);
        return ErrorCode::None;
    }
    Picture picture;
    if (!readPicture(value, card.getTypeValue(kPhoto, "ENCODING"),
                     card.getTypeValue(kPhoto, "TYPE"), picture))
        return ErrorCode::PhotoNotBase64;
    const PictureHeader header = readPictureHeader(picture.bytes);
    int width = shownSize(header.width);
    int height = shownSize(header.height);
    if (args.Size() >= 3) {
        width = shownSize(ParameterToLong(args, 1, 0));
        height = shownSize(ParameterToLong(args, 2, 0));
    }
    PictureFormat format = header.format;
    if (format == PictureFormat::Unknown)
        format = formatNamed(picture.imageType);
    const std::string imageType =
        format == PictureFormat::Unknown ? picture.imageType : std::string(imageTypeName(format));
    const std::string extension =
        format == PictureFormat::Unknown ? "jpg" : std::string(fileExtension(format));
    const bool accepted =
        SetImageResult("photo." + extension, imageType, width, height,
                       std::vector<char>(picture.bytes.begin(), picture.bytes.end()), result);
    return accepted ? ErrorCode::None : ErrorCode::Failed;
}

// Writes the photo from container data as base64 text in the form the card's photo has: a
// data: URI replaces a data: URI (vCard 4), any other photo gets base64 text with its ENCODING
// (B when it has none) and TYPE from the container's picture kind. An empty container changes
// nothing. The item name was matched in any case, so the value goes under the same field as its
// parameters.
fmx::int16 setPhoto(const fmx::DataVect& args) {
    std::string imageType;
    const std::string bytes = ParameterToBinary(args, 1, imageType);
    if (bytes.empty())
        return ErrorCode::None;
    vCard& card = session().current_vcard;
    const std::string base64 = base64_encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                                             static_cast<unsigned int>(bytes.size()));
    std::string encoding = card.getTypeValue(kPhoto, "ENCODING");
    const std::string current = card.get(kPhoto);
    if (encoding.empty() && isDataUri(current)) {
        card.set(kPhoto, dataUri(imageType, base64, current));
        return ErrorCode::None;
    }
    if (encoding.empty()) {
        encoding = "B";
        card.setTypeValue(kPhoto, "ENCODING", encoding);
    }
    // A container that is no known picture kind names no type; an empty TYPE would tell a
    // reader nothing, so the card's own stays.
    if (!imageType.empty())
        card.setTypeValue(kPhoto, "TYPE", toUpperAscii(imageType));
    if (!isBase64Encoding(encoding))
        return ErrorCode::PhotoNotBase64;
    card.set(kPhoto, base64);
    return ErrorCode::None;
}

} // namespace

fmx::int16 makeCardCurrent(const std::string& uid) {
    PluginState& state = session();
    const addresscard* listed = state.book.card(uid);
    if (!listed)
        return ErrorCode::CardNotListed;
    const std::string url = listed->url;
    // The card becomes current before the request, so a failed fetch leaves it empty.
    state.current_vcard.clear();
    state.current_vcard_id = uid;

    // A text read ahead serves while the server names the tag it was read at.
    if (const std::string* kept = state.book.keptText(uid)) {
        state.current_vcard = readvCard(*kept, state.current_mapping);
        return ErrorCode::None;
    }
    const Query answer = state.cd.get_vcard(url);
    const Verdict fetched = judgeStatus(answer);
    if (!fetched.ok())
        return fetched.code;
    const std::string tag = getEtag(answer.headers);
    if (!tag.empty())
        state.book.retag(uid, tag);
    state.current_vcard = readvCard(answer.body, state.current_mapping);
    return ErrorCode::None;
}

fmx::errcode CardDav_GetvCard(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                              fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            const fmx::int16 code = makeCardCurrent(textArgument(args, 0));
            SetResult(code == ErrorCode::None ? 1 : 0, result);
            return code;
        },
        [&] { SetResult(0, result); }, [&] { SetResult(0, result); });
}

fmx::errcode CardDav_GetvCardItem(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                  fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            const std::string name = toLowerAscii(textArgument(args, 0));
            if (isEntryItem(name)) {
                SetTextResult(entryValue(name), result);
                return ErrorCode::None;
            }
            if (name == kPhoto)
                return getPhoto(args, result);
            SetTextResult(session().current_vcard.get(name), result);
            return ErrorCode::None;
        },
        [&] { SetTextResult("", result); }, [&] { SetTextResult("ERROR", result); });
}

fmx::errcode CardDav_SetvCardItem(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                  fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            // Field names match in any case, as they do when read.
            const std::string name = toLowerAscii(textArgument(args, 0));
            // The entry's values come from the server; the UID is given only at creation.
            if (name == kModifiedOn || name == kCreatedOn || name == kEtag || name == kUniqueId ||
                name == kHref) {
                SetResult(0, result);
                return ErrorCode::ReadOnlyItem;
            }
            if (name == kPhoto) {
                const fmx::int16 code = setPhoto(args);
                SetResult(1, result);
                return code;
            }
            // A name the vocabulary in force lacks would change nothing, and the script would
            // lose its value without a word at the next save. Before any card is current there
            // is nothing to change, which is no failure of the name.
            const vCard& card = session().current_vcard;
            const FieldMap& vocabulary =
                card.mapping.empty() ? session().current_mapping : card.mapping;
            if (vocabulary.count(splitFieldName(name).mainprop) == 0) {
                SetResult(0, result);
                return ErrorCode::UnknownItem;
            }
            session().current_vcard.set(name, textArgument(args, 1));
            SetResult(1, result);
            return ErrorCode::None;
        },
        [] {}, [&] { SetResult(0, result); });
}
