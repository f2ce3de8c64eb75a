// Card texts fetched ahead of their use (CardDav_FetchvCards), so that opening one of them later
// needs no request while the server still names the same tag for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

class FetchedCards {
public:
    // Beyond this many bytes of text in all, the texts kept longest are dropped first.
    static constexpr std::size_t kMaxBytes = 64 * 1024 * 1024;

    // Keeps the text of the card `uid` as it was at tag `etag`, in place of an earlier one.
    void keep(const std::string& uid, std::string etag, std::string text);
    // The text fetched for `uid` when it was fetched at tag `etag`; null otherwise.
    const std::string* find(const std::string& uid, const std::string& etag) const;
    void drop(const std::string& uid);
    void clear();

    std::size_t size() const { return cards.size(); }
    std::size_t bytes() const { return total; }

private:
    struct Card {
        std::string etag;
        std::string text;
        std::uint64_t age; // order of keeping
    };

    std::map<std::string, Card> cards;
    std::map<std::uint64_t, std::string> byAge; // the UIDs, oldest first
    std::size_t total = 0;
    std::uint64_t nextAge = 0;
};
