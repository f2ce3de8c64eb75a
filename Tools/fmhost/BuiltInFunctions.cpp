#include "BuiltInFunctions.h"

#include "CaseFolding.h"
#include "ContainerFile.h"
#include "JsonFunctions.h"
#include "NumberConversion.h"
#include "Operators.h"
#include "TextFunctions.h"

#include <cmath>

using fmx::host::Value;
using fmx::host::ValueType;
using Args = std::vector<Value>;

namespace {

std::string text(const Args& args, std::size_t i) {
    return textOf(args[i]);
}

double number(const Args& args, std::size_t i) {
    return numberOf(args[i]);
}

Value characterOf(const Args& args) {
    const double code = std::trunc(number(args, 0));
    return Value::text(
        code >= 1 && code <= 0x10FFFF ? fmx::host::characterText(static_cast<char32_t>(code)) : "");
}

Value substitution(const Args& args) {
    std::string result = text(args, 0);
    for (std::size_t i = 1; i + 1 < args.size(); i += 2)
        result = substitute(result, text(args, i), text(args, i + 1));
    return Value::text(std::move(result));
}

bool isEmpty(const Value& value) {
    switch (value.type()) {
    case ValueType::none:
        return true;
    case ValueType::text:
        return value.asText().empty();
    case ValueType::container:
        return value.streams().empty();
    case ValueType::number:
    case ValueType::boolean:
        break;
    }
    return false;
}

Value lengthOf(const Args& args) {
    if (args[0].type() == ValueType::container) {
        const fmx::host::Stream* content = mainStream(args[0]);
        return Value::number(content ? static_cast<double>(content->bytes.size()) : 0);
    }
    return Value::number(static_cast<double>(characterCount(text(args, 0))));
}

Value asNumber(const Args& args) {
    if (args[0].type() == ValueType::number || args[0].type() == ValueType::boolean)
        return Value::number(args[0].asNumber());
    const auto number = numberInText(text(args, 0));
    return number ? Value::number(*number) : Value::text("");
}

Value list(const Args& args) {
    std::vector<std::string> values;
    for (const Value& value : args)
        values.push_back(textOf(value));
    return Value::text(listOf(values));
}

Value setElements(const Args& args) {
    std::vector<JsonChange> changes;
    for (std::size_t i = 1; i + 2 < args.size(); i += 3)
        changes.push_back({text(args, i), args[i + 1], number(args, i + 2)});
    return Value::text(jsonSetElements(text(args, 0), changes));
}

constexpr int kUnbounded = BuiltIn::kUnbounded;

const BuiltIn kBuiltIns[] = {
    {"Char", 1, 1, 0, characterOf},
    {"GetValue", 2, 2, 0,
     [](const Args& a) { return Value::text(valueOf(text(a, 0), number(a, 1))); }},
    {"Substitute", 3, 3, 2, substitution},
    {"ValueCount", 1, 1, 0, [](const Args& a) { return Value::number(valueCount(text(a, 0))); }},
    {"List", 1, kUnbounded, 0, list},
    {"SortValues", 1, 1, 0, [](const Args& a) { return Value::text(sortedValues(text(a, 0))); }},
    // Texts compared as they are, case and all (the = operator ignores case).
    {"Exact", 2, 2, 0, [](const Args& a) { return truthValue(text(a, 0) == text(a, 1)); }},
    {"IsEmpty", 1, 1, 0, [](const Args& a) { return truthValue(isEmpty(a[0])); }},
    {"Length", 1, 1, 0, lengthOf},
    {"GetAsNumber", 1, 1, 0, asNumber},
    {"GetAsText", 1, 1, 0, [](const Args& a) { return Value::text(text(a, 0)); }},
    {"Left", 2, 2, 0,
     [](const Args& a) { return Value::text(leftCharacters(text(a, 0), number(a, 1))); }},
    {"Right", 2, 2, 0,
     [](const Args& a) { return Value::text(rightCharacters(text(a, 0), number(a, 1))); }},
    {"Middle", 3, 3, 0,
     [](const Args& a) {
         return Value::text(middleCharacters(text(a, 0), number(a, 1), number(a, 2)));
     }},
    {"Position", 4, 4, 0,
     [](const Args& a) {
         return Value::number(positionOf(text(a, 0), text(a, 1), number(a, 2), number(a, 3)));
     }},
    {"PatternCount", 2, 2, 0,
     [](const Args& a) { return Value::number(patternCount(text(a, 0), text(a, 1))); }},
    {"JSONGetElement", 2, 2, 0,
     [](const Args& a) { return Value::text(jsonGetElement(text(a, 0), text(a, 1))); }},
    {"JSONListKeys", 2, 2, 0,
     [](const Args& a) { return Value::text(jsonListKeys(text(a, 0), text(a, 1))); }},
    {"JSONFormatElements", 1, 1, 0,
     [](const Args& a) { return Value::text(jsonFormatElements(text(a, 0))); }},
    {"JSONSetElement", 4, 4, 3, setElements},
};

} // namespace

const BuiltIn* findBuiltIn(const std::string& name) {
    for (const BuiltIn& builtIn : kBuiltIns) {
        if (sameName(name, builtIn.name))
            return &builtIn;
    }
    return nullptr;
}

std::optional<Value> constantNamed(const std::string& name) {
    static const struct {
        const char* name;
        int type;
    } jsonTypes[] = {{"JSONRaw", kJsonRaw},       {"JSONString", kJsonString},
                     {"JSONNumber", kJsonNumber}, {"JSONObject", kJsonObject},
                     {"JSONArray", kJsonArray},   {"JSONBoolean", kJsonBoolean},
                     {"JSONNull", kJsonNull}};
    if (sameName(name, "True") || sameName(name, "False"))
        return Value::boolean(sameName(name, "True"));
    for (const auto& constant : jsonTypes) {
        if (sameName(name, constant.name))
            return Value::number(constant.type);
    }
    return std::nullopt;
}
