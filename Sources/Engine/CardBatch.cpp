#include "Engine/CardBatch.h"

#include "Engine/AnswerJudge.h"
#include "Engine/BookListing.h"
#include "Engine/CardFromJson.h"
#include "Engine/CardWrites.h"
#include "Engine/Discovery.h"
#include "Engine/FetchedCards.h"
#include "Engine/Groups.h"
#include "Engine/ServerWrites.h"
#include "Engine/SyncReading.h"
#include "Engine/WriteChecks.h"
#include "Transport/HrefResolver.h"
#include "vCard/CardJson.h"
#include "vCard/vCardParser.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace {

using json = nlohmann::json;
using Outcome = BatchLine::Outcome;

enum class Action { Create, Change, Delete };

// One element while it is worked on.
struct Element {
    Action action = Action::Create;
    BatchLine line;
    // Still to be sent.
    bool pending = false;
    // The tag the element names (a change, a deletion).
    std::string tag;
    // The changes (a change).
    json changes;
    // The text to PUT.
    std::string text;
    // How often a creation was sent.
    int sent = 0;
    // Written, but the answer named no tag: the card is read back.
    bool readBack = false;
};

// Both the fresh name and the one after it taken: the server means something else by 412.
constexpr int kCreationAttempts = 2;

void settle(Element& element, Outcome outcome, Verdict verdict = {}) {
    element.line.outcome = outcome;
    element.line.verdict = std::move(verdict);
    element.pending = false;
}

void refuse(Element& element, Code code, std::string reason) {
    settle(element, Outcome::Refused, failedBecause(code, std::move(reason)));
}

std::string textOf(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : "";
}

const addresscard* knownCard(const SelectedBook& book, const std::string& uid) {
    const addresscard* card = book.card(uid);
    return card ? card : book.group(uid);
}

// A creation: its UID, checked against the book and the batch's other new cards, and its text.
void readCreation(const Session& session, const json& given, Element& element,
                  std::set<std::string>& newUids) {
    element.action = Action::Create;
    const auto card = given.find("card");
    if (card == given.end() || !card->is_object())
        return refuse(element, ErrorCode::InvalidCardJson,
                      "a creation needs its card as an object");
    const std::string uid = newCardUid(textOf(given, "uid"), *card);
    element.line.uid = uid;
    if (session.book.holds(uid) || !newUids.insert(uid).second)
        return refuse(element, ErrorCode::UidAlreadyListed,
                      describeError(ErrorCode::UidAlreadyListed));
    if (!isWritableUid(uid))
        return refuse(element, ErrorCode::UidNotWritable, describeError(ErrorCode::UidNotWritable));
    Judged<std::string> text = cardTextFromJson(uid, *card, session.current_mapping);
    if (!text.verdict.ok())
        return settle(element, Outcome::Refused, std::move(text.verdict));
    element.text = std::move(text.value);
    element.line.href = newCardUrl(session.book.url());
    element.pending = true;
}

// A change or a deletion: the card it names, and the tag it was read at.
void readWrite(const Session& session, const json& given, Action action, Element& element) {
    element.action = action;
    element.tag = textOf(given, "etag");
    element.line.uid = textOf(given, "uid");
    const std::string href = textOf(given, "href");
    if (!href.empty()) {
        const std::optional<std::string> url = onConnectedServer(session, href);
        if (!url)
            return refuse(element, ErrorCode::OffServer, describeError(ErrorCode::OffServer));
        element.line.href = *url;
        if (const auto known = session.book.knownAt(*url); known && element.line.uid.empty())
            element.line.uid = known->uid;
    } else if (element.line.uid.empty()) {
        return refuse(element, ErrorCode::InvalidCardJson,
                      "the element names no card (uid or href)");
    } else if (const addresscard* known = knownCard(session.book, element.line.uid)) {
        element.line.href = known->url;
    } else {
        return refuse(element, ErrorCode::CardNotListed,
                      "no card with that UID is known: name it by its href");
    }
    // Unguarded, the write could undo another client's change unseen.
    if (element.tag.empty())
        return refuse(element, ErrorCode::InvalidCardJson,
                      "the element names no tag the card was read at (etag)");
    if (action == Action::Change) {
        const auto card = given.find("card");
        if (card == given.end() || !card->is_object())
            return refuse(element, ErrorCode::InvalidCardJson,
                          "a change needs its changes as an object (card)");
        element.changes = *card;
    }
    element.pending = true;
}

