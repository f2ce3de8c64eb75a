// One place judges what the server answered: what its status means, whether its body came whole,
// what kind of body it is, and which entity tag it names. A verdict is a value the caller must
// use, and every failed verdict carries its reason for the error text (the status and its
// phrase, and the server's own explanation where it gave one), with the session's secrets taken
// out.
#pragma once

#include "Engine/Verdict.h"
#include "Multistatus/xmlParser.h"
#include "Transport/CardDavClient.h"

#include <string>
#include <utility>

// The code of an answer by its status alone: 0 for the success statuses 200, 201, 204 and 207;
// 24 for credentials refused (401, or 403 asking for credentials); 43, 44, 47 for 403, 404, 500;
// 46 and 45 for the client's certificate and abort failures; 28 for an answer given up beyond
// the answer ceiling; without any answer 25 (unreachable, timed out or stalled), 26 (no secure
// connection) or 27 (a URL libcurl cannot use); -1 for everything else.
Code handleQuery(const Query& query);

// The entity tag the final response's ETag header names, as tags are kept; empty when it names
// none.
std::string getEtag(const std::string& headers);

// What a status means where a function must tell it apart.
// A WebDAV multistatus (207), whatever its body holds.
bool isMultistatus(const Query& answer);
// The server refused the request as forbidden (403).
bool isForbidden(const Query& answer);
// A guarded write (If-Match) refused because the resource changed since that tag.
bool isConflict(const Query& answer);
// The resource is not there (any more): 404 or 410.
bool isGone(const Query& answer);
// A server that will not answer a report on a whole book (it refuses, caps or finds it too
// large): 400, 403, 413, 501, 507.
bool refusesWholeBookReport(const Query& answer);
// A refusal of a property request (4xx), as a server without sync support answers the request
// for the sync token.
bool isClientError(const Query& answer);

// Where the server says it put the resource a PUT created (the Location of its answer, resolved
// against the request's URL); empty when it names no other place than the request's.
std::string createdAt(const Query& answer);

// How a refused sync-collection request is told to the script.
enum class SyncRefusal { TokenExpired, NotSupported, Other };
SyncRefusal syncRefusal(const Query& answer);

// An answer whose status is all that counts (a GET, a PUT, a DELETE, a discovery step): 200,
// 201, 204 and 207 succeed, every other status fails with its code (handleQuery).
Verdict judgeStatus(const CardDavClient& client, const Query& answer);

// An answer that must be a whole WebDAV multistatus (a listing, a report, a property request):
// 207 with a body read as one succeeds. Another success status, or a body cut off or of another
// kind (a maintenance page, a proxy's answer), fails with -1: its emptiness says nothing about
// the server's data.
Verdict judgeMultistatus(const CardDavClient& client, const Query& answer, BodyForm form);

// Reads a multistatus answer's body with `read` (one of xmlParser's readings, given the body)
// and judges the answer. A failed status is judged before the body is given away, so that its
// reason keeps the server's own words.
template <class Reading>
auto judgedMultistatus(const CardDavClient& client, Query& answer, Reading&& read) {
    using Value = decltype(read(std::string()).value);
    if (!isMultistatus(answer))
        return Judged<Value>{judgeMultistatus(client, answer, BodyForm::Unreadable), Value{}};
    auto reading = read(std::move(answer.body));
    Verdict verdict = judgeMultistatus(client, answer, reading.form);
    const bool ok = verdict.ok();
    return Judged<Value>{std::move(verdict), ok ? std::move(reading.value) : Value{}};
}

// A multistatus answer whose body went to `reading` (one of Multistatus' streamed readings) as it
// arrived, judged as judgedMultistatus judges one read whole.
template <class Reading>
auto judgedReading(const CardDavClient& client, Query& answer, Reading& reading) {
    return judgedMultistatus(client, answer,
                             [&](const std::string&) { return reading.finish(); });
}

// Why an answer failed, as a person reads it: "HTTP 400 Bad Request: must contain at least 1 FN",
// "no answer from the server (Couldn't connect to server)".
std::string answerReason(const CardDavClient& client, const Query& answer);
