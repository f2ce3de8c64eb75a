#include "Output.h"

#include "NumberConversion.h"
#include "Sha256.h"

#include <cmath>
#include <cstdio>

using fmx::host::Stream;
using fmx::host::Value;
using fmx::host::ValueType;

namespace {

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
    return "{\"line\": " + std::to_string(statement.line) +
           ", \"call\": " + (outcome.call ? jsonString(*outcome.call) : "null") +
           ", \"var\": " + (statement.variable ? jsonString(*statement.variable) : "null") +
           ", \"result\": " + jsonResult(outcome.result) +
           ", \"error\": " + std::to_string(outcome.error) + "}";
}

std::string readableBlock(const Statement& statement, const StatementOutcome& outcome) {
    std::string block = statement.source + "\n→ " + readableResult(outcome.result) + "\n";
    if (outcome.error != 0)
        block += "  error " + std::to_string(outcome.error) + "\n";
    return block;
}