// The elements of a JSON array, each as its text, found without parsing them: a script hands a
// large array in pieces, and parsing all of it for every piece would cost more than the writes
// (nlohmann takes about 0.1 s a megabyte). Strings and nesting are followed; each element is
// parsed, and checked, when its turn comes. Nothing when the text is no array or is unbalanced.
std::optional<std::vector<std::string_view>> arrayElements(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t at = 0;
    while (at < text.size() && blank(text[at]))
        ++at;
    if (at == text.size() || text[at] != '[')
        return std::nullopt;
    std::vector<std::string_view> elements;
    std::size_t depth = 0;
    std::size_t start = ++at;
    for (bool inString = false; at < text.size(); ++at) {
        const char c = text[at];
        if (inString) {
            if (c == '\\')
                ++at;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        } else if ((c == ',' || c == ']') && depth == 0) {
            std::string_view element = text.substr(start, at - start);
            const bool empty = std::all_of(element.begin(), element.end(), blank);
            if (!empty || c == ',')
                elements.push_back(element);
            if (c == ']')
                break;
            start = at + 1;
        } else if (c == '}') {
            return std::nullopt;
        }
    }
    if (at >= text.size() ||
        !std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at) + 1, text.end(), blank))
        return std::nullopt;
    return elements;
}

Element readElement(const Session& session, const json& given, std::set<std::string>& newUids) {
    Element element;
    if (!given.is_object()) {
        refuse(element, ErrorCode::InvalidCardJson, "the element is no JSON object");
        return element;
    }
    const std::string action = textOf(given, "action");
    if (action == "create")
        readCreation(session, given, element, newUids);
    else if (action == "change")
        readWrite(session, given, Action::Change, element);
    else if (action == "delete")
        readWrite(session, given, Action::Delete, element);
    else
        refuse(element, ErrorCode::InvalidCardJson,
               "the action is none of \"create\", \"change\" and \"delete\"");
    return element;
}

// A card's text as the server holds it, with its tag.
struct ServerText {
    std::string text;
    std::string tag;
};
using TextsByUrl = std::unordered_map<std::string, ServerText>;

// Reads the texts of the cards at `urls` by multiget. `removed` receives the URLs the server
// answered 404 for; the verdict is the first failed request's.
Verdict readTexts(Session& session, const std::vector<std::string>& urls, TextsByUrl& texts,
                  std::set<std::string>& removed) {
    std::size_t budget = FetchedCards::kMaxBytes;
    return readCardTexts(session.cd, session.book.url(), urls, budget, [&](cardtexts read) {
        for (cardtext& card : read.cards)
            texts[normalUrl(card.card.url)] = {std::move(card.text), card.card.etag};
        for (const std::string& url : read.removed)
            removed.insert(normalUrl(url));
    });
}

// Makes each change to the text of its card as the server holds it: the text kept at the
// element's tag, else the server's, read with the others in one multiget for a hundred cards.
void makeChanges(Session& session, std::vector<Element>& elements) {
    TextsByUrl texts;
    std::vector<std::string> urls;
    for (Element& element : elements) {
        if (!element.pending || element.action != Action::Change)
            continue;
        const addresscard* known = knownCard(session.book, element.line.uid);
        const std::string* kept = known && known->etag == element.tag &&
                                          normalUrl(known->url) == normalUrl(element.line.href)
                                      ? session.book.keptText(element.line.uid)
                                      : nullptr;
        if (kept)
            texts[normalUrl(element.line.href)] = {*kept, element.tag};
        else
            urls.push_back(element.line.href);
    }
    std::set<std::string> removed;
    const Verdict read = readTexts(session, urls, texts, removed);
    for (Element& element : elements) {
        if (!element.pending || element.action != Action::Change)
            continue;
        const std::string url = normalUrl(element.line.href);
        const auto found = texts.find(url);
        if (removed.count(url))
            settle(element, Outcome::Gone, failure(ErrorCode::CardGone));
        else if (found == texts.end() || found->second.text.empty())
            settle(element, Outcome::Failed,
                   !read.ok() ? read
                              : failedBecause(ErrorCode::Failed,
                                              found == texts.end()
                                                  ? "the server's answer left the card out"
                                                  : "the card's text did not fit in memory with "
                                                    "the others: send fewer at a time"));
        if (!element.pending)
            continue;
        const ServerText& server = found->second;
        vCard card = readvCard(server.text, session.current_mapping);
        if (element.line.uid.empty())
            element.line.uid = readCardSummary(server.text).uid;
        const CardIdentity identity{element.line.uid, element.line.href, element.tag,
                                    groupNamesOf(session, element.line.uid)};
        std::string refusal;
        if (!applyCardJson(card, identity, session.current_mapping, element.changes, refusal)) {
            refuse(element, ErrorCode::InvalidCardJson, refusal);
            continue;
        }
        element.text = card.toString();
        // Nothing to write: the card holds the changes already, if it is still at that tag.
        if (element.text == server.text) {
            element.line.etag = server.tag;
            if (server.tag == element.tag)
                settle(element, Outcome::Saved);
            else
                settle(element, Outcome::Conflict, failure(ErrorCode::ChangedOnServer));
        }
    }
}

