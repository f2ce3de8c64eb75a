// One place judges what the server answered: its status, whether its body came whole, and what
// kind of body it is. A verdict is a value the caller must use, and every failed verdict notes
// its reason for CardDav_LastErrorText (the status and its phrase, and the server's own
// explanation where it gave one).
#pragma once

#include "FMWrapper/FMXTypes.h"
#include "Functions/ErrorCodes.h"
#include "Multistatus/xmlParser.h"
#include "Transport/CardDavClient.h"

#include <string>
#include <utility>

struct [[nodiscard]] Verdict {
    fmx::int16 code = ErrorCode::None;
    bool ok() const { return code == ErrorCode::None; }
};

// An answer whose status is all that counts (a GET, a PUT, a DELETE, a discovery step): 200,
// 201, 204 and 207 succeed, every other status fails with its code (handleQuery).
Verdict judgeStatus(const Query& answer);

// An answer that must be a whole WebDAV multistatus (a listing, a report, a property request):
// 207 with a body read as one succeeds. Another success status, or a body cut off or of another
// kind (a maintenance page, a proxy's answer), fails with -1: its emptiness says nothing about
// the server's data.
Verdict judgeMultistatus(const Query& answer, BodyForm form);
template <class Value> Verdict judgeMultistatus(const Query& answer, const Read<Value>& read) {
    return judgeMultistatus(answer, read.form);
}

template <class Value> struct [[nodiscard]] Judged {
    Verdict verdict;
    Value value{}; // empty unless the verdict is a success
};

// Reads a multistatus answer's body with `read` (one of xmlParser's readings, given the body)
// and judges the answer. A failed status is judged before the body is given away, so that its
// reason keeps the server's own words.
template <class Reading> auto judgedMultistatus(Query& answer, Reading&& read) {
    using Value = decltype(read(std::string()).value);
    if (answer.status != 207)
        return Judged<Value>{judgeMultistatus(answer, BodyForm::Unreadable), Value{}};
    auto reading = read(std::move(answer.body));
    const Verdict verdict = judgeMultistatus(answer, reading.form);
    return Judged<Value>{verdict, verdict.ok() ? std::move(reading.value) : Value{}};
}

// A multistatus answer whose body went to `reading` (one of Multistatus' streamed readings) as it
// arrived, judged as judgedMultistatus judges one read whole.
template <class Reading> auto judgedReading(Query& answer, Reading& reading) {
    return judgedMultistatus(answer, [&](const std::string&) { return reading.finish(); });
}

// A failure the function found in an answer that was otherwise fine ("the multiget left out 2
// of the cards asked for"), noted with its reason.
Verdict failedBecause(fmx::int16 code, std::string reason);

// Why an answer failed, as a person reads it: "HTTP 400 Bad Request: must contain at least 1 FN",
// "no answer from the server (Couldn't connect to server)".
std::string answerReason(const Query& answer);
