#include "Functions/AnswerJudge.h"

#include "Functions/CardDavState.h"
#include "Utils/AsciiCase.h"

#include <utility>

namespace {

// How much of a text body an error reason shows.
constexpr std::size_t kShownBodyLength = 200;

// The reason phrase of the last status line of `headers` ("Precondition Failed"); the usual
// phrase of the status where the server sent none (HTTP/2 sends none).
std::string reasonPhrase(const std::string& headers, int status) {
    std::string phrase;
    for (std::size_t at = 0; at < headers.size();) {
        std::size_t end = headers.find('\n', at);
        if (end == std::string::npos)
            end = headers.size();
        std::string_view line(headers.data() + at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (startsWithIgnoringAsciiCase(line, "HTTP/")) {
            const std::size_t code = line.find(' ');
            const std::size_t text =
                code == std::string_view::npos ? code : line.find(' ', code + 1);
            phrase = text == std::string_view::npos ? "" : std::string(line.substr(text + 1));
        }
        at = end + 1;
    }
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

// The value of the header `name` (the last response's), empty when there is none.
std::string headerValue(const std::string& headers, std::string_view name) {
    std::string value;
    for (std::size_t at = 0; at < headers.size();) {
        std::size_t end = headers.find('\n', at);
        if (end == std::string::npos)
            end = headers.size();
        std::string_view line(headers.data() + at, end - at);
        if (startsWithIgnoringAsciiCase(line, "HTTP/"))
            value.clear();
        else if (line.size() > name.size() && line[name.size()] == ':' &&
                 startsWithIgnoringAsciiCase(line, name))
            value = std::string(line.substr(name.size() + 1));
        at = end + 1;
    }
    const std::size_t first = value.find_first_not_of(" \t");
    const std::size_t last = value.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : value.substr(first, last - first + 1);
}

// A text body as one readable line: markup left out, runs of blanks as one space, cut at
// kShownBodyLength characters (never inside a UTF-8 character).
std::string readableText(const std::string& body) {
    std::string text;
    bool inTag = false;
    bool blank = false;
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
        if (text.size() >= kShownBodyLength)
            break;
    }
    while (text.size() > kShownBodyLength ||
           (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80))
        text.pop_back();
    if (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0xC0)
        text.pop_back();
    return text;
}

// What the server said of its refusal: the conditions a WebDAV error body names, or the start
// of a text body.
std::string serverExplanation(const Query& answer) {
    const std::vector<std::string> conditions = xmlParser().davErrorConditions(answer.body);
    if (!conditions.empty()) {
        std::string named;
        for (const std::string& condition : conditions)
            named += (named.empty() ? "" : ", ") + condition;
        return named;
    }
    const std::string type = toLowerAscii(headerValue(answer.headers, "Content-Type"));
    if (type.empty() || type.rfind("text/", 0) == 0 || type.find("xml") != std::string::npos ||
        type.find("json") != std::string::npos)
        return readableText(answer.body);
    return "";
}

Verdict noted(fmx::int16 code, const Query& answer) {
    if (code != ErrorCode::None)
        noteFailure(code, answerReason(answer));
    return {code};
}

} // namespace

std::string answerReason(const Query& answer) {
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
    const std::string explanation = serverExplanation(answer);
    if (!explanation.empty())
        reason += ": " + explanation;
    return reason;
}

Verdict judgeStatus(const Query& answer) {
    return noted(handleQuery(answer), answer);
}

Verdict judgeMultistatus(const Query& answer, BodyForm form) {
    if (answer.status != 207) {
        const fmx::int16 code = handleQuery(answer);
        if (code != ErrorCode::None)
            return noted(code, answer);
        return failedBecause(ErrorCode::Failed,
                             answerReason(answer) + ", where a WebDAV multistatus was expected");
    }
    if (form == BodyForm::Multistatus)
        return {};
    return failedBecause(ErrorCode::Failed, form == BodyForm::Unreadable
                                                ? "the server's answer was cut off or is no XML"
                                                : "the server's answer is no WebDAV multistatus");
}

Verdict failedBecause(fmx::int16 code, std::string reason) {
    noteFailure(code, std::move(reason));
    return {code};
}
