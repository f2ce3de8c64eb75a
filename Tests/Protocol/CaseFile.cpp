#include "CaseFile.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

struct Section {
    std::string name;
    std::vector<std::string> arguments;
    std::vector<std::string> lines;
    int line = 0; // of the "--- name" line
};

const std::string kSectionMark = "--- ";

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> list;
    for (std::string word; in >> word;)
        list.push_back(word);
    return list;
}

std::string replaced(std::string text, const std::map<std::string, std::string>& placeholders) {
    for (const auto& [key, value] : placeholders)
        for (std::size_t at = text.find(key); at != std::string::npos;
             at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    return text;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

class Reader {
public:
    Reader(const std::filesystem::path& file,
           const std::map<std::string, std::string>& placeholders)
        : file_(file.string()) {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            throw CaseError(file_ + ": cannot be read");
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            ++number;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.rfind(kSectionMark, 0) == 0) {
                // " # ..." after the section's name and arguments is a comment.
                const std::string headerText = line.substr(kSectionMark.size());
                const std::vector<std::string> header =
                    words(headerText.substr(0, headerText.find(" #")));
                if (header.empty())
                    fail(number, "a section needs a name");
                sections_.push_back(
                    {header.front(), {header.begin() + 1, header.end()}, {}, number});
            } else if (!sections_.empty()) {
                sections_.back().lines.push_back(
                    sections_.back().name == "script" ? line : replaced(line, placeholders));
            }
        }
        for (Section& section : sections_)
            while (!section.lines.empty() && trimmed(section.lines.back()).empty())
                section.lines.pop_back();
    }

    ProtocolCase read() {
        ProtocolCase result;
        bool hasScript = false;
        for (const Section& section : sections_) {
            if (section.name == "case")
                result.title = section.lines.empty() ? "" : section.lines.front();
            else if (section.name == "script") {
                for (const std::string& line : section.lines)
                    result.script += line + "\n";
                hasScript = true;
            } else if (section.name == "answer")
                result.answers.push_back(answer(section));
            else if (section.name == "requests")
                result.requestLines = listed(section);
            else if (section.name == "request")
                result.requests.push_back(request(section));
            else if (section.name == "result")
                result.results.push_back(outcome(section));
            else
                fail(section.line, "unknown section \"" + section.name + "\"");
        }
        if (!hasScript)
            throw CaseError(file_ + ": no script section");
        return result;
    }

private:
    [[noreturn]] void fail(int line, const std::string& message) const {
        throw CaseError(file_ + ":" + std::to_string(line) + ": " + message);
    }

    // The arguments of `section` that are among `known`; the others go to `rest`.
    std::vector<std::string> takeOptions(const Section& section, std::vector<std::string>& rest,
                                         const std::vector<std::string>& known) const {
        std::vector<std::string> options;
        std::vector<std::string> others;
        for (const std::string& argument : section.arguments)
            (std::find(known.begin(), known.end(), argument) != known.end() ? options : others)
                .push_back(argument);
        rest = others;
        return options;
    }

    static bool has(const std::vector<std::string>& options, const std::string& option) {
        return std::find(options.begin(), options.end(), option) != options.end();
    }

    // Lines joined as a body: each ends in LF (CR LF with "crlf"), the last in none with
    // "nonewline".
    static std::string bodyOf(std::vector<std::string>::const_iterator begin,
                              std::vector<std::string>::const_iterator end,
                              const std::vector<std::string>& options) {
        const std::string eol = has(options, "crlf") ? "\r\n" : "\n";
        std::string body;
        for (auto line = begin; line != end; ++line)
            body += *line + eol;
        if (has(options, "nonewline") && !body.empty())
            body.resize(body.size() - eol.size());
        return body;
    }

    CaseAnswer answer(const Section& section) const {
        CaseAnswer answer;
        answer.line = section.line;
        std::vector<std::string> place;
        const std::vector<std::string> options =
            takeOptions(section, place, {"crlf", "nonewline", "close", "hangup"});
        if (place.size() == 2) {
            answer.method = place[0];
            answer.target = place[1];
        } else if (!place.empty()) {
            fail(section.line, "an answer is for a method and a path, or for the next request");
        }
        answer.close = has(options, "close");
        answer.hangup = has(options, "hangup");
        if (answer.hangup)
            return answer;
        if (section.lines.empty())
            fail(section.line, "an answer begins with its status line");
        std::istringstream status(section.lines.front());
        status >> answer.version >> answer.status;
        if (!status || answer.version.rfind("HTTP/", 0) != 0)
            fail(section.line + 1, "expected a status line such as \"HTTP/1.1 200 OK\"");
        std::getline(status, answer.reason);
        answer.reason = trimmed(answer.reason);
        if (answer.version == "HTTP/1.0")
            answer.close = true;
        auto line = section.lines.begin() + 1;
        for (; line != section.lines.end() && !line->empty(); ++line)
            answer.headerLines.push_back(*line);
        if (line != section.lines.end())
            answer.body = bodyOf(line + 1, section.lines.end(), options);
        return answer;
    }

    std::vector<std::string> listed(const Section& section) const {
        std::vector<std::string> lines;
        for (const std::string& line : section.lines)
            if (!trimmed(line).empty() && line.front() != '#')
                lines.push_back(line);
        return lines;
    }

    ExpectedRequest request(const Section& section) const {
        ExpectedRequest expected;
        expected.line = section.line;
        std::vector<std::string> which;
        const std::vector<std::string> options =
            takeOptions(section, which, {"exact", "crlf", "nonewline"});
        if (which.size() != 1)
            fail(section.line, "\"request\" takes the request's number (from 1) or *");
        auto line = section.lines.begin();
        if (which.front() != "*") {
            try {
                expected.index = std::stoul(which.front());
            } catch (const std::exception&) {
            }
            if (expected.index == 0)
                fail(section.line, "requests are numbered from 1");
            if (line == section.lines.end())
                fail(section.line, "a request begins with its request line");
            expected.requestLine = *line++;
        }
        for (; line != section.lines.end() && !line->empty(); ++line) {
            if (line->front() == '!') {
                expected.headers.emplace_back(trimmed(line->substr(1)), std::nullopt);
                continue;
            }
            const std::size_t colon = line->find(':');
            if (colon == std::string::npos)
                fail(section.line, "expected a header line \"Name: value\" or \"!Name\": " + *line);
            expected.headers.emplace_back(trimmed(line->substr(0, colon)),
                                          trimmed(line->substr(colon + 1)));
        }
        if (line == section.lines.end())
            return expected;
        if (has(options, "exact"))
            expected.body = bodyOf(line + 1, section.lines.end(), options);
        else
            for (++line; line != section.lines.end(); ++line)
                if (!line->empty())
                    expected.bodyParts.push_back(*line);
        return expected;
    }

    // A value with the escapes \r, \t, \n and \\.
    std::string unescaped(const std::string& value, int line) const {
        std::string text;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] != '\\') {
                text += value[i];
                continue;
            }
            const char next = i + 1 < value.size() ? value[++i] : '\0';
            switch (next) {
            case 'r':
                text += '\r';
                break;
            case 't':
                text += '\t';
                break;
            case 'n':
                text += '\n';
                break;
            case '\\':
                text += '\\';
                break;
            default:
                fail(line,
                     "unknown escape in \"" + value + "\" (\\r, \\t, \\n and \\\\ are known)");
            }
        }
        return text;
    }

    ExpectedResult outcome(const Section& section) const {
        ExpectedResult expected;
        expected.line = section.line;
        const std::string statement = section.arguments.empty() ? "" : section.arguments.front();
        const bool named = statement.size() > 1 && statement.front() == '$';
        const bool numbered =
            !statement.empty() && statement.find_first_not_of("0123456789") == std::string::npos;
        if (section.arguments.size() != 1 || !(named || numbered))
            fail(section.line, "\"result\" takes $variable or the script line of the statement");
        expected.statement = statement;
        int number = section.line;
        for (const std::string& line : section.lines) {
            ++number;
            if (trimmed(line).empty() || line.front() == '#')
                continue;
            const std::size_t space = line.find(' ');
            const std::string keyword = line.substr(0, space);
            const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
            try {
                if (keyword == "error")
                    expected.error = std::stol(value);
                else if (keyword == "number")
                    expected.number = std::stod(value);
                else if (keyword == "text")
                    expected.text = expected.text.value_or("") + unescaped(value, number);
                else if (keyword == "contains")
                    expected.textParts.push_back(unescaped(value, number));
                else
                    fail(number, "expected error, number, text or contains: " + line);
            } catch (const std::logic_error&) { // stol and stod
                fail(number, "not a number: " + line);
            }
        }
        return expected;
    }

    std::string file_;
    std::vector<Section> sections_;
};

} // namespace

ProtocolCase readCase(const std::filesystem::path& file,
                      const std::map<std::string, std::string>& placeholders) {
    return Reader(file, placeholders).read();
}
