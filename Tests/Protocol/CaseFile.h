// A protocol case read from its file: the fmhost script, the server's answers, and what the
// requests and the statements' outcomes must be. Tests/Protocol/README.md describes the format.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A case file that cannot be read, with "file:line: " before what is wrong.
class CaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CaseAnswer {
    // Both empty: the next answer in order. Method "*" takes any method.
    std::string method;
    std::string target;
    // The status line as written ("HTTP/1.1 207 Multi-Status"), split.
    std::string version;
    int status = 200;
    std::string reason;
    std::vector<std::string> headerLines;
    std::string body;
    // The connection is closed after the answer (always after an HTTP/1.0 one).
    bool close = false;
    // The connection is closed without any answer.
    bool hangup = false;
    int line = 0; // of its section header, for messages
};

struct ExpectedRequest {
    // 1 for the first request the server received; 0 for every request.
    std::size_t index = 0;
    std::optional<std::string> requestLine;
    // Header name with the value it must have; no value: the header must be absent.
    std::vector<std::pair<std::string, std::optional<std::string>>> headers;
    // The whole body (exact), or pieces that must appear in it in order.
    std::optional<std::string> body;
    std::vector<std::string> bodyParts;
    int line = 0;
};

struct ExpectedResult {
    // "$name" (the statement that sets the variable) or a line number of the script.
    std::string statement;
    std::optional<long> error;
    std::optional<double> number;
    std::optional<std::string> text;
    std::vector<std::string> textParts; // each must appear in the text
    int line = 0;
};

struct ProtocolCase {
    std::string title;
    std::string script;
    std::vector<CaseAnswer> answers;
    std::optional<std::vector<std::string>> requestLines;
    std::vector<ExpectedRequest> requests;
    std::vector<ExpectedResult> results;
};

// Reads `file`, replacing each key of `placeholders` ("%SERVER%") by its value everywhere but
// in the script. Throws CaseError.
ProtocolCase readCase(const std::filesystem::path& file,
                      const std::map<std::string, std::string>& placeholders);
