#include "Engine/AnswerJudge.h"

#include "Transport/EntityTag.h"
#include "Transport/HrefResolver.h"
#include "Transport/ResponseHeaders.h"
#include "Utils/AsciiCase.h"

#include <algorithm>

#include <utility>

namespace {

// How much of a text body an error reason shows.
constexpr std::size_t kShownBodyLength = 200;

// The reason phrase of the final status line ("Precondition Failed"); the usual phrase of the
// status where the server sent none (HTTP/2 sends none).
std::string reasonPhrase(const std::string& headers, int status) {
    const std::string phrase = finalReasonPhrase(headers);
    if (!phrase.empty())
        return phrase;
    switch (status) {
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 412:
        return "Precondition Failed";
    case 413:
        return "Payload Too Large";
    case 415:
        return "Unsupported Media Type";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 507:
        return "Insufficient Storage";
    default:
        return "";
    }
}

// A text body as one readable line: markup left out, runs of blanks as one space, cut at
// kShownBodyLength characters (never inside a UTF-8 character); `cut` tells whether it was.
std::string readableText(const std::string& body, bool& cut) {
    std::string text;
    bool inTag = false;
    bool blank = false;
    cut = false;
    for (const char c : body) {
        if (c == '<') {
            inTag = true;
            continue;
        }
        if (inTag) {
            inTag = c != '>';
            if (!inTag)
                blank = true;
            continue;
        }
        const bool isBlank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (isBlank) {
            blank = true;
            continue;
        }
        if (blank && !text.empty())
            text += ' ';
        blank = false;
        text += c;
        if (text.size() >= kShownBodyLength) {
            cut = true;
            break;
        }
    }
    while (text.size() > kShownBodyLength ||
           (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80))
        text.pop_back();
    if (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0xC0)
        text.pop_back();
    return text;
}

// What the server said of its refusal: the reason a WebDAV error body gives (SabreDAV's message,
// or the conditions it names), or the start of a text body. The session's secrets are taken out
// of the whole body before it is cut, so that no part of one is left at the cut.
std::string serverExplanation(const CardDavClient& client, const Query& answer) {
    const SecretForms& secrets = client.secret_forms();
    std::string reason = xmlParser().davErrorReason(answer.body);
    if (!reason.empty())
        return secrets.hiddenIn(reason);
    const std::string type = toLowerAscii(finalHeader(answer.headers, "Content-Type"));
    if (type.empty() || type.rfind("text/", 0) == 0 || type.find("xml") != std::string::npos ||
        type.find("json") != std::string::npos) {
        bool cut = false;
        const std::string text = readableText(secrets.hiddenIn(answer.body), cut);
        return secrets.hiddenIn(text, cut);
    }
    return "";
}

Verdict noted(const CardDavClient& client, Code code, const Query& answer) {
    if (code == ErrorCode::None)
        return {};
    return failedBecause(code, answerReason(client, answer));
}

bool isAcceptedStatus(int status) {
    return status == 200 || status == 201 || status == 204 || status == 207;
}

// The code of a request that got no answer at all.
Code transportCode(TransportFailure failure) {
    switch (failure) {
    case TransportFailure::Unreachable:
        return ErrorCode::ServerUnreachable;
    case TransportFailure::Tls:
        return ErrorCode::TlsFailed;
    case TransportFailure::UnusableUrl:
        return ErrorCode::UnusableUrl;
    default:
        return ErrorCode::Failed;
    }
}

} // namespace

