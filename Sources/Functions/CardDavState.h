// The plug-in state that every external function shares, the entry check and error recording of
// the common handler frame, and the connection (principal and address-book home discovery).
//
// The state lives as long as the plug-in library is loaded; nothing of it is saved.
#pragma once

#include "FMWrapper/FMXTypes.h"
#include "Functions/ErrorCodes.h"
#include "Functions/GroupStyle.h"
#include "Functions/SelectedBook.h"
#include "Mapping/DataMapping.h"
#include "Multistatus/xmlParser.h"
#include "Transport/CardDavClient.h"
#include "vCard/vCard.h"

#include <chrono>
#include <map>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Everything the external functions of one host session share (Functions/Sessions.h). The calls
// of a session run one after another, so the members need no locking of their own. Nothing of an
// answer is kept beyond its call but what is named here.
struct PluginState {
    CardDavClient cd;
    // The first non-zero code recorded since the last entry check, the function whose call
    // recorded it (its ID) and why, as CardDav_LastErrorText tells it.
    fmx::int16 last_error = 0;
    short last_error_function = 0;
    std::string last_error_reason;
    // The function whose call is running, and why its failures so far failed (the first
    // reason noted for each code).
    short calling_function = 0;
    std::vector<std::pair<fmx::int16, std::string>> failure_notes;
    // Set once a discovery got successful answers to both of its requests.
    bool connected = false;
    // The address-book home; empty until a connection found one (the entry check then fails
    // with 11).
    std::string root_address_url;
    // The selected address book and what is known of it.
    SelectedBook book;
    // How the script wants the book's groups kept (Functions/GroupStyle.h).
    GroupStyle group_style = GroupStyle::Cards;
    // The current card: its UID, and the card as read and edited.
    std::string current_vcard_id;
    vCard current_vcard;
    FieldMap current_mapping;
    // How long the session may rest before its state is freed, when other sessions run beside
    // it.
    std::chrono::milliseconds idle_limit = std::chrono::hours(1);
};

// The state of the session whose call runs on this thread (Functions/Sessions.h).
PluginState& session();

// Forgets the last error and the reasons noted for it, as a new call begins.
void resetLastError();

// The entry check: resets the last error, connects first when `connect` is set and no
// discovery has succeeded yet, and fails with 11 while no address-book home is known.
fmx::int16 InitFunction(bool connect);

// `url` (absolute, or a path on the connected server) as a URL on the server the connection
// found: the origin of the address-book home, the only place the session's requests, and its
// credentials, may go (an http URL of that host taken as https where the home is https).
// Nothing when it leads elsewhere, or while no home is known.
std::optional<std::string> onConnectedServer(const std::string& url);

// Records `code` as the last error unless one is already recorded, with the reason noted for it
// in this call (or the code's own description); returns `code`.
fmx::int16 Error(fmx::int16 code);

// Notes why a failure with `code` happened in the running call ("HTTP 412 Precondition Failed",
// "the server's multiget left out 2 cards"), unless a reason is noted for that code already.
void noteFailure(fmx::int16 code, std::string reason);

// The code of a function that makes several writes and reports how they went: the first
// failure's code, which a later success does not take back.
struct FirstFailure {
    fmx::int16 code = ErrorCode::None;
    void record(fmx::int16 writeCode) {
        if (code == ErrorCode::None)
            code = writeCode;
    }
};

// 0 for the success statuses 200, 201, 204 and 207; 43, 44, 47 for 403, 404, 500; 46 and 45 for
// the client's certificate and abort failures; -1 for everything else.
fmx::int16 handleQuery(Query query);

// The entity tag of a response's header lines (the header name in any case), without spaces and
// quotes; empty when there is none. The first ETag line wins.
std::string getEtag(std::string headers);

// Principal and address-book home discovery on the configured server: at the base URL first
// (or at the DAV root an earlier discovery found there), then, when that names no principal, at
// /.well-known/carddav on its host, following redirects; the URL that answered there becomes the
// DAV root. Returns 0, the code of a failed request (the first attempt's when both failed), or 2
// when an exception ended it.
fmx::int16 Connect();

// Runs a handler's work and turns exceptions into codes: std::bad_alloc gives 7, any other
// std::exception -1, after `onFailure` has set the failure result (a host error while setting
// it is ignored: the code already says what went wrong).
template <class Work, class Failure> fmx::int16 guarded(Work&& work, Failure&& onFailure) {
    fmx::int16 code;
    try {
        return work();
    } catch (const std::bad_alloc&) {
        code = ErrorCode::OutOfMemory;
    } catch (const std::exception&) {
        code = ErrorCode::Failed;
    }
    try {
        onFailure();
    } catch (const std::exception&) {
    }
    return code;
}
