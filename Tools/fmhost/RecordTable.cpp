#include "RecordTable.h"

#include "CaseFolding.h"

using fmx::host::Value;

RecordTable::RecordTable(std::string name, std::vector<Field> fields)
    : name_(std::move(name)), fields_(std::move(fields)), globals_(fields_.size()) {}

std::optional<std::size_t> RecordTable::fieldIndex(const std::string& qualifiedName) const {
    const std::size_t colons = qualifiedName.find("::");
    if (colons == std::string::npos || !sameName(qualifiedName.substr(0, colons), name_))
        return std::nullopt;
    const std::string field = qualifiedName.substr(colons + 2);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (sameName(fields_[i].name, field))
            return i;
    }
    return std::nullopt;
}

Value RecordTable::get(std::size_t field) const {
    if (fields_[field].global)
        return globals_[field];
    return current_ == 0 ? Value::text("") : records_[current_ - 1][field];
}

bool RecordTable::set(std::size_t field, Value value) {
    if (fields_[field].global) {
        globals_[field] = std::move(value);
    } else if (current_ != 0) {
        records_[current_ - 1][field] = std::move(value);
    } else {
        return false;
    }
    changed_ = true;
    return true;
}

void RecordTable::newRecord() {
    records_.emplace_back(fields_.size(), Value::text(""));
    current_ = records_.size();
    changed_ = true;
}

void RecordTable::addRecord(std::vector<Value> values) {
    values.resize(fields_.size(), Value::text(""));
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].global)
            values[i] = Value::text("");
    }
    records_.push_back(std::move(values));
    if (current_ == 0)
        current_ = 1;
}

bool RecordTable::deleteRecord() {
    if (current_ == 0)
        return false;
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(current_ - 1));
    if (current_ > records_.size())
        current_ = records_.size();
    changed_ = true;
    return true;
}

bool RecordTable::goTo(Move move) {
    if (records_.empty())
        return false;
    switch (move) {
    case Move::first:
        current_ = 1;
        return true;
    case Move::last:
        current_ = records_.size();
        return true;
    case Move::next:
        if (current_ >= records_.size())
            return false;
        ++current_;
        return true;
    case Move::previous:
        if (current_ <= 1)
            return false;
        --current_;
        return true;
    }
    return false;
}
