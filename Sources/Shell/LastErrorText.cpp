#include "Shell/LastErrorText.h"

#include "FMUtils.h"
#include "Functions/CardDavFrame.h"

#include <array>

namespace {

// The name of function `id` as it is registered, without the "CardDav_" every name but one
// begins with. The names are ASCII.
std::string shortFunctionName(short id) {
    std::array<fmx::unichar16, 256> buffer{};
    ReadString(buffer.data(), static_cast<fmx::uint32>(buffer.size()),
               static_cast<fmx::uint32>(kPrototypeStringBase + id));
    std::string name;
    for (const fmx::unichar16 unit : buffer) {
        if (unit == 0 || unit == u'(' || unit == u' ' || unit > 0x7F)
            break;
        name += static_cast<char>(unit);
    }
    const std::string prefix = "CardDav_";
    return name.compare(0, prefix.size(), prefix) == 0 ? name.substr(prefix.size()) : name;
}

} // namespace

fmx::errcode CardDav_LastErrorText(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                   fmx::Data& result) {
    return guarded(
        [&] {
            const PluginState& state = session();
            std::string text;
            if (state.last_error != ErrorCode::None)
                text =
                    shortFunctionName(state.last_error_function) + ": " + state.last_error_reason;
            SetTextResult(text, result);
            return ErrorCode::None;
        },
        [&] { SetTextResult("ERROR", result); });
}
