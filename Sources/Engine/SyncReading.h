// Reading what the synchronisation functions need from the server: the changes since a sync
// token, and the whole texts of cards by their URLs. Nothing here changes what the session
// knows of its book; the functions apply what was read once all of it was read.
#pragma once

#include "Engine/Verdict.h"
#include "Multistatus/xmlParser.h"
#include "Transport/CardDavClient.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The most hrefs one multiget names: servers refuse or time out on very large ones.
constexpr std::size_t kMultigetBatch = 100;
// The answer size a multiget aims at: when one answer grew beyond it (cards with large photos),
// the next name fewer cards, so that one batch in memory stays about this size.
constexpr std::size_t kMultigetBatchBytes = 16 * 1024 * 1024;
// A multiget answer larger than this is given up and its cards are asked for again in halves.
constexpr std::size_t kLargestMultigetAnswer = 4 * kMultigetBatchBytes;

// The changes of a book since a token: each member once, where it last appeared, in the
// server's order; with the token that now stands for the book.
struct BookChanges {
    std::string token;
    std::vector<syncchange> changes;
};

struct [[nodiscard]] ChangesRead {
    Verdict verdict;
    // The result text when the read failed: "ERROR", or the expired and unsupported texts.
    std::string failure;
};

// Asks the book at `bookUrl` for every change since `token` (empty: the initial sync), following
// a truncated answer up while the server moves the token on. Fails (with its code and text) when
// an answer is no whole multistatus, the server refuses the token (17) or the report (18), or a
// truncated answer leads back to a token already asked with in this call. Card texts that came
// with the changes are kept while they fit in `textBudget`, which is lessened by what was kept; a
// change whose text names no card (namesItsCard) counts as not read.
// The report goes with Depth 0, as RFC 6578 asks, until the server answers that with the
// collection alone: then with Depth 1, for the rest of the connection (ServerFacts).
ChangesRead readChanges(CardDavClient& client, const std::string& bookUrl, std::string token,
                        BookChanges& changes, std::size_t& textBudget);

// Reads the cards at `urls` (on the book at `bookUrl`) whole with multiget, handing each answer
// to `take` as it comes: `batch` cards a request, fewer when answers grow large. Texts are kept
// as by readChanges. Fails with the first failed request's verdict; the batches before it were
// taken.
Verdict readCardTexts(CardDavClient& client, const std::string& bookUrl,
                      const std::vector<std::string>& urls, std::size_t& textBudget,
                      const std::function<void(cardtexts)>& take,
                      std::size_t batch = kMultigetBatch);

// Whether a card text the server sent names the card: it holds a UID. An empty text, or one
// without a UID, tells nothing of the card at its href: not that it is gone, nor what it is.
bool namesItsCard(const addresscard& card);

// Reads the cards at `urls` whole (readCardTexts), every one of which must come back: with a
// text that names it, handed to `read` with its place in `urls`, or as removed since (404),
// handed to `removed`. Fails with -1 when the server leaves one out or sends one that names no
// card, or with the first failed request's verdict; what was handed on before is the caller's
// to drop.
Verdict readEveryCard(CardDavClient& client, const std::string& bookUrl,
                      const std::vector<std::string>& urls, std::size_t& textBudget,
                      const std::function<void(std::size_t, cardtext)>& read,
                      const std::function<void(std::size_t)>& removed);
