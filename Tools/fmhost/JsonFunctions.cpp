#include "JsonFunctions.h"

#include "CaseFolding.h"
#include "NumberConversion.h"
#include "Operators.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

using Json = nlohmann::json;

namespace {

// Nesting deeper than this is refused: printing a JSON text recurses once per level.
constexpr int kMaxDepth = 512;
// An index may pad an array up to this many elements.
constexpr std::size_t kMaxPaddedSize = 1000000;

// What a JSON function gives instead of its result: FileMaker's "?" text.
struct JsonFailure {
    std::string text;
};

struct PathStep {
    enum class Kind { key, index, append };
    Kind kind = Kind::key;
    std::string key;       // key
    std::size_t index = 0; // index; also a key made of digits, on an array
    bool digits = false;   // a key made of digits only
};

std::string syntaxError(const std::string& json, const Json::parse_error& error) {
    // error.byte counts the bytes read, the faulty one included. Lines end in LF, CR LF, or a
    // carriage return alone, FileMaker's line break.
    const std::size_t faulty = std::clamp<std::size_t>(error.byte, 1, json.size() + 1) - 1;
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < faulty; ++i) {
        if (json[i] == '\n' || (json[i] == '\r' && (i + 1 == json.size() || json[i + 1] != '\n'))) {
            ++line;
            lineStart = i + 1;
        }
    }
    const std::size_t column = faulty - lineStart + 1;
    // nlohmann's message: "[json.exception.parse_error.101] parse error at line L, column C:
    // what went wrong"; the part after the position is what FileMaker shows too.
    const std::string message = error.what();
    const std::size_t detail = message.find(": ", message.find("column"));
    return "? * Line " + std::to_string(line) + ", Column " + std::to_string(column) + "\r  " +
           (detail == std::string::npos ? message : message.substr(detail + 2));
}

Json parse(const std::string& text) {
    try {
        return Json::parse(text, [](int depth, Json::parse_event_t, Json&) {
            if (depth > kMaxDepth)
                throw JsonFailure{"? JSON nested more than " + std::to_string(kMaxDepth) +
                                  " levels deep"};
            return true;
        });
    } catch (const Json::parse_error& error) {
        throw JsonFailure{syntaxError(text, error)};
    }
}

