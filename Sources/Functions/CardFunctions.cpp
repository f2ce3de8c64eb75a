// Card read and edit functions: fetch one card of the selected address book as the current card,
// read one of its values (or its photo as container data), change one in memory, or read and
// change the whole card as JSON.

#include "Engine/CardAsJson.h"
#include "Engine/CurrentCard.h"
#include "FunctionHandlers.h"
#include "Functions/Frame.h"
#include "Utils/AsciiCase.h"

#include <optional>
#include <utility>

namespace {

const char* const kPhoto = "photo";

// The photo as container data, at the size arguments 2 and 3 ask for; "No photo" when the card
// has none.
Reply photoReply(Call& call) {
    std::optional<std::pair<long, long>> size;
    if (call.argumentCount() >= 3)
        size = std::make_pair(call.number(1, 0), call.number(2, 0));
    PhotoRead photo = currentPhoto(call.state, size);
    if (!photo.verdict.ok())
        return {std::move(photo.verdict), nothing};
    if (!photo.picture)
        return {{}, text("No photo")};
    return {{}, std::move(*photo.picture)};
}

} // namespace

const Handler CardDav_GetvCard{Entry::Connected, number(0), number(0), [](Call& call) {
                                   Verdict fetched = makeCardCurrent(call.state, call.text(0));
                                   const long answer = fetched.ok() ? 1 : 0;
                                   return Reply{std::move(fetched), number(answer)};
                               }};

const Handler CardDav_GetvCardItem{Entry::Connected, text(""), text(kErrorText), [](Call& call) {
                                       const std::string name = toLowerAscii(call.text(0));
                                       if (name == kPhoto)
                                           return photoReply(call);
                                       return Reply{{}, text(currentCardValue(call.state, name))};
                                   }};

const Handler CardDav_SetvCardItem{
    Entry::Connected, nothing, number(0), [](Call& call) {
        if (toLowerAscii(call.text(0)) == kPhoto) {
            std::string imageType;
            const std::string bytes = call.picture(1, imageType);
            // A photo in another encoding than base64 still answers 1: the card is unchanged.
            return Reply{setCurrentPhoto(call.state, bytes, imageType), number(1)};
        }
        Verdict set = setCurrentCardValue(call.state, call.text(0), call.text(1));
        const long answer = set.ok() ? 1 : 0;
        return Reply{std::move(set), number(answer)};
    }};

// With a UID the card is made current first, as CardDav_GetvCard makes it.
const Handler CardDav_GetvCardJSON{
    Entry::Connected, text(""), text(""), [](Call& call) {
        if (call.argumentCount() > 0) {
            Verdict fetched = makeCardCurrent(call.state, call.text(0));
            if (!fetched.ok())
                return Reply{std::move(fetched), text("")};
        }
        auto card = currentCardJson(call.state);
        return Reply{std::move(card.verdict), text(std::move(card.value))};
    }};

const Handler CardDav_SetvCardJSON{Entry::Connected, number(0), number(0), [](Call& call) {
                                       Verdict changed =
                                           changeCurrentCardFromJson(call.state, call.text(0));
                                       const long answer = changed.ok() ? 1 : 0;
                                       return Reply{std::move(changed), number(answer)};
                                   }};
