#include "Functions/CardDavServerWrites.h"

#include "Functions/CardDavState.h"
#include "Utils/VorlixUtils.h"

std::string fetchEtag(const std::string& url) {
    const Query answer = plugin_state.cd.get_etag(url);
    if (handleQuery(answer) != ErrorCode::None)
        return "";
    for (const addresscard& card : plugin_state.xmlparser.getCardData(answer.body, url))
        if (!card.etag.empty())
            return card.etag;
    return "";
}

std::string tagAfterPut(const std::string& url, const Query& answer) {
    const std::string tag = getEtag(answer.headers);
    return tag.empty() ? fetchEtag(url) : tag;
}

fmx::int16 putGroup(addresscard& group) {
    const Query answer = plugin_state.cd.save_vcard(group.url, group.getRawvCard(), group.etag);
    const fmx::int16 code = handleQuery(answer);
    if (code == ErrorCode::None) {
        const std::string tag = tagAfterPut(group.url, answer);
        if (!tag.empty())
            group.etag = tag;
    }
    return code;
}

fmx::int16 createCard(const std::string& addressbookUrl, addresscard& record) {
    // A collection URL given without its final "/" still names the collection: the card goes
    // into it, not beside it.
    const std::string book = endswith(addressbookUrl, "/") ? addressbookUrl : addressbookUrl + "/";
    Query lastProbe;
    const std::string id = plugin_state.cd.get_new_vcardid(book, lastProbe);
    if (id.empty()) {
        const fmx::int16 code = handleQuery(lastProbe);
        return code == ErrorCode::None ? ErrorCode::Failed : code;
    }
    record.cardid = id;
    record.url = book + id + ".vcf";
    record.displayname = id + ".vcf";

    const Query answer = plugin_state.cd.save_vcard(record.url, record.getRawvCard(), "");
    const fmx::int16 code = handleQuery(answer);
    if (code == ErrorCode::None)
        record.etag = tagAfterPut(record.url, answer);
    return code;
}
