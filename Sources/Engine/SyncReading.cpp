#include "Engine/SyncReading.h"

#include "Engine/AnswerJudge.h"
#include "Transport/HrefResolver.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// How often a truncated sync answer is followed up, at most, in one call.
constexpr int kMaxSyncRounds = 10000;

// How a refused sync-collection request is told to the script.
ChangesRead refusedSync(const CardDavClient& client, const Query& answer) {
    switch (syncRefusal(answer)) {
    case SyncRefusal::TokenExpired:
        return {failedBecause(ErrorCode::SyncTokenExpired, answerReason(client, answer)),
                "ERROR: sync token expired"};
    case SyncRefusal::NotSupported:
        return {failedBecause(ErrorCode::SyncNotSupported, answerReason(client, answer)),
                "ERROR: sync not supported"};
    case SyncRefusal::Other:
        break;
    }
    // Any other status, a success other than 207 (a maintenance page) included, is a failure:
    // it says nothing of what changed.
    return {judgeMultistatus(client, answer, BodyForm::Unreadable), "ERROR"};
}

bool listsOnlyTheCollection(const syncanswer& answer) {
    return answer.namesCollection && answer.changes.empty() && !answer.truncated;
}

// Collects the changes of all rounds: each member once, at its last appearance.
class ChangeCollector {
public:
    void add(syncchange change) {
        std::string key = normalUrl(change.card.url);
        const auto seen = positions.find(key);
        if (seen != positions.end())
            live[seen->second] = false;
        positions[std::move(key)] = collected.size();
        collected.push_back(std::move(change));
        live.push_back(true);
    }

    std::vector<syncchange> take() {
        std::vector<syncchange> changes;
        changes.reserve(collected.size());
        for (std::size_t i = 0; i < collected.size(); ++i)
            if (live[i])
                changes.push_back(std::move(collected[i]));
        return changes;
    }

private:
    std::vector<syncchange> collected;
    std::vector<bool> live;
    std::unordered_map<std::string, std::size_t> positions;
};

} // namespace

ChangesRead readChanges(CardDavClient& client, const std::string& bookUrl, std::string token,
                        BookChanges& changes, std::size_t& textBudget) {
    ChangeCollector collector;
    // The tokens asked with in this call: a truncated answer that leads back to one of them
    // would be followed round and round.
    std::unordered_set<std::string> asked;
    for (int round = 0; round < kMaxSyncRounds; ++round) {
        asked.insert(token);
        const bool depthOne = client.server_facts().syncNeedsDepthOne;
        SyncChangesReading reading(bookUrl, textBudget);
        Query answer = client.sync_collection(
            bookUrl, token, depthOne ? CardDavClient::Depth::One : CardDavClient::Depth::Zero,
            &reading);
        if (!isMultistatus(answer))
            return refusedSync(client, answer);
        auto part = judgedReading(client, answer, reading);
        if (!part.verdict.ok())
            return {std::move(part.verdict), "ERROR"};
        // A server that answers Depth 0 with the collection alone could not have listed a change
        // there: its token is not taken, the round is asked again with Depth 1, and so is every
        // sync of the connection.
        if (!depthOne && listsOnlyTheCollection(part.value)) {
            client.server_facts().syncNeedsDepthOne = true;
            continue;
        }
        // A server that does not know the report may answer it as something else.
        if (part.value.token.empty())
            return {failedBecause(ErrorCode::SyncNotSupported,
                                  "the server's answer names no sync token"),
                    "ERROR: sync not supported"};
        for (syncchange& change : part.value.changes) {
            // A text that names no card (empty, or without a UID) is no card read: it is read
            // again.
            if (change.read && !namesItsCard(change.card)) {
                change.read = false;
                change.text.clear();
            }
            textBudget -= change.text.size();
            collector.add(std::move(change));
        }
        if (!part.value.truncated) {
            changes.token = std::move(part.value.token);
            changes.changes = collector.take();
            return {};
        }
        // A truncated answer is asked on from the token it gave; one that gives back a token
        // asked with before in this call would be asked forever.
        if (asked.count(part.value.token) > 0)
            return {failedBecause(ErrorCode::Failed,
                                  "the server truncated its changes and led back to a sync token "
                                  "it gave before"),
                    "ERROR"};
        token = std::move(part.value.token);
    }
    return {failedBecause(ErrorCode::Failed, "the server truncated its changes too often"),
            "ERROR"};
}

Verdict readCardTexts(CardDavClient& client, const std::string& bookUrl,
                      const std::vector<std::string>& urls, std::size_t& textBudget,
                      const std::function<void(cardtexts)>& take, std::size_t batch) {
    for (std::size_t start = 0; start < urls.size();) {
        const std::size_t count = std::min(batch, urls.size() - start);
        const auto from = urls.begin() + static_cast<std::ptrdiff_t>(start);
        // One card alone cannot be asked for in halves: its answer may be as large as any.
        CardTextsReading reading(bookUrl, textBudget);
        Query answer = client.multiget_vcards(bookUrl, std::vector<std::string>(from, from + count),
                                              CardDavClient::CardContent::WholeCard,
                                              count > 1 ? kLargestMultigetAnswer : 0, &reading);
        if (answer.tooLarge && count > 1) {
            batch = count / 2;
            continue;
        }
        auto read = judgedReading(client, answer, reading);
        const std::size_t answerBytes = reading.bytesTaken();
        if (!read.verdict.ok())
            return std::move(read.verdict);
        for (const cardtext& card : read.value.cards)
            textBudget -= card.text.size();
        take(std::move(read.value));
        start += count;
        if (answerBytes > kMultigetBatchBytes)
            batch = std::max<std::size_t>(1, count * kMultigetBatchBytes / answerBytes);
    }
    return {};
}

bool namesItsCard(const addresscard& card) {
    return !card.uid.empty();
}

Verdict readEveryCard(CardDavClient& client, const std::string& bookUrl,
                      const std::vector<std::string>& urls, std::size_t& textBudget,
                      const std::function<void(std::size_t, cardtext)>& read,
                      const std::function<void(std::size_t)>& removed) {
    std::unordered_map<std::string, std::size_t> unanswered;
    for (std::size_t i = 0; i < urls.size(); ++i)
        unanswered.emplace(normalUrl(urls[i]), i);
    std::string nameless;
    Verdict answered = readCardTexts(client, bookUrl, urls, textBudget, [&](cardtexts texts) {
        for (cardtext& card : texts.cards) {
            const auto asked = unanswered.find(normalUrl(card.card.url));
            if (asked == unanswered.end())
                continue;
            if (!namesItsCard(card.card)) {
                nameless = card.card.url;
                continue;
            }
            read(asked->second, std::move(card));
            unanswered.erase(asked);
        }
        for (const std::string& url : texts.removed) {
            const auto asked = unanswered.find(normalUrl(url));
            if (asked == unanswered.end())
                continue;
            removed(asked->second);
            unanswered.erase(asked);
        }
    });
    if (!answered.ok())
        return answered;
    if (!nameless.empty())
        return failedBecause(ErrorCode::Failed, "the server sent the card at " + nameless +
                                                    " without a UID (or without its text); "
                                                    "nothing was applied");
    if (!unanswered.empty())
        return failedBecause(ErrorCode::Failed, "the server's answer left out " +
                                                    std::to_string(unanswered.size()) + " of the " +
                                                    std::to_string(urls.size()) +
                                                    " cards asked for; nothing was applied");
    return {};
}
