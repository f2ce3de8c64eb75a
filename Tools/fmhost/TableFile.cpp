#include "TableFile.h"

#include "CaseFolding.h"
#include "ContainerFile.h"
#include "base64.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

using fmx::host::Value;
using fmx::host::ValueType;
using Json = nlohmann::ordered_json;

namespace {

namespace fs = std::filesystem;

bool isName(const std::string& text) {
    if (text.empty() || (text[0] >= '0' && text[0] <= '9'))
        return false;
    for (const char c : text) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_'))
            return false;
    }
    return true;
}

std::string nameIn(const Json& json, const std::string& what) {
    if (!json.is_string() || !isName(json.get<std::string>()))
        throw std::runtime_error(what + " is no name of letters, digits and _: " + json.dump());
    return json.get<std::string>();
}

Value valueOf(const Json& json, const fs::path& folder, const std::string& where) {
    if (json.is_null())
        return Value::text("");
    if (json.is_string())
        return Value::text(json.get<std::string>());
    if (json.is_number())
        return Value::number(json.get<double>());
    if (json.is_object() && json.size() == 1 && json.contains("file") && json["file"].is_string()) {
        fs::path file = fs::u8path(json["file"].get<std::string>());
        return containerFromFile((file.is_relative() ? folder / file : file).u8string());
    }
    if (json.is_object() && json.size() == 2 && json.contains("name") && json["name"].is_string() &&
        json.contains("base64") && json["base64"].is_string())
        return containerFromBytes(base64_decode(json["base64"].get<std::string>()),
                                  json["name"].get<std::string>());
    throw std::runtime_error(where + " is no text, number, null or container: " + json.dump());
}

Json jsonOf(const Value& value) {
    switch (value.type()) {
    case ValueType::none:
        return "";
    case ValueType::text:
        return value.asText();
    case ValueType::number:
    case ValueType::boolean: {
        const double number = value.asNumber();
        return std::isfinite(number) ? Json(number) : Json("?");
    }
    case ValueType::container:
        break;
    }
    const fmx::host::Stream* content = mainStream(value);
    const std::string bytes = content ? content->bytes : std::string();
    return Json{{"name", value.fileName()},
                {"base64", base64_encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                                         static_cast<unsigned>(bytes.size()))}};
}

std::string text(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace

RecordTable loadTable(const std::string& path) {
    const fs::path file = fs::u8path(path);
    std::ifstream in(file, std::ios::binary);
    if (!in || fs::is_directory(file))
        throw std::runtime_error("cannot be read");
    const Json json = Json::parse(std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>(), nullptr, false);
    if (!json.is_object() || !json.contains("table") || !json.contains("fields") ||
        !json["fields"].is_array())
        throw std::runtime_error("is no JSON object with \"table\" and \"fields\"");
    for (const auto& [key, ignored] : json.items()) {
        if (key != "table" && key != "fields" && key != "globals" && key != "records")
            throw std::runtime_error("holds the unknown key \"" + key + "\"");
    }
    const std::string table = nameIn(json["table"], "the table's name");
    std::vector<RecordTable::Field> fields;
    std::set<std::string> seen;
    const auto add = [&](const Json& name, bool global) {
        fields.push_back({nameIn(name, "a field's name"), global});
        if (!seen.insert(foldCase(fields.back().name)).second)
            throw std::runtime_error("names the field " + fields.back().name + " twice");
    };
    for (const Json& name : json["fields"])
        add(name, false);
    const Json globals = json.value("globals", Json::object());
    if (!globals.is_object())
        throw std::runtime_error("\"globals\" is no object");
    for (const auto& [name, value] : globals.items())
        add(name, true);
    const Json records = json.value("records", Json::array());
    if (!records.is_array())
        throw std::runtime_error("\"records\" is no array");

    const fs::path folder = file.parent_path();
    RecordTable result(table, fields);
    for (const auto& [name, value] : globals.items())
        result.set(*result.fieldIndex(table + "::" + name),
                   valueOf(value, folder, "the global " + name));
    for (std::size_t n = 0; n < records.size(); ++n) {
        const Json& record = records[n];
        const std::string where = "record " + std::to_string(n + 1);
        if (!record.is_object())
            throw std::runtime_error(where + " is no object");
        std::vector<Value> values(fields.size(), Value::text(""));
        for (const auto& [name, value] : record.items()) {
            const auto index = result.fieldIndex(table + "::" + name);
            if (!index || fields[*index].global)
                throw std::runtime_error(where + " names " + name + ", none of \"fields\"");
            values[*index] = valueOf(value, folder, where + "'s " + name);
        }
        result.addRecord(std::move(values));
    }
    result.markSaved();
    return result;
}

void saveTable(const RecordTable& table, const std::string& path) {
    Json names = Json::array();
    Json globals = Json::object();
    for (std::size_t i = 0; i < table.fields().size(); ++i) {
        const RecordTable::Field& field = table.fields()[i];
        if (field.global)
            globals[field.name] = jsonOf(table.get(i));
        else
            names.push_back(field.name);
    }
    std::string out = "{\n  \"table\": " + text(table.name()) + ",\n  \"fields\": " + text(names) +
                      ",\n  \"globals\": " + text(globals) + ",\n  \"records\": [";
    const char* separator = "\n    ";
    for (const std::vector<Value>& values : table.records()) {
        Json record = Json::object();
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!table.fields()[i].global)
                record[table.fields()[i].name] = jsonOf(values[i]);
        }
        out += separator + text(record);
        separator = ",\n    ";
    }
    out += table.records().empty() ? "]\n}\n" : "\n  ]\n}\n";

    const fs::path target = fs::u8path(path);
    fs::path written = target;
    written += ".new";
    {
        std::ofstream file(written, std::ios::binary | std::ios::trunc);
        file << out;
        if (!file.flush())
            throw std::runtime_error("cannot be written");
    }
    std::error_code failure;
    fs::rename(written, target, failure);
    if (failure) {
        // Where a rename does not replace a file (some Windows runtimes), the old one goes first.
        fs::remove(target, failure);
        fs::rename(written, target, failure);
    }
    if (failure)
        throw std::runtime_error("cannot be replaced: " + failure.message());
}
