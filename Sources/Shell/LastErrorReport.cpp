// CardDav_LastErrorText( ) and CardDav_LastErrorDetail( ): the last error for the people who read
// it, the user and the developer.

#include "FunctionHandlers.h"
#include "Shell/FunctionTable.h"

#include <string>

namespace {

// The name of function `id` without the "CardDav_" every name but one begins with.
std::string shortFunctionName(short id) {
    const FunctionRow* row = functionRow(id);
    if (!row)
        return "";
    constexpr std::string_view prefix = "CardDav_";
    std::string_view name = row->name;
    if (name.substr(0, prefix.size()) == prefix)
        name.remove_prefix(prefix.size());
    return std::string(name);
}

} // namespace

// The last error as one short sentence an end user can be shown ("The server refused the user
// name or password."); empty while the last error is 0. Runs no entry check and changes nothing.
const Handler CardDav_LastErrorText{
    Entry::Untouched, nothing, text(kErrorText), [](Call& call) {
        return Reply{{}, text(errorSentence(call.state.last_error))};
    }};

// The last error for the developer: the function that recorded it, what failed, the HTTP status
// and the server's own reason or the transport's words, never a secret: "SaveCard: HTTP 400 Bad
// Request: must contain at least 1 FN". Empty while the last error is 0. Runs no entry check and
// changes nothing.
const Handler CardDav_LastErrorDetail{
    Entry::Untouched, nothing, text(kErrorText), [](Call& call) {
        const PluginState& state = call.state;
        if (state.last_error == ErrorCode::None)
            return Reply{{}, text("")};
        return Reply{
            {},
            text(shortFunctionName(state.last_error_function) + ": " + state.last_error_reason)};
    }};