std::string answerReason(const CardDavClient& client, const Query& answer) {
    if (answer.beyondCeiling)
        return answer.failure;
    switch (answer.status) {
    case 0:
        return "no answer from the server" +
               (answer.failure.empty() ? std::string() : " (" + answer.failure + ")");
    case CardDavClient::kCertificateFailed:
        return "the server's certificate could not be verified" +
               (answer.failure.empty() ? std::string() : " (" + answer.failure + ")");
    case CardDavClient::kAbortedByCallback:
        return "the transfer was aborted before the answer was complete; a write may have been "
               "carried out";
    default:
        break;
    }
    std::string reason = "HTTP " + std::to_string(answer.status);
    const std::string phrase = reasonPhrase(answer.headers, answer.status);
    if (!phrase.empty())
        reason += " " + phrase;
    const std::string explanation = serverExplanation(client, answer);
    if (!explanation.empty())
        reason += ": " + explanation;
    return client.secret_forms().hiddenIn(reason);
}

Code handleQuery(const Query& query) {
    if (query.beyondCeiling)
        return ErrorCode::AnswerTooLarge;
    if (isAcceptedStatus(query.status))
        return ErrorCode::None;
    switch (query.status) {
    case 0:
        return transportCode(query.failureKind);
    case 401:
        return ErrorCode::CredentialsRefused;
    case 403:
        // A refusal that asks for credentials is one of the credentials given.
        return finalHeader(query.headers, "WWW-Authenticate").empty()
                   ? ErrorCode::Forbidden
                   : ErrorCode::CredentialsRefused;
    case 404:
        return ErrorCode::NotFound;
    case 500:
        return ErrorCode::ServerError;
    case CardDavClient::kCertificateFailed:
        return ErrorCode::CertificateFailed;
    case CardDavClient::kAbortedByCallback:
        return ErrorCode::TransferAborted;
    default:
        return ErrorCode::Failed;
    }
}

std::string getEtag(const std::string& headers) {
    return storedEntityTag(finalHeader(headers, "ETag"));
}

std::string createdAt(const Query& answer) {
    const std::string location = finalHeader(answer.headers, "Location");
    if (location.empty())
        return "";
    const std::string url = resolveHref(answer.url, location);
    return normalUrl(url) == normalUrl(answer.url) ? "" : url;
}

bool isMultistatus(const Query& answer) {
    return answer.status == 207;
}

bool isForbidden(const Query& answer) {
    return answer.status == 403;
}

bool isConflict(const Query& answer) {
    return answer.status == 412;
}

bool isGone(const Query& answer) {
    return answer.status == 404 || answer.status == 410;
}

bool refusesWholeBookReport(const Query& answer) {
    const int refusals[] = {400, 403, 413, 501, 507};
    return std::find(std::begin(refusals), std::end(refusals), answer.status) != std::end(refusals);
}

bool isClientError(const Query& answer) {
    return answer.status >= 400 && answer.status < 500;
}

SyncRefusal syncRefusal(const Query& answer) {
    const std::vector<std::string> conditions = xmlParser().davErrorConditions(answer.body);
    const auto names = [&](const char* condition) {
        return std::find(conditions.begin(), conditions.end(), condition) != conditions.end();
    };
    if (isClientError(answer) && names("valid-sync-token"))
        return SyncRefusal::TokenExpired;
    if (answer.status == 400 || answer.status == 405 || answer.status == 501 ||
        names("supported-report"))
        return SyncRefusal::NotSupported;
    return SyncRefusal::Other;
}

Verdict judgeStatus(const CardDavClient& client, const Query& answer) {
    return noted(client, handleQuery(answer), answer);
}

Verdict judgeMultistatus(const CardDavClient& client, const Query& answer, BodyForm form) {
    if (!isMultistatus(answer)) {
        const Code code = handleQuery(answer);
        if (code != ErrorCode::None)
            return noted(client, code, answer);
        return failedBecause(ErrorCode::Failed, answerReason(client, answer) +
                                                    ", where a WebDAV multistatus was expected");
    }
    if (form == BodyForm::Multistatus)
        return {};
    return failedBecause(ErrorCode::Failed, form == BodyForm::Unreadable
                                                ? "the server's answer was cut off or is no XML"
                                                : "the server's answer is no WebDAV multistatus");
}
