// The records a script works on: one table, all of its records in the found set, one of them the
// current record, as a FileMaker layout of that table shows them. Fields are named as scripts
// name them, Table::Field; a global field holds one value for the whole table and needs no
// record.
#pragma once

#include "FMWrapper/FMXHost.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class RecordTable {
public:
    struct Field {
        std::string name;
        bool global = false;
    };
    enum class Move { first, last, next, previous };

    RecordTable(std::string name, std::vector<Field> fields);

    const std::string& name() const { return name_; }
    const std::vector<Field>& fields() const { return fields_; }
    // The index of the field "Table::Field" (names in any case); none when the table has none.
    std::optional<std::size_t> fieldIndex(const std::string& qualifiedName) const;

    // The field's value in the current record (empty without one), or the global's value.
    fmx::host::Value get(std::size_t field) const;
    // False, and nothing changes, when the field is no global and there is no current record.
    bool set(std::size_t field, fmx::host::Value value);

    std::size_t foundCount() const { return records_.size(); }
    // The current record's number, from 1; 0 when there is none.
    std::size_t recordNumber() const { return current_; }
    // A new record with every field empty, after the others; it becomes the current record.
    void newRecord();
    // A new record holding `values` (one per field; those of globals are ignored), as a table
    // file is loaded: the first record becomes the current one, and the table is not changed.
    void addRecord(std::vector<fmx::host::Value> values);
    // The record that followed becomes current, or the new last one. False without a record.
    bool deleteRecord();
    // False, and the current record stays, when there is no such record.
    bool goTo(Move move);

    // The records, each a value per field (a global's place is empty).
    const std::vector<std::vector<fmx::host::Value>>& records() const { return records_; }

    // Whether anything changed since the table was loaded or `markSaved` was called.
    bool changed() const { return changed_; }
    void markSaved() { changed_ = false; }

private:
    std::string name_;
    std::vector<Field> fields_;
    std::vector<fmx::host::Value> globals_; // by field index; used for globals only
    std::vector<std::vector<fmx::host::Value>> records_;
    std::size_t current_ = 0;
    bool changed_ = false;
};
