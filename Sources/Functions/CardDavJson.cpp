// A whole card in one call as JSON, and a card changed from such an object: one call per record
// where a script otherwise reads and writes each field on its own.

#include "Functions/CardDav.h"

#include "Functions/CardDavFrame.h"
#include "vCard/CardJson.h"
#include "Functions/CurrentCard.h"
#include "Functions/GroupNames.h"

#include <nlohmann/json.hpp>

namespace {

CardIdentity currentIdentity() {
    PluginState& state = session();
    CardIdentity identity;
    identity.uid = state.current_vcard_id;
    if (const addresscard* entry = state.book.card(identity.uid)) {
        identity.href = entry->url;
        identity.etag = entry->etag;
    }
    identity.groups = groupNamesOf(identity.uid);
    return identity;
}

// The names the current card is read and written by: its own field map, or the one in force
// while no card was read.
const FieldMap& vocabulary() {
    const PluginState& state = session();
    return state.current_vcard.mapping.empty() ? state.current_mapping
                                               : state.current_vcard.mapping;
}

} // namespace

fmx::errcode CardDav_GetvCardJSON(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                  fmx::Data& result) {
    const auto setEmpty = [&] { SetTextResult("", result); };
    return runFunction(
        true,
        [&] {
            if (args.Size() > 0) {
                const fmx::int16 code = makeCardCurrent(textArgument(args, 0));
                if (code != ErrorCode::None) {
                    setEmpty();
                    return code;
                }
            } else if (session().current_vcard_id.empty()) {
                setEmpty();
                return ErrorCode::CardNotListed;
            }
            const nlohmann::json card =
                cardJson(session().current_vcard, currentIdentity(), vocabulary());
            SetTextResult(card.dump(), result);
            return ErrorCode::None;
        },
        setEmpty, setEmpty);
}

fmx::errcode CardDav_SetvCardJSON(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                  fmx::Data& result) {
    const auto setFailed = [&] { SetResult(0, result); };
    return runFunction(
        true,
        [&] {
            PluginState& state = session();
            if (state.current_vcard_id.empty()) {
                setFailed();
                return ErrorCode::CardNotListed;
            }
            const nlohmann::json changes =
                nlohmann::json::parse(textArgument(args, 0), nullptr, false);
            std::string refusal = "the text is no JSON";
            // Changed on a copy, which replaces the card only when every change was taken.
            vCard changed = state.current_vcard;
            if (changes.is_discarded() ||
                !applyCardJson(changed, currentIdentity(), vocabulary(), changes, refusal)) {
                noteFailure(ErrorCode::InvalidCardJson, refusal);
                setFailed();
                return ErrorCode::InvalidCardJson;
            }
            state.current_vcard = std::move(changed);
            SetResult(1, result);
            return ErrorCode::None;
        },
        setFailed, setFailed);
}
