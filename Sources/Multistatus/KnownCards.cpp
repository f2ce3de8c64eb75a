#include "Multistatus/KnownCards.h"

#include <functional>
#include <tuple>

namespace {

std::size_t urlHash(std::string_view url) {
    return std::hash<std::string_view>()(url);
}

} // namespace

KnownCards::KnownCards(const CardsByUid& cards, const CardsByUid& groups)
    : count(cards.size() + groups.size()) {
    if (count == 0)
        return;
    std::size_t size = 16;
    while (size < 2 * count)
        size *= 2;
    slots.resize(size);
    for (const bool group : {false, true}) {
        const CardsByUid& records = group ? groups : cards;
        for (auto at = records.begin(); at != records.end(); ++at) {
            const std::size_t hash = urlHash(at->second.url);
            std::size_t place = firstPlace(hash);
            while (slots[place].used)
                place = next(place);
            slots[place] = {at, static_cast<std::uint32_t>(hash), group, true};
        }
    }
}

std::size_t KnownCards::sameAs(const addresscard& card) const {
    if (empty())
        return kNone;
    const std::size_t hash = urlHash(card.url);
    for (std::size_t place = firstPlace(hash); slots[place].used; place = next(place))
        if (slots[place].hash == static_cast<std::uint32_t>(hash) &&
            sameRecord(slots[place].at->second, card))
            return place;
    return kNone;
}

std::size_t KnownCards::placeOf(CardsByUid::const_iterator at) const {
    if (empty())
        return kNone;
    const std::size_t hash = urlHash(at->second.url);
    for (std::size_t place = firstPlace(hash); slots[place].used; place = next(place))
        if (&slots[place].at->second == &at->second)
            return place;
    return kNone;
}

bool sameRecord(const addresscard& a, const addresscard& b) {
    const auto fields = [](const addresscard& card) {
        return std::tie(card.url, card.etag, card.uid, card.cardid, card.lastmodified,
                        card.creationdate, card.displayname, card.contentlength, card.isgroup,
                        card.members, card.fn, card.categories);
    };
    return fields(a) == fields(b);
}
