// The records of an address book as known before it is listed again, found by the URL a listing
// names each card at. Where a card is listed exactly as its record has it (every property and
// what its text says, to the byte), the record stands for it: no new one is made, and the old
// one is not freed, which for a book listed again unchanged is nearly all the work of taking it.
//
// Holds places in the maps it was made of: it serves while those maps are not changed.
#pragma once

#include "Multistatus/xmlParser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class KnownCards {
public:
    static constexpr std::size_t kNone = ListedEntry::kUnknown;

    // None known.
    KnownCards() = default;
    KnownCards(const CardsByUid& cards, const CardsByUid& groups);

    bool empty() const { return count == 0; }
    // The number of places: each is below it.
    std::size_t places() const { return slots.size(); }

    // The place of the record at `url` that holds what `card` holds; kNone where none does.
    std::size_t sameAs(const addresscard& card) const;
    // The place of the record `at`, which is one of those known; kNone where it is not.
    std::size_t placeOf(CardsByUid::const_iterator at) const;

    // The record at `place`, and whether it is a group card's.
    const addresscard& card(std::size_t place) const { return slots[place].at->second; }
    CardsByUid::const_iterator at(std::size_t place) const { return slots[place].at; }
    bool isGroup(std::size_t place) const { return slots[place].group; }
    bool isUsed(std::size_t place) const { return slots[place].used; }

private:
    struct Slot {
        CardsByUid::const_iterator at;
        std::uint32_t hash = 0; // of the URL, its low half
        bool group = false;
        bool used = false;
    };
    // The first place to look for a URL of this hash.
    std::size_t firstPlace(std::size_t hash) const { return hash & (slots.size() - 1); }
    std::size_t next(std::size_t place) const { return (place + 1) & (slots.size() - 1); }

    std::vector<Slot> slots; // open addressing, at most half used
    std::size_t count = 0;
};

// Whether two records hold the same, every field of them.
bool sameRecord(const addresscard& a, const addresscard& b);
