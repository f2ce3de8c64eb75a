// Configuration and connection functions, and the last-error function.

#include "Functions/CardDav.h"

#include "Functions/CardDavFrame.h"
#include "Functions/HostValues.h"

namespace {

// The frame of the configuration functions: they apply their settings whatever the entry check
// says (its code is returned, 11 while no address-book home is known) and answer 1, or 0 after
// an exception.
template <class Apply> fmx::errcode configure(fmx::Data& result, Apply&& apply) {
    const fmx::int16 code = InitFunction(false);
    const fmx::int16 failure = guarded(
        [&] {
            apply();
            SetResult(1, result);
            return ErrorCode::None;
        },
        [&] { SetResult(0, result); });
    return Error(failure != ErrorCode::None ? failure : code);
}

} // namespace

fmx::errcode CardDav_SetServer(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                               fmx::Data& result) {
    return configure(result, [&] {
        PluginState& state = session();
        state.cd.set_baseurl(textArgument(args, 0));
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
    });
}

fmx::errcode CardDav_SetAuth(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                             fmx::Data& result) {
    return configure(result, [&] {
        session().cd.set_auth(textArgument(args, 0), textArgument(args, 1), textArgument(args, 2));
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
