#include "Engine/Settings.h"

#include <limits>
#include <utility>

Verdict useServer(Session& session, const std::string& url, bool verbose, bool validcert) {
    const ServerUrlProblem problem = session.cd.set_baseurl(url);
    session.cd.set_verbose(verbose);
    session.cd.set_validcert(validcert);
    session.current_mapping = createDefaultRawDataMap();
    session.connected = false;
    session.root_address_url.clear();
    session.book.forget();
    session.group_style = GroupStyle::Cards;
    session.current_vcard_id.clear();
    session.current_vcard = vCard();
    session.current_vcard_text = {};
    switch (problem) {
    case ServerUrlProblem::none:
        return {};
    case ServerUrlProblem::credentials:
        return failedBecause(ErrorCode::UnusableUrl,
                             "the server URL holds a user name or password before its host; give "
                             "them to CardDav_SetAuth");
    default:
        return failedBecause(ErrorCode::UnusableUrl,
                             "the server URL holds a blank or a control character");
    }
}

Verdict useCredentials(Session& session, const std::string& type, const std::string& user,
                       const std::string& password) {
    if (session.cd.set_auth(type, user, password))
        return {};
    return failedBecause(ErrorCode::UnsafeCredential,
                         "the user name or password holds a control character such as a line "
                         "break inside it; no credentials are sent until a usable "
                         "CardDav_SetAuth");
}

void useAnswerCeiling(Session& session, long megabytes) {
    constexpr std::size_t kMegabyte = 1024 * 1024;
    if (megabytes <= 0)
        return;
    const auto asked = static_cast<unsigned long>(megabytes);
    const std::size_t largest = std::numeric_limits<std::size_t>::max() / kMegabyte;
    session.cd.set_answer_ceiling(asked > largest ? std::numeric_limits<std::size_t>::max()
                                                  : asked * kMegabyte);
}

Verdict useMappingFile(Session& session, const std::string& path) {
    if (path.empty())
        return failure(ErrorCode::EmptyMappingPath);
    FieldMap loaded;
    DataMapping().LoadvCardMapping(path, loaded);
    if (loaded.empty()) {
        // An unusable file leaves the built-in vocabulary, not the one loaded before.
        session.current_mapping = createDefaultRawDataMap();
        return failure(ErrorCode::NoMappingLoaded);
    }
    session.current_mapping = std::move(loaded);
    return {};
}
