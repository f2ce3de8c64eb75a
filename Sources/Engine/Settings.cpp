#include "Engine/Settings.h"

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
