#include "Output.h"

#include "NumberConversion.h"
#include "Sha256.h"
#include "TextFunctions.h"

#include <cmath>
#include <cstdio>

using fmx::host::Stream;
using fmx::host::Value;
using fmx::host::ValueType;

namespace {

// How much of a field's value the table shows: enough to tell records apart.
constexpr std::size_t kShownCharacters = 60;

std::string jsonStream(const Stream& stream, const Value& container) {
    std::string json = "{\"type\": " + jsonString(stream.type) +
                       ", \"size\": " + std::to_string(stream.bytes.size());
    const auto size = container.pictureSize();
    if (stream.type == "FNAM")
        json += ", \"text\": " + jsonString(stream.bytes);
    else if (stream.type == "SIZE" && size)
        json += ", \"width\": " + std::to_string(size->first) +
                ", \"height\": " + std::to_string(size->second);
    else
        json += ", \"sha256\": \"" + sha256Hex(stream.bytes) + "\"";
    return json + "}";
}

std::string jsonResult(const Value& value) {
    switch (value.type()) {
    case ValueType::text:
        return "{\"type\": \"text\", \"value\": " + jsonString(value.asText()) + "}";
    case ValueType::number:
    case ValueType::boolean: {
        const double number = value.asNumber();
        return std::string("{\"type\": \"number\", \"value\": ") +
               (std::isfinite(number) ? numberText(number) : "null") + "}";
    }
    case ValueType::container: {
        std::string streams;
        for (const Stream& stream : value.streams())
            streams += (streams.empty() ? "" : ", ") + jsonStream(stream, value);
        return "{\"type\": \"container\", \"value\": [" + streams + "]}";
    }
    case ValueType::none:
        break;
    }
    return "{\"type\": \"none\", \"value\": null}";
}

std::string readableResult(const Value& value) {
    switch (value.type()) {
    case ValueType::text: {
        const std::string text = value.asText();
        if (text.empty())
            return "(empty text)";
        std::string shown;
        for (char c : text)
            shown += c == '\r' ? std::string("\n  ") : std::string(1, c);
        return shown;
    }
    case ValueType::number:
    case ValueType::boolean:
        return textOf(value);
    case ValueType::container: {
        std::string summary = "container:";
        for (const Stream& stream : value.streams()) {
            summary += summary.back() == ':' ? " " : ", ";
            const auto size = value.pictureSize();
            if (stream.type == "FNAM")
                summary += "FNAM \"" + stream.bytes + "\"";
            else if (stream.type == "SIZE" && size)
                summary +=
                    "SIZE " + std::to_string(size->first) + "x" + std::to_string(size->second);
            else
                summary += stream.type + " " + std::to_string(stream.bytes.size()) + " bytes";
        }
        return value.streams().empty() ? "container: empty" : summary;
    }
    case ValueType::none:
        break;
    }
    return "(no result)";
}

} // namespace

std::string jsonString(const std::string& text) {
    std::string json = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            json += "\\\"";
            break;
        case '\\':
            json += "\\\\";
            break;
        case '\r':
            json += "\\r";
            break;
        case '\n':
            json += "\\n";
            break;
        case '\t':
            json += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                json += escape;
            } else {
                json += c;
            }
        }
    }
    return json + "\"";
}

std::string jsonLine(const Statement& statement, const StatementOutcome& outcome) {
    std::string line =
        "{\"line\": " + std::to_string(statement.line) +
        ", \"call\": " + (outcome.call ? jsonString(*outcome.call) : "null") +
        ", \"var\": " + (statement.variable ? jsonString(*statement.variable) : "null") +
        ", \"result\": " + jsonResult(outcome.result) +
        ", \"error\": " + std::to_string(outcome.error);
    if (outcome.failedCall)
        line += ", \"seen\": \"?\"";
    if (!statement.step.empty())
        line += ", \"step\": " + jsonString(statement.step);
    if (outcome.title)
        line += ", \"title\": " + jsonString(*outcome.title);
    return line + "}";
}

std::string readableBlock(const Statement& statement, const StatementOutcome& outcome) {
    std::string shown = readableResult(outcome.result);
    if (outcome.failedCall)
        shown = "? (not seen by the script: " + *outcome.failedCall + " returned " + shown + ")";
    else if (outcome.title)
        shown = "[" + *outcome.title + "] " + shown;
    std::string block = statement.source + "\n→ " + shown + "\n";
    if (outcome.error != 0)
        block += "  error " + std::to_string(outcome.error) + "\n";
    return block;
}

std::string readableTable(const RecordTable& table) {
    const auto fieldsOf = [&table](const std::vector<Value>& values, bool globals) {
        std::string line;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (table.fields()[i].global != globals || values[i].asText().empty())
                continue;
            std::string shown = values[i].type() == ValueType::container ? readableResult(values[i])
                                                                         : values[i].asText();
            for (std::size_t at = 0; (at = shown.find('\r', at)) != std::string::npos;)
                shown.replace(at, 1, "\xC2\xB6");
            line += (line.empty() ? "" : " | ") + table.fields()[i].name + ": " + shown;
        }
        return line;
    };
    std::vector<Value> globals;
    for (std::size_t i = 0; i < table.fields().size(); ++i)
        globals.push_back(table.fields()[i].global ? table.get(i) : Value());
    std::string text = "== " + table.name() + ": " + std::to_string(table.foundCount()) +
                       (table.foundCount() == 1 ? " record" : " records") + "\n";
    const std::string globalFields = fieldsOf(globals, true);
    if (!globalFields.empty())
        text += "  globals: " + globalFields + "\n";
    for (std::size_t n = 0; n < table.records().size(); ++n)
        text += "  " + std::to_string(n + 1) + ". " + fieldsOf(table.records()[n], false) + "\n";
    return text;
}
