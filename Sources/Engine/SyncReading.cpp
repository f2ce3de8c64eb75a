#include "Engine/SyncReading.h"

#include "Engine/AnswerJudge.h"
#include "Transport/HrefResolver.h"

#include <algorithm>
#include <unordered_map>
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
    for (int round = 0; round < kMaxSyncRounds; ++round) {
        const bool depthOne = client.server_facts().syncNeedsDepthOne;
        Query answer = client.sync_collection(
            bookUrl, token, depthOne ? CardDavClient::Depth::One : CardDavClient::Depth::Zero);
        if (!isMultistatus(answer))
            return refusedSync(client, answer);
        auto part = judgedMultistatus(client, answer, [&](std::string body) {
            return xmlParser().getSyncChanges(std::move(body), bookUrl, textBudget);
        });
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
            textBudget -= change.text.size();
            collector.add(std::move(change));
        }
        if (!part.value.truncated) {
            changes.token = std::move(part.value.token);
            changes.changes = collector.take();
            return {};
        }
        // A truncated answer is asked on from the token it gave; one that gives back the token
        // it was asked with would be asked forever.
        if (part.value.token == token)
            return {failedBecause(ErrorCode::Failed,
                                  "the server truncated its changes without moving its sync token "
                                  "on"),
                    "ERROR"};
        token = std::move(part.value.token);
    }
    return {failedBecause(ErrorCode::Failed, "the server truncated its changes too often"),
            "ERROR"};
}

Verdict readCardTexts(CardDavClient& client, const std::string& bookUrl,
                      const std::vector<std::string>& urls, std::size_t& textBudget,
                      const std::function<void(cardtexts)>& take) {
    std::size_t batch = kMultigetBatch;
    for (std::size_t start = 0; start < urls.size();) {
        const std::size_t count = std::min(batch, urls.size() - start);
        const auto from = urls.begin() + static_cast<std::ptrdiff_t>(start);
        Query answer =
            client.multiget_vcards(bookUrl, std::vector<std::string>(from, from + count),
                                   CardDavClient::CardContent::WholeCard, kLargestMultigetAnswer);
        if (answer.tooLarge && count > 1) {
            batch = count / 2;
            continue;
        }
        const std::size_t answerBytes = answer.body.size();
        auto read = judgedMultistatus(client, answer, [&](std::string body) {
            return xmlParser().getCardTexts(std::move(body), bookUrl, textBudget);
        });
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
