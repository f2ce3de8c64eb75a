// The frame every external function runs in, written once: how the call begins (the last error
// started afresh, the server's connection checked), the work guarded against exceptions, the
// result handed to the host, and the code recorded as the last error. A function is a `Handler`:
// how it begins, what it answers when it cannot begin or an exception ends it, and its work,
// which reads its arguments, asks the engine and says what to answer.
#pragma once

#include "Engine/CurrentCard.h"
#include "Engine/Verdict.h"
#include "FMWrapper/FMXCalcEngine.h"
#include "FMWrapper/FMXData.h"
#include "Functions/Sessions.h"

#include <string>
#include <variant>
#include <vector>

// What a function answers: nothing (the result is left as the host gave it), a number (also
// how 1 and 0 are answered), a text in UTF-8, or a picture as container data.
using ResultValue = std::variant<std::monostate, long, std::string, PhotoPicture>;

// How a call begins.
enum class Entry {
    // The last error stays as it is, nothing is checked, and the call records no error of its
    // own (the functions that report the last error, or need no server at all).
    Untouched,
    // The last error starts afresh; nothing is checked.
    Fresh,
    // The last error starts afresh and the call stops with 11 while no address-book home is
    // known; `Connected` connects first when no discovery has succeeded yet.
    Checked,
    Connected,
    // As `Checked` and `Connected`, but the work runs whatever the check says, is given its
    // verdict and answers with it, or with a failure of its own.
    CheckedGoOn,
    ConnectedGoOn,
};

// One call: the session it runs in, its arguments, and how its check went.
class Call {
public:
    Call(PluginState& state, const fmx::DataVect& args, fmx::Data& result, Verdict entry);

    PluginState& state;
    // The entry check's verdict (a success where none was run).
    const Verdict entry;

    std::size_t argumentCount() const;
    // Argument `index` (0-based) as UTF-8 text; empty when missing or unreadable.
    std::string text(unsigned index) const;
    // Argument `index` as an integer, or `fallback`.
    long number(unsigned index, long fallback) const;
    bool boolean(unsigned index, bool fallback) const;
    // The bytes of the container argument's picture, with its kind (Functions/HostValues.h).
    std::string picture(unsigned index, std::string& imageType) const;
    // The host's own values, for the few functions that answer in them.
    const fmx::DataVect& arguments() const { return args; }
    fmx::Data& hostResult() const { return result; }

private:
    const fmx::DataVect& args;
    fmx::Data& result;
};

// How a call ended.
struct Reply {
    Verdict verdict;
    ResultValue value;
    // Whether a failure becomes the last error: a list that is still the one held so far hands
    // its code to the host without recording it.
    bool recorded = true;
};

struct Handler {
    Entry entry;
    // The result when the entry check stops the call, and when an exception ends it.
    ResultValue onRefusal;
    ResultValue onException;
    Reply (*work)(Call& call);
};

// Runs `handler` as function `functionId` in the calling session: the whole frame.
fmx::errcode runHandler(const Handler& handler, const fmx::DataVect& args, fmx::Data& result);

// The result values the functions answer with most.
inline ResultValue number(long value) {
    return value;
}
inline ResultValue text(std::string value) {
    return value;
}
constexpr std::monostate nothing{};
// "ERROR", the failure text of most functions that answer with text.
extern const char* const kErrorText;
