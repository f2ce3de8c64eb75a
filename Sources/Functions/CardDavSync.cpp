// Synchronisation functions: the tags of the cached cards, what changed on the server since a
// sync token, the token itself, and many cards fetched in few requests.

#include "Functions/CardDav.h"

#include "Functions/CardDavFrame.h"
#include "Functions/CardDavListing.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// The most hrefs one multiget names: servers refuse or time out on very large ones.
constexpr std::size_t kMultigetBatch = 100;
// How often a truncated sync answer is followed up, at most, in one call.
constexpr int kMaxSyncRounds = 10000;

void appendLine(std::string& list, std::initializer_list<std::string> columns) {
    bool first = true;
    for (const std::string& column : columns) {
        if (!first)
            list += '\t';
        list += column;
        first = false;
    }
    list += '\r';
}

// Runs `answerOf` for the cards at `urls`, at most kMultigetBatch in one request. Returns 0, or
// the first failed request's code.
template <class Read>
fmx::int16 multigetInBatches(const std::vector<std::string>& urls,
                             CardDavClient::CardContent content, Read&& read) {
    for (std::size_t start = 0; start < urls.size(); start += kMultigetBatch) {
        const std::vector<std::string> batch(
            urls.begin() + static_cast<std::ptrdiff_t>(start),
            urls.begin() +
                static_cast<std::ptrdiff_t>(std::min(urls.size(), start + kMultigetBatch)));
        Query answer =
            session().cd.multiget_vcards(session().current_addressbook_url, batch, content);
        const fmx::int16 code = handleQuery(answer);
        if (code != ErrorCode::None)
            return code;
        read(std::move(answer.body));
        if (!session().xmlparser.lastBodyParsed())
            return ErrorCode::Failed;
    }
    return ErrorCode::None;
}

struct Changes {
    std::string token;
    // By URL: the tag of a changed member, or nothing for a removed one; `order` keeps the
    // server's order, each URL once, where it last appeared.
    std::map<std::string, syncchange> byUrl;
    std::vector<std::string> order;
};

struct SyncOutcome {
    fmx::int16 code = ErrorCode::None;
    std::string failure; // the result text when the code is not 0
};

// How a refused sync-collection request is to be told to the script.
SyncOutcome refusedSync(const Query& answer) {
    xmlParser& parser = session().xmlparser;
    if (answer.status >= 400 && answer.status < 500 &&
        parser.isDavError(answer.body, "valid-sync-token"))
        return {ErrorCode::SyncTokenExpired, "ERROR: sync token expired"};
    const bool unknownReport = answer.status == 400 || answer.status == 405 ||
                               answer.status == 501 ||
                               parser.isDavError(answer.body, "supported-report");
    if (unknownReport)
        return {ErrorCode::SyncNotSupported, "ERROR: sync not supported"};
    return {handleQuery(answer), "ERROR"};
}

// Asks the server for every change since `token`, following truncated answers up.
SyncOutcome readChanges(std::string token, Changes& changes) {
    for (int round = 0; round < kMaxSyncRounds; ++round) {
        Query answer = session().cd.sync_collection(session().current_addressbook_url, token);
        if (answer.status != 207)
            return refusedSync(answer);
        syncanswer part = session().xmlparser.getSyncChanges(std::move(answer.body),
                                                             session().current_addressbook_url);
        if (!session().xmlparser.lastBodyParsed())
            return {ErrorCode::Failed, "ERROR"};
        // A server that does not know the report may answer it as something else.
        if (part.token.empty())
            return {ErrorCode::SyncNotSupported, "ERROR: sync not supported"};
        const bool progress = part.token != token || !part.changes.empty();
        for (syncchange& change : part.changes) {
            const std::string url = change.url;
            changes.order.erase(std::remove(changes.order.begin(), changes.order.end(), url),
                                changes.order.end());
            changes.order.push_back(url);
            changes.byUrl[url] = std::move(change);
        }
        token = std::move(part.token);
        changes.token = token;
        // A server that keeps truncating without moving on would be asked forever; what it
        // gave stands with the token it named for it.
        if (!part.truncated || !progress)
            break;
    }
    return {};
}

struct CachedCard {
    std::string uid;
    bool isgroup = false;
};

// Which cached card or group card lives at each URL.
std::map<std::string, CachedCard> cacheByUrl() {
    std::map<std::string, CachedCard> byUrl;
    for (const auto& [uid, card] : session().current_addressbook)
        byUrl[card.url] = {uid, false};
    for (const auto& [uid, group] : session().current_addressbook_groups)
        byUrl[group.url] = {uid, true};
    return byUrl;
}

void forget(const CachedCard& cached) {
    auto& cache =
        cached.isgroup ? session().current_addressbook_groups : session().current_addressbook;
    cache.erase(cached.uid);
    session().fetched_vcards.drop(cached.uid);
}

std::string removedLine(const CachedCard& cached) {
    std::string line;
    if (cached.isgroup)
        appendLine(line, {"deleted", cached.uid, "group"});
    else
        appendLine(line, {"deleted", cached.uid});
    return line;
}

