// Configuration and connection functions, the field vocabulary, and the last error's code.

#include "Engine/Discovery.h"
#include "Engine/Settings.h"
#include "FunctionHandlers.h"
#include "Functions/Frame.h"
#include "Functions/ResultLines.h"

#include <chrono>

namespace {

// The configuration functions apply their settings whatever the entry check says (its code is
// returned, 11 while no address-book home is known) and answer 1, or 0 after an exception or
// when a setting is refused.
constexpr Entry kConfiguring = Entry::CheckedGoOn;

// Answers 1 with the entry check's verdict, or 0 with the refusal of a setting, which is then the
// call's outcome in place of the check's.
Reply configured(Call& call, Verdict applied = {}) {
    if (!applied.ok())
        return {std::move(applied), number(0)};
    return {call.entry, number(1)};
}

} // namespace

const Handler CardDav_SetServer{kConfiguring, nothing, number(0), [](Call& call) {
                                    return configured(call, useServer(call.state, call.text(0),
                                                                      call.boolean(1, false),
                                                                      call.boolean(2, false)));
                                }};

const Handler CardDav_SetAuth{
    kConfiguring, nothing, number(0), [](Call& call) {
        return configured(call,
                          useCredentials(call.state, call.text(0), call.text(1), call.text(2)));
    }};

const Handler CardDav_SetSsl{kConfiguring, nothing, number(0), [](Call& call) {
                                 call.state.cd.set_ssl(call.text(0));
                                 call.state.cd.set_validcert(call.boolean(1, false));
                                 return configured(call);
                             }};

const Handler CardDav_SetTimeout{kConfiguring, nothing, number(0), [](Call& call) {
                                     call.state.cd.set_timeout(call.number(0, 600));
                                     useAnswerCeiling(call.state, call.number(1, 0));
                                     return configured(call);
                                 }};

// Runs the discovery whatever the connected flag says, so that it also re-discovers after the
// settings changed; the last error then reports this attempt.
const Handler CardDav_Connect{Entry::Fresh, nothing, number(0), [](Call& call) {
                                  return Reply{Connect(call.state), number(1)};
                              }};

// Changes nothing, so that it can be called after any function to read its first code.
const Handler CardDav_LastError{Entry::Untouched, nothing, nothing, [](Call& call) {
                                    return Reply{{}, number(call.state.last_error)};
                                }};

// Needs no server and runs no entry check: it only says how long this session may rest.
const Handler CardDav_SetSessionIdleLimit{Entry::Untouched, nothing, number(0), [](Call& call) {
                                              const long seconds = call.number(0, 3600);
                                              if (seconds >= 0)
                                                  call.state.idle_limit =
                                                      std::chrono::seconds(seconds);
                                              return Reply{{}, number(1)};
                                          }};

// Nothing is loaded without an address-book home, so the answer is 0 then too.
const Handler CardDav_SetMapping{Entry::Checked, number(0), number(0), [](Call& call) {
                                     Verdict loaded = useMappingFile(call.state, call.text(0));
                                     const long answer = loaded.ok() ? 1 : 0;
                                     return Reply{std::move(loaded), number(answer)};
                                 }};

// Needs no server and runs no entry check: it only shows the vocabulary in force, one
// `field,PROPERTY[,TYPE]` line per field.
const Handler CardDav_GetMapping{Entry::Untouched, nothing, text(kErrorText), [](Call& call) {
                                     std::vector<std::string> rows;
                                     for (const auto& [name, entry] : call.state.current_mapping)
                                         rows.push_back(
                                             name + "," + entry.property +
                                             (entry.type.empty() ? "" : "," + entry.type));
                                     return Reply{{}, text(listText(rows))};
                                 }};
