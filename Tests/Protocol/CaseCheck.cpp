#include "CaseCheck.h"

#include "Utils/AsciiCase.h"

#include <algorithm>
#include <cstdio>

namespace {

// The lines of both lists, those only expected marked "-", those only received "+" (a longest
// common subsequence; the lists are short).
std::string lineDifference(const std::vector<std::string>& expected,
                           const std::vector<std::string>& received) {
    const std::size_t n = expected.size();
    const std::size_t m = received.size();
    std::vector<std::vector<std::size_t>> common(n + 1, std::vector<std::size_t>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            common[i][j] = expected[i] == received[j]
                               ? common[i + 1][j + 1] + 1
                               : std::max(common[i + 1][j], common[i][j + 1]);
    std::string text;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && expected[i] == received[j]) {
            text += "    " + expected[i++] + "\n";
            ++j;
        } else if (j < m && (i == n || common[i][j + 1] >= common[i + 1][j])) {
            text += "  + " + received[j++] + "\n";
        } else {
            text += "  - " + expected[i++] + "\n";
        }
    }
    return text;
}

std::string comparison(const std::string& expected, const std::string& received) {
    return "\n  expected: " + expected + "\n  received: " + received;
}

void checkRequest(const ExpectedRequest& expected, std::size_t number,
                  const loopback::Request& request, std::vector<std::string>& differences) {
    const std::string name = "request " + std::to_string(number) + " (" + request.requestLine + ")";
    if (expected.requestLine && *expected.requestLine != request.requestLine)
        differences.push_back("request " + std::to_string(number) + ": request line" +
                              comparison(*expected.requestLine, request.requestLine));
    for (const auto& [header, value] : expected.headers) {
        const std::optional<std::string> sent = request.header(header);
        if (sent != value)
            differences.push_back(
                name + ": header " + header +
                comparison(value ? quoted(*value) : "(absent)", sent ? quoted(*sent) : "(absent)"));
    }
    if (expected.body && *expected.body != request.body)
        differences.push_back(name + ": body" +
                              comparison(quoted(*expected.body), quoted(request.body)));
    std::size_t from = 0;
    for (const std::string& part : expected.bodyParts) {
        const std::size_t at = request.body.find(part, from);
        if (at == std::string::npos) {
            differences.push_back(name + ": the body lacks " + quoted(part) +
                                  (from > 0 ? " (after the parts before it)" : "") +
                                  "\n  body: " + quoted(request.body));
            return;
        }
        from = at + part.size();
    }
}

std::string numberText(double number) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", number);
    return text;
}

// The statements `reference` names ("$name" or a script line).
std::vector<const ReportedStatement*> named(const std::string& reference,
                                            const std::vector<ReportedStatement>& reported) {
    std::vector<const ReportedStatement*> found;
    for (const ReportedStatement& statement : reported) {
        const bool matches = reference.front() == '$'
                                 ? equalsIgnoringAsciiCase(statement.variable, reference.substr(1))
                                 : std::to_string(statement.line) == reference;
        if (matches)
            found.push_back(&statement);
    }
    return found;
}

void checkResult(const ExpectedResult& expected, const ReportedStatement& statement,
                 std::vector<std::string>& differences) {
    const std::string name =
        expected.statement + " (script line " + std::to_string(statement.line) + ")";
    const std::string received =
        statement.type == "text" ? quoted(statement.text) : statement.type + " " + statement.text;
    if (expected.error && *expected.error != statement.error)
        differences.push_back(
            name + ": error" +
            comparison(std::to_string(*expected.error), std::to_string(statement.error)));
    if (expected.number && (statement.type != "number" || *expected.number != statement.number))
        differences.push_back(name + ": result" +
                              comparison("number " + numberText(*expected.number), received));
    if (expected.text && (statement.type != "text" || *expected.text != statement.text))
        differences.push_back(name + ": result" + comparison(quoted(*expected.text), received));
    for (const std::string& part : expected.textParts)
        if (statement.type != "text" || statement.text.find(part) == std::string::npos)
            differences.push_back(name + ": the result lacks " + quoted(part) +
                                  "\n  received: " + received);
}

} // namespace

std::string quoted(const std::string& text) {
    std::string written = "\"";
    for (const char c : text) {
        if (c == '\r')
            written += "\\r";
        else if (c == '\t')
            written += "\\t";
        else if (c == '\n')
            written += "\\n";
        else if (c == '\\')
            written += "\\\\";
        else if (static_cast<unsigned char>(c) < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(c));
            written += code;
        } else
            written += c;
    }
    return written + "\"";
}

std::vector<std::string> requestDifferences(const ProtocolCase& expected,
                                            const std::vector<loopback::Request>& received) {
    std::vector<std::string> differences;
    std::vector<std::string> lines;
    for (const loopback::Request& request : received)
        lines.push_back(request.requestLine);
    if (expected.requestLines && *expected.requestLines != lines)
        differences.push_back("requests (- expected, + received):\n" +
                              lineDifference(*expected.requestLines, lines));
    for (const ExpectedRequest& request : expected.requests) {
        if (request.index == 0) {
            for (std::size_t i = 0; i < received.size(); ++i)
                checkRequest(request, i + 1, received[i], differences);
        } else if (request.index > received.size()) {
            differences.push_back("request " + std::to_string(request.index) + ": only " +
                                  std::to_string(received.size()) + " requests were received");
        } else {
            checkRequest(request, request.index, received[request.index - 1], differences);
        }
    }
    return differences;
}

std::vector<std::string> resultDifferences(const ProtocolCase& expected,
                                           const std::vector<ReportedStatement>& reported) {
    std::vector<std::string> differences;
    for (const ExpectedResult& result : expected.results) {
        const std::vector<const ReportedStatement*> statements = named(result.statement, reported);
        if (statements.size() == 1)
            checkResult(result, *statements.front(), differences);
        else if (statements.empty())
            differences.push_back(result.statement + ": no statement of the script (line " +
                                  std::to_string(result.line) + " of the case)");
        else
            differences.push_back(result.statement + ": set by " +
                                  std::to_string(statements.size()) +
                                  " statements; name it by its script line instead");
    }
    return differences;
}
