// Reading what the synchronisation functions need from the server: the changes since a sync
// token, and the whole texts of cards by their URLs. Nothing here changes what the session
// knows of its book; the functions apply what was read once all of it was read.
#pragma once

#include "FMWrapper/FMXTypes.h"
#include "Multistatus/xmlParser.h"

#include <string>
#include <vector>

// The most hrefs one multiget names: servers refuse or time out on very large ones.
constexpr std::size_t kMultigetBatch = 100;

// The changes of a book since a token: each member once, where it last appeared, in the
// server's order; with the token that now stands for the book.
struct BookChanges {
    std::string token;
    std::vector<syncchange> changes;
};

struct [[nodiscard]] ChangesRead {
    fmx::int16 code = 0;
    // The result text when the code is not 0: "ERROR", or the expired and unsupported texts.
    std::string failure;
};

// Asks the book at `bookUrl` for every change since `token` (empty: the initial sync), following
// a truncated answer up while the server moves the token on. Fails (with its code and text) when
// an answer is no whole multistatus, the server refuses the token (17) or the report (18), or a
// truncated answer repeats its token.
ChangesRead readChanges(const std::string& bookUrl, std::string token, BookChanges& changes);

// Reads the whole texts of the cards at `urls` (on the book at `bookUrl`) with multiget,
// kMultigetBatch a request, handing each answer to `take` as it comes. Returns 0 or the first
// failed request's code; the batches before it were taken.
template <class Take>
fmx::int16 readCardTexts(const std::string& bookUrl, const std::vector<std::string>& urls,
                         Take&& take);

// ---- implementation ----

fmx::int16 readCardTextBatch(const std::string& bookUrl, const std::vector<std::string>& batch,
                             cardtexts& read);

template <class Take>
fmx::int16 readCardTexts(const std::string& bookUrl, const std::vector<std::string>& urls,
                         Take&& take) {
    for (std::size_t start = 0; start < urls.size(); start += kMultigetBatch) {
        const auto from = urls.begin() + static_cast<std::ptrdiff_t>(start);
        const auto to = start + kMultigetBatch < urls.size()
                            ? from + static_cast<std::ptrdiff_t>(kMultigetBatch)
                            : urls.end();
        cardtexts read;
        const fmx::int16 code =
            readCardTextBatch(bookUrl, std::vector<std::string>(from, to), read);
        if (code != 0)
            return code;
        take(std::move(read));
    }
    return 0;
}