HttpRequest requestFor(const Element& element) {
    switch (element.action) {
    case Action::Create:
        return CardDavClient::save_request(element.line.href, element.text, "");
    case Action::Change:
        return CardDavClient::save_request(element.line.href, element.text, element.tag);
    case Action::Delete:
        break;
    }
    return CardDavClient::delete_request(element.line.href, element.tag);
}

// A refusal of the server's that says the write as sent cannot succeed (400, 403, 409, 413,
// 415, 422...), as opposed to a failure another attempt may get past.
bool refusesTheWrite(const Query& answer) {
    const int status = answer.status;
    return isClientError(answer) && status != 401 && status != 407 && status != 408 &&
           status != 429 && !isConflict(answer) && !isGone(answer);
}

void judgeCreated(Session& session, Element& element, const Query& answer) {
    Placement placed = judgeCreation(session.cd, answer);
    if (placed.nameTaken && ++element.sent < kCreationAttempts) {
        element.line.href = newCardUrl(session.book.url());
        return; // sent again under the fresh name
    }
    if (!placed.verdict.ok())
        return settle(element,
                      !placed.created && refusesTheWrite(answer) ? Outcome::Refused
                                                                 : Outcome::Failed,
                      std::move(placed.verdict));
    element.line.href = placed.url;
    element.line.etag = placed.etag;
    element.readBack = placed.etag.empty();
    settle(element, Outcome::Created);
}

void judgeWrite(Session& session, Element& element, const Query& answer) {
    if (element.action == Action::Create)
        return judgeCreated(session, element, answer);
    const bool change = element.action == Action::Change;
    Verdict written = judgeStatus(session.cd, answer);
    if (written.ok()) {
        element.line.etag = getEtag(answer.headers);
        element.readBack = change && element.line.etag.empty();
        return settle(element, change ? Outcome::Saved : Outcome::Deleted);
    }
    if (isConflict(answer))
        return settle(element, Outcome::Conflict,
                      failedBecause(ErrorCode::ChangedOnServer,
                                    written.reason + ": the card changed on the server since "
                                                     "that tag; nothing was written"));
    // A card already gone is what a deletion wanted.
    if (isGone(answer))
        return settle(
            element, Outcome::Gone,
            change ? failedBecause(ErrorCode::CardGone,
                                   written.reason + ": " + describeError(ErrorCode::CardGone))
                   : Verdict{});
    settle(element, refusesTheWrite(answer) ? Outcome::Refused : Outcome::Failed,
           std::move(written));
}

// Sends the pending writes side by side, one to each card at a time: a card named twice gets
// its writes in the order given.
void sendRound(Session& session, std::vector<Element>& elements) {
    std::vector<Element*> round;
    std::set<std::string> targets;
    for (Element& element : elements)
        if (element.pending && targets.insert(normalUrl(element.line.href)).second)
            round.push_back(&element);
    std::vector<HttpRequest> requests;
    requests.reserve(round.size());
    for (const Element* element : round)
        requests.push_back(requestFor(*element));
    const std::vector<Query> answers = session.cd.query_all(requests);
    for (std::size_t i = 0; i < round.size(); ++i)
        judgeWrite(session, *round[i], answers[i]);
}

