#include "Engine/FetchedCards.h"

#include <utility>

void FetchedCards::keep(const std::string& uid, std::string etag, std::string text) {
    drop(uid);
    if (text.size() > kMaxBytes)
        return;
    total += text.size();
    const std::uint64_t age = nextAge++;
    cards[uid] = {std::move(etag), std::move(text), age};
    byAge[age] = uid;
    while (total > kMaxBytes)
        drop(byAge.begin()->second);
}

const std::string* FetchedCards::find(const std::string& uid, const std::string& etag) const {
    const auto found = cards.find(uid);
    if (found == cards.end() || found->second.etag != etag)
        return nullptr;
    return &found->second.text;
}

void FetchedCards::drop(const std::string& uid) {
    const auto found = cards.find(uid);
    if (found == cards.end())
        return;
    total -= found->second.text.size();
    byAge.erase(found->second.age);
    cards.erase(found);
}

void FetchedCards::clear() {
    cards.clear();
    byAge.clear();
    total = 0;
}