// Brings the cache in step with the changes and gives the result lines. The changed cards are
// read first, in batches; nothing is changed when a read fails.
SyncOutcome applyChanges(const Changes& changes, std::string& lines) {
    std::vector<std::string> changedUrls;
    for (const std::string& url : changes.order)
        if (!changes.byUrl.at(url).removed)
            changedUrls.push_back(url);
    std::map<std::string, addresscard> read;
    const fmx::int16 code =
        multigetInBatches(changedUrls, CardDavClient::CardContent::Summary, [&](std::string body) {
            for (addresscard& card : session().xmlparser.getCardData(
                     std::move(body), session().current_addressbook_url))
                read[card.url] = std::move(card);
        });
    if (code != ErrorCode::None)
        return {code, "ERROR"};

    std::map<std::string, CachedCard> cached = cacheByUrl();
    for (const std::string& url : changes.order) {
        const auto known = cached.find(url);
        const auto card = read.find(url);
        if (known != cached.end()) {
            forget(known->second);
            // A card removed since, or one that no longer has a UID, is gone from the book.
            if (card == read.end() || card->second.uid.empty() ||
                card->second.uid != known->second.uid ||
                card->second.isgroup != known->second.isgroup)
                lines += removedLine(known->second);
        }
        if (card == read.end() || card->second.uid.empty())
            continue;
        addresscard& entry = card->second;
        if (entry.etag.empty())
            entry.etag = changes.byUrl.at(url).etag;
        const std::string uid = entry.uid;
        const bool isgroup = entry.isgroup;
        session().fetched_vcards.drop(uid);
        if (isgroup)
            appendLine(lines, {"changed", uid, entry.etag, "group"});
        else
            appendLine(lines, {"changed", uid, entry.etag});
        auto& cache =
            isgroup ? session().current_addressbook_groups : session().current_addressbook;
        cache[uid] = std::move(entry);
    }
    return {};
}

// The UID a line of the list names: the line itself, or, for a line of CardDav_GetChanges, the
// UID of a changed card (deletions and group cards name nothing to fetch).
std::string uidOfLine(const std::string& line) {
    const std::vector<std::string> columns = split(line, '\t', 1);
    if (columns.size() == 1)
        return line;
    if (columns.size() == 3 && columns[0] == "changed")
        return columns[1];
    return "";
}

// The UIDs of a return-separated list, each once, in the order given.
std::vector<std::string> uidList(const std::string& text) {
    std::vector<std::string> uids;
    std::set<std::string> seen;
    std::string line;
    for (std::size_t at = 0; at <= text.size(); ++at) {
        if (at < text.size() && text[at] != '\r' && text[at] != '\n') {
            line += text[at];
            continue;
        }
        const std::string uid = uidOfLine(line);
        if (!uid.empty() && seen.insert(uid).second)
            uids.push_back(uid);
        line.clear();
    }
    return uids;
}

} // namespace

fmx::errcode CardDav_GetAddressbookETags(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                         fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        false,
        [&] {
            std::string list;
            for (const auto& [uid, card] : session().current_addressbook)
                appendLine(list, {uid, card.etag, card.lastmodified});
            SetTextResult(list, result);
            return ErrorCode::None;
        },
        setError, setError);
}

fmx::errcode CardDav_GetChanges(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        true,
        [&] {
            if (session().current_addressbook_url.empty()) {
                setError();
                return ErrorCode::Failed;
            }
            Changes changes;
            SyncOutcome outcome = readChanges(textArgument(args, 0), changes);
            std::string lines;
            if (outcome.code == ErrorCode::None)
                outcome = applyChanges(changes, lines);
            if (outcome.code != ErrorCode::None) {
                // Nothing changed: the script's token still stands for what it holds.
                SetTextResult(outcome.failure, result);
                return outcome.code;
            }
            session().sync_token = changes.token;
            SetTextResult(lines, result);
            return ErrorCode::None;
        },
        setError, setError);
}

fmx::errcode CardDav_GetSyncToken(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                  fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        false,
        [&] {
            SetTextResult(session().sync_token, result);
            return ErrorCode::None;
        },
        setError, setError);
}

fmx::errcode CardDav_FetchvCards(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                 fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        true,
        [&] {
            const std::vector<std::string> uids = uidList(textArgument(args, 0));
            std::map<std::string, std::string> uidByUrl;
            std::vector<std::string> urls;
            for (const std::string& uid : uids) {
                const auto listed = session().current_addressbook.find(uid);
                if (listed == session().current_addressbook.end())
                    continue;
                uidByUrl[listed->second.url] = uid;
                urls.push_back(listed->second.url);
            }
            std::set<std::string> fetched;
            const fmx::int16 code = multigetInBatches(
                urls, CardDavClient::CardContent::WholeCard, [&](std::string body) {
                    for (cardtext& card : session().xmlparser.getCardTexts(
                             std::move(body), session().current_addressbook_url)) {
                        const auto uid = uidByUrl.find(card.url);
                        if (uid == uidByUrl.end() || card.text.empty())
                            continue;
                        // The text is the card as the server holds it now.
                        if (!card.etag.empty())
                            session().current_addressbook[uid->second].etag = card.etag;
                        session().fetched_vcards.keep(
                            uid->second, session().current_addressbook[uid->second].etag,
                            std::move(card.text));
                        fetched.insert(uid->second);
                    }
                });
            std::string list;
            for (const std::string& uid : uids)
                appendLine(list, {fetched.count(uid) ? "fetched" : "missing", uid});
            SetTextResult(list, result);
            return code;
        },
        setError, setError);
}
