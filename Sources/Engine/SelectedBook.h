// The address book a session works in, and everything the plug-in knows of it: the cards and
// group cards by UID and by href, the sync token, and card texts read ahead of their use. Every
// function that changes what is known of the book does so through this object, so that its rules
// hold in one place:
// - hrefs are compared in their normal form (the same resource however the server spells it);
// - what was known of an href stays known when the same book is listed again, so that a card
//   the server reports removed is named by its UID even after a new listing no longer holds it;
// - a kept text serves only while nothing the plug-in saw since says the server's card differs
//   from it: the card's tag is still the one it was read at (a newer tag from a listing, a sync
//   or a check drops it), and no write was refused for a change on the server (412) and no
//   request found the card gone (404) since.
#pragma once

#include "Engine/BookPieces.h"
#include "Engine/FetchedCards.h"
#include "Multistatus/KnownCards.h"
#include "Multistatus/xmlParser.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class SelectedBook {
public:
    // What is known of the card at an href.
    struct Known {
        std::string uid;
        bool isgroup = false;
    };

    // The selected book's URL; empty while none is selected.
    const std::string& url() const { return bookUrl; }
    bool isSelected() const { return !bookUrl.empty(); }
    // Whether `url` names the selected book (in normal form, with or without its final "/").
    bool isBook(const std::string& url) const;

    // Makes the book at `url` the selected one. Selecting the book already selected keeps what is
    // known of it; another book starts with nothing known.
    void select(const std::string& url);
    // Forgets the book and everything known of it and of the other books (the server was set
    // anew).
    void forget();

    // Whether the account may only read the book at `url`, as the server last said (in the
    // book's own properties at its selection, or in the list of the books): a book of which
    // nothing was said counts as writable, and the server judges each write. Kept for every
    // book of the server, whichever is selected.
    bool isReadOnly(const std::string& url) const;
    void learnWritable(const std::string& url, bool writable);

    // The cards of a listing made records of the book as they come, while the listing is still
    // being read, to be taken up by takeListing once it proves whole. Cards without UID are left
    // out.
    class ListedCards {
    public:
        ListedCards() = default;
        // For a listing of `book`, to be taken up by it with nothing of it changed meanwhile: a
        // card listed exactly as the book knows it may be handed on as the record it has.
        explicit ListedCards(const SelectedBook& book) : known(book.cardsByUid, book.groupsByUid) {}
        void add(ListedEntry&& card, std::string&& text);
        const KnownCards& knownCards() const { return known; }
        // Every card's categories are known: the listing asked for them.
        bool withCategories = false;

    private:
        friend class SelectedBook;
        struct Listed {
            CardRecord record; // empty where a known record stands for the card
            std::string text;  // the card's whole text; empty where none came
            // The first sixteen bytes of the UID, read while the record is at hand, to sort by.
            std::uint64_t uidStart;
            std::uint64_t uidNext;
            std::size_t knownPlace;
        };
        const addresscard& card(const Listed& listed) const {
            return listed.record.empty() ? known.card(listed.knownPlace) : listed.record.mapped();
        }
        std::vector<Listed> cards;
        KnownCards known;
        // How many of the cards are known records.
        std::size_t knownCount = 0;
    };

    // A listing of the whole book: its cards (and their texts where the server sent them
    // whole) replace those known. Of two cards with the same UID the later stands. What was
    // known of hrefs no longer listed is kept for naming their removal.
    void takeListing(ListedCards listed);
    void takeListing(cardlisting listing);

    // The card or group card with this UID; null when none is known.
    addresscard* card(const std::string& uid);
    const addresscard* card(const std::string& uid) const;
    addresscard* group(const std::string& uid);
    const addresscard* group(const std::string& uid) const;
    // Whether a card or a group card with this UID is known.
    bool holds(const std::string& uid) const { return card(uid) || group(uid); }
    const std::map<std::string, addresscard>& cards() const { return cardsByUid; }
    const std::map<std::string, addresscard>& groups() const { return groupsByUid; }
    // The group cards, for changing their members and tags (not their UIDs or URLs).
    std::map<std::string, addresscard>& groupsToEdit() { return groupsByUid; }

    // What is known of the card at `url`: now, or from before the book was last listed.
    std::optional<Known> knownAt(const std::string& url) const;

    // Takes up a card or group card as the server now holds it (under its UID, in place of the
    // card with that UID or of whatever was known at its href), with its text when that was read
    // (empty: not read). A kept text of an older state is dropped.
    void put(addresscard entry, std::string text = "");
    // The card or group card `uid` is gone from the server.
    void remove(const std::string& uid);
    // Whatever card is known at `url` now is gone from the server.
    void removeAt(const std::string& url);
    // A new tag for the card `uid` (after the plug-in wrote it, or a fetch): its kept text, read
    // at another tag, is dropped.
    void retag(const std::string& uid, const std::string& etag);

    // The server's card `uid` may differ from its kept text (a write was refused for a change on
    // the server, or a request found it gone): the text is dropped.
    void dropText(const std::string& uid) { texts.drop(uid); }
    // The text kept for the card `uid` at its current tag; null when none is kept.
    const std::string* keptText(const std::string& uid) const;
    // Keeps the text of the card `uid` as read at its current tag; false when it was not kept
    // (beyond the kept texts' limit).
    bool keep(const std::string& uid, std::string text);
    std::size_t keptBytes() const { return texts.bytes(); }
    std::size_t keptCards() const { return texts.size(); }

    // Whether the cards' categories are known: the last listing asked for them.
    bool knowsCategories() const { return categoriesKnown; }

    // The book's sync token: from its selection or the last sync.
    std::string token;
    // A whole-book read in pieces, while one is under way.
    BookPieces pieces;

private:
    // Taking a listing, where some of its cards are known records: the records not listed go and
    // the new ones come, the known ones staying where they are. False, with nothing changed,
    // where a UID is listed twice: the listing is then taken as one of new records.
    bool takeKeepingKnown(ListedCards& listed);
    // Makes new records of the listed cards, in place of all known.
    void takeAnew(ListedCards& listed);
    // Brings the index by href (and the kept texts) up to the listed cards, in the listing's
    // order; `records` are theirs. Cards displaced from their href by a later one are named in
    // `displaced`.
    void indexByHref(ListedCards& listed, const std::vector<const addresscard*>& records,
                     std::vector<std::string>& displaced);
    addresscard* entry(const std::string& uid, bool isgroup);
    void unindex(const addresscard& entry);
    // `text`, or nothing where the kept texts have no room left for it.
    std::string textWithinRoom(std::string text) const;

    std::string bookUrl;
    // The books the account may only read, by URL in normal form with its final "/".
    std::set<std::string> readOnlyBooks;
    bool categoriesKnown = false;
    // What is known at an href, and since which listing: the card is known now when that is the
    // last listing, else from before it only.
    struct AtHref {
        Known known;
        std::uint64_t listing = 0;
    };
    bool isNow(const AtHref& at) const { return at.listing == listings; }
    // The place of `url` in the index, made where there was none (`second`).
    std::pair<std::unordered_map<std::string, AtHref>::iterator, bool>
    hrefSlot(const std::string& url);

    std::map<std::string, addresscard> cardsByUid;
    std::map<std::string, addresscard> groupsByUid;
    // By href in normal form, what is known now and what was known before the last listing: one
    // index, so that taking a listing costs one lookup per card.
    std::unordered_map<std::string, AtHref> byHref;
    std::uint64_t listings = 0;
    FetchedCards texts;
};
