// Change detection: whether the server copy of a card still has the entity tag a script holds.

#include "Functions/CardDav.h"

#include "Functions/AnswerJudge.h"
#include "Functions/CardDavFrame.h"
#include "Functions/HostValues.h"

#include <string>
#include <vector>

namespace {

struct TagCheck {
    // "Not changed!", "Changed!", "Deleted!", "Data error!" or "ERROR".
    std::string verdict;
    fmx::int16 code = ErrorCode::None;
    // The answer settled nothing: a failure other than 404, or a listing without exactly one
    // card.
    bool inconclusive = false;
    // The answer was a complete listing of no card at all.
    bool emptyListing = false;
};

// Judges an answer that lists the card's tag against the tag the script holds.
TagCheck judge(Query answer, const std::string& url, const std::string& heldTag) {
    if (answer.status == 404)
        return {"Deleted!", ErrorCode::None, false};
    auto listed = judgedMultistatus(
        answer, [&](std::string body) { return xmlParser().getCardData(std::move(body), url); });
    if (!listed.verdict.ok())
        return {"ERROR", listed.verdict.code, true};
    const auto& cards = listed.value.cards;
    if (cards.size() != 1)
        return {"Data error!", ErrorCode::None, true, cards.empty()};
    return {cards.front().etag == heldTag ? "Not changed!" : "Changed!", ErrorCode::None, false};
}

} // namespace

fmx::errcode CardDav_CheckvCardIfChanged(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                         fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        true,
        [&] {
            const std::string uid = textArgument(args, 0);
            const std::string heldTag = textArgument(args, 1);
            const addresscard* entry = session().book.card(uid);
            if (uid.empty() || heldTag.empty() || !entry) {
                setError();
                return ErrorCode::None;
            }
            const std::string url = entry->url;
            // Many servers do not run the listing report on a single card (an empty listing, or
            // 403 for an unsupported report); the getetag PROPFIND then asks the card itself. A
            // server that once answered with an empty listing is asked so at once from then on,
            // until the server is set again.
            bool& listsNothing = session().cd.server_facts().listsNothingForOneCard;
            TagCheck verdict;
            if (!listsNothing) {
                verdict = judge(session().cd.get_addressbookitems(url), url, heldTag);
                listsNothing = verdict.emptyListing;
            }
            if (listsNothing || verdict.inconclusive)
                verdict = judge(session().cd.get_etag(url), url, heldTag);
            SetTextResult(verdict.verdict, result);
            return verdict.code;
        },
        setError, setError);
}