// Reads back the cards written without a tag in the answer (the server changed them while
// storing them): their tags, texts and UIDs as the server holds them.
void readBackUntagged(Session& session, std::vector<Element>& elements) {
    std::vector<std::string> urls;
    for (const Element& element : elements)
        if (element.readBack)
            urls.push_back(element.line.href);
    if (urls.empty())
        return;
    TextsByUrl texts;
    std::set<std::string> removed;
    const Verdict read = readTexts(session, urls, texts, removed);
    for (Element& element : elements) {
        if (!element.readBack)
            continue;
        const auto found = texts.find(normalUrl(element.line.href));
        if (found == texts.end() || found->second.tag.empty() || found->second.text.empty()) {
            element.line.verdict =
                !read.ok() ? read
                           : failedBecause(ErrorCode::Failed,
                                           "written, but the server names no tag for the card");
            element.text.clear();
            continue;
        }
        element.text = std::move(found->second.text);
        element.line.etag = found->second.tag;
        const std::string uid = readCardSummary(element.text).uid;
        if (!uid.empty())
            element.line.uid = uid;
    }
}

// What is known of the book follows what was written.
void takeUp(Session& session, const std::vector<Element>& elements) {
    SelectedBook& book = session.book;
    for (const Element& element : elements) {
        const BatchLine& line = element.line;
        switch (line.outcome) {
        case Outcome::Created:
        case Outcome::Saved:
            // A card whose tag is unknown is known without one: a later save cannot go
            // unguarded over it.
            if (!element.text.empty())
                book.put(cardRecord(line.href, line.etag, element.text),
                         line.etag.empty() ? "" : element.text);
            else
                book.removeAt(line.href);
            break;
        case Outcome::Deleted:
        case Outcome::Gone:
            book.removeAt(line.href);
            break;
        default:
            break;
        }
    }
}

// Takes the deleted cards out of the group cards that list them, where groups are group cards;
// a failed group write gives its code to the lines of the cards it concerned.
void leaveGroups(Session& session, std::vector<Element>& elements) {
    if (groupStyleInForce(session) == GroupStyle::Categories)
        return;
    std::set<std::string> deleted;
    for (const Element& element : elements)
        if (element.action == Action::Delete && !element.line.uid.empty() &&
            (element.line.outcome == Outcome::Deleted || element.line.outcome == Outcome::Gone))
            deleted.insert(element.line.uid);
    if (deleted.empty())
        return;
    const std::map<std::string, Verdict> failed = leaveAllGroups(session, deleted);
    for (Element& element : elements)
        if (const auto found = failed.find(element.line.uid);
            found != failed.end() && element.action == Action::Delete)
            element.line.verdict = found->second;
}

} // namespace

Batch writeCards(Session& session, const std::string& text, const std::string& bookUrl,
                 std::size_t from, std::size_t count) {
    const std::optional<std::vector<std::string_view>> all = arrayElements(text);
    if (!all)
        return {failedBecause(ErrorCode::InvalidCardJson, "the writes are no JSON array"), {}};
    if (Verdict named = selectNamedBook(session, bookUrl); !named.ok())
        return {std::move(named), {}};
    if (Verdict refused = mayWriteTo(session, session.book.url()); !refused.ok())
        return {std::move(refused), {}};
    const std::size_t first = std::min(from, all->size());
    const std::size_t end = count == 0 ? all->size() : std::min(all->size(), first + count);

    std::vector<Element> elements;
    elements.reserve(end - first);
    std::set<std::string> newUids;
    for (std::size_t i = first; i < end; ++i)
        elements.push_back(readElement(session, json::parse((*all)[i], nullptr, false), newUids));
    makeChanges(session, elements);
    while (std::any_of(elements.begin(), elements.end(),
                       [](const Element& element) { return element.pending; }))
        sendRound(session, elements);
    readBackUntagged(session, elements);
    takeUp(session, elements);
    leaveGroups(session, elements);

    Batch batch;
    batch.lines.reserve(elements.size());
    for (Element& element : elements)
        batch.lines.push_back(std::move(element.line));
    return batch;
}