std::string compact(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::vector<PathStep> parsePath(const std::string& path) {
    const JsonFailure invalid{"? Invalid path: " + path};
    std::vector<PathStep> steps;
    std::size_t i = path.rfind('.', 0) == 0 ? 1 : 0;
    while (i < path.size()) {
        PathStep step;
        if (path[i] == '[') {
            const std::size_t close = path.find(']', i);
            if (close == std::string::npos)
                throw invalid;
            const std::string inside = path.substr(i + 1, close - i - 1);
            if (inside == "+") {
                step.kind = PathStep::Kind::append;
            } else if (!inside.empty() && inside.size() <= 9 &&
                       inside.find_first_not_of("0123456789") == std::string::npos) {
                step.kind = PathStep::Kind::index;
                step.index = std::stoul(inside);
            } else {
                throw invalid;
            }
            i = close + 1;
        } else {
            const std::size_t end = std::min(path.find('.', i), path.find('[', i));
            step.key = path.substr(i, end == std::string::npos ? std::string::npos : end - i);
            if (step.key.empty())
                throw invalid;
            step.digits = step.key.size() <= 9 &&
                          step.key.find_first_not_of("0123456789") == std::string::npos;
            if (step.digits)
                step.index = std::stoul(step.key);
            i = end == std::string::npos ? path.size() : end;
        }
        steps.push_back(std::move(step));
        if (i < path.size() && path[i] == '.' && ++i == path.size())
            throw invalid; // a path ending in "."
    }
    if (steps.size() > static_cast<std::size_t>(kMaxDepth))
        throw JsonFailure{"? Path longer than " + std::to_string(kMaxDepth) + " steps"};
    return steps;
}

bool indexes(const PathStep& step, const Json& node) {
    return node.is_array() && (step.kind != PathStep::Kind::key || step.digits);
}

// The element at the path; null when it is not there.
const Json* find(const Json& root, const std::string& path) {
    const Json* node = &root;
    for (const PathStep& step : parsePath(path)) {
        if (indexes(step, *node) && step.kind != PathStep::Kind::append &&
            step.index < node->size()) {
            node = &(*node)[step.index];
        } else if (step.kind == PathStep::Kind::key && node->is_object() &&
                   node->contains(step.key)) {
            node = &(*node)[step.key];
        } else {
            return nullptr;
        }
    }
    return node;
}

// The element at the path, made where it is missing.
Json& make(Json& root, const std::string& path) {
    Json* node = &root;
    for (const PathStep& step : parsePath(path)) {
        if (node->is_null())
            *node = step.kind == PathStep::Kind::key ? Json::object() : Json::array();
        if (step.kind == PathStep::Kind::append && node->is_array()) {
            node->push_back(nullptr);
            node = &node->back();
        } else if (indexes(step, *node)) {
            if (step.index >= kMaxPaddedSize)
                throw JsonFailure{"? Index beyond " + std::to_string(kMaxPaddedSize) + ": " + path};
            node = &(*node)[step.index]; // pads with nulls
        } else if (step.kind == PathStep::Kind::key && node->is_object()) {
            node = &(*node)[step.key];
        } else {
            const std::string held = node->type_name();
            throw JsonFailure{"? The path " + path + " needs " +
                              (step.kind == PathStep::Kind::key ? "an object" : "an array") +
                              " where the JSON holds " +
                              (held[0] == 'a' || held[0] == 'o' ? "an " : "a ") + held};
        }
    }
    return *node;
}

Json numberJson(double number) {
    if (std::trunc(number) == number && std::abs(number) < 9e15)
        return static_cast<std::int64_t>(number);
    return number;
}

Json typedValue(const fmx::host::Value& value, double type) {
    const std::string text = textOf(value);
    switch (static_cast<int>(type)) {
    case kJsonString:
        return text;
    case kJsonNumber:
        return numberJson(numberOf(value));
    case kJsonObject:
        return text.empty() ? Json::object() : parse(text);
    case kJsonArray:
        return text.empty() ? Json::array() : parse(text);
    case kJsonBoolean: {
        const std::string word = foldCase(text);
        return word == "true" || (word != "false" && isTrue(value));
    }
    case kJsonNull:
        return nullptr;
    default:
        try {
            return parse(text);
        } catch (const JsonFailure&) {
            return text;
        }
    }
}

std::string elementText(const Json& element) {
    switch (element.type()) {
    case Json::value_t::string:
        return element.get<std::string>();
    case Json::value_t::boolean:
        return element.get<bool>() ? "1" : "0";
    case Json::value_t::null:
    case Json::value_t::discarded:
        return "";
    case Json::value_t::number_float:
        return numberText(element.get<double>());
    default:
        return compact(element);
    }
}

} // namespace

std::string jsonGetElement(const std::string& json, const std::string& path) {
    try {
        const Json root = parse(json);
        const Json* element = find(root, path);
        return element ? elementText(*element) : "";
    } catch (const JsonFailure& failure) {
        return failure.text;
    }
}

std::string jsonListKeys(const std::string& json, const std::string& path) {
    try {
        const Json root = parse(json);
        const Json* element = find(root, path);
        std::string keys;
        if (element && element->is_object())
            for (const auto& item : element->items())
                keys += (keys.empty() ? "" : "\r") + item.key();
        else if (element && element->is_array())
            for (std::size_t i = 0; i < element->size(); ++i)
                keys += (i == 0 ? "" : "\r") + std::to_string(i);
        return keys;
    } catch (const JsonFailure& failure) {
        return failure.text;
    }
}

std::string jsonFormatElements(const std::string& json) {
    try {
        std::string text = parse(json).dump(1, '\t', false, Json::error_handler_t::replace);
        std::replace(text.begin(), text.end(), '\n', '\r');
        return text;
    } catch (const JsonFailure& failure) {
        return failure.text;
    }
}

std::string jsonSetElements(const std::string& json, const std::vector<JsonChange>& changes) {
    try {
        Json root = json.empty() ? Json() : parse(json);
        for (const JsonChange& change : changes)
            make(root, change.path) = typedValue(change.value, change.type);
        return compact(root);
    } catch (const JsonFailure& failure) {
        return failure.text;
    }
}
