// Configuration and connection functions, and the last-error function.

#include "Functions/CardDav.h"

#include "Functions/CardDavFrame.h"
#include "Functions/HostValues.h"

#include <type_traits>

namespace {

// The frame of the configuration functions: they apply their settings whatever the entry check
// says (its code is returned, 11 while no address-book home is known) and answer 1, or 0 after
// an exception or when `apply` refuses a setting with a code of its own.
template <class Apply> fmx::errcode configure(fmx::Data& result, Apply&& apply) {
    const fmx::int16 code = InitFunction(false);
    const fmx::int16 failure = guarded(
        [&] {
            fmx::int16 refused = ErrorCode::None;
            if constexpr (std::is_void_v<decltype(apply())>)
                apply();
            else
                refused = apply();
            SetResult(refused == ErrorCode::None ? 1 : 0, result);
            return refused;
        },
        [&] { SetResult(0, result); });
    return Error(failure != ErrorCode::None ? failure : code);
}

// A setting refused with `code`: that is the call's outcome, in place of the entry check's (11
// while no home is known).
fmx::int16 refuseSetting(fmx::int16 code, std::string reason) {
    resetLastError();
    noteFailure(code, std::move(reason));
    return code;
}

} // namespace

fmx::errcode CardDav_SetServer(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                               fmx::Data& result) {
    return configure(result, [&] {
        PluginState& state = session();
        const ServerUrlProblem problem = state.cd.set_baseurl(textArgument(args, 0));
        state.cd.set_verbose(ParameterToBoolean(args, 1, false));
        state.cd.set_validcert(ParameterToBoolean(args, 2, false));
        state.current_mapping = createDefaultRawDataMap();
        // Nothing of the previous server may be used again, nor may any request go there: its
        // home, its selected book with all that is known of it, and the current card are
        // forgotten. The next function that needs the server connects to the new one.
        state.connected = false;
        state.root_address_url.clear();
        state.book.forget();
        state.group_style = GroupStyle::Cards;
        state.current_vcard_id.clear();
        state.current_vcard = vCard();
        if (problem == ServerUrlProblem::none)
            return ErrorCode::None;
        return refuseSetting(ErrorCode::UnusableUrl,
                             problem == ServerUrlProblem::credentials
                                 ? "the server URL holds a user name or password before its "
                                   "host; give them to CardDav_SetAuth"
                                 : "the server URL holds a blank or a control character");
    });
}

fmx::errcode CardDav_SetAuth(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                             fmx::Data& result) {
    return configure(result, [&] {
        if (session().cd.set_auth(textArgument(args, 0), textArgument(args, 1),
                                  textArgument(args, 2)))
            return ErrorCode::None;
        return refuseSetting(ErrorCode::UnsafeCredential,
                             "the user name or password holds a control character such as a "
                             "line break inside it; no credentials are sent until a usable "
                             "CardDav_SetAuth");
    });
}

fmx::errcode CardDav_SetSsl(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                            fmx::Data& result) {
    return configure(result, [&] {
        session().cd.set_ssl(textArgument(args, 0));
        session().cd.set_validcert(ParameterToBoolean(args, 1, false));
    });
}

fmx::errcode CardDav_SetTimeout(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                fmx::Data& result) {
    return configure(result, [&] { session().cd.set_timeout(ParameterToLong(args, 0, 600)); });
}

fmx::errcode CardDav_Connect(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data& result) {
    // Runs the discovery whatever the connected flag says, so that it also re-discovers after
    // the settings changed; the last error then reports this attempt.
    resetLastError();
    const fmx::int16 code = Connect();
    const fmx::int16 failure = guarded(
        [&] {
            SetResult(1, result);
            return ErrorCode::None;
        },
        [&] { SetResult(0, result); });
    return Error(failure != ErrorCode::None ? failure : code);
}

fmx::errcode CardDav_LastError(short, const fmx::ExprEnv&, const fmx::DataVect&,
                               fmx::Data& result) {
    // Changes nothing, so that it can be called after any function to read its first code.
    return guarded(
        [&] {
            SetResult(session().last_error, result);
            return ErrorCode::None;
        },
        [] {});
}

fmx::errcode CardDav_SetSessionIdleLimit(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                         fmx::Data& result) {
    // Needs no server and runs no entry check: it only says how long this session may rest.
    return guarded(
        [&] {
            const long seconds = ParameterToLong(args, 0, 3600);
            if (seconds >= 0)
                session().idle_limit = std::chrono::seconds(seconds);
            SetResult(1, result);
            return ErrorCode::None;
        },
        [&] { SetResult(0, result); });
}
