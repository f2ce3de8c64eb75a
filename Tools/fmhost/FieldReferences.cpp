#include "FieldReferences.h"

namespace {

std::size_t fieldIndex(const std::string& name, SourcePosition at, const RecordTable* table) {
    if (!table)
        throw ScriptError(at, "no record table for " + name + " (fmhost --table FILE)");
    const auto index = table->fieldIndex(name);
    if (!index)
        throw ScriptError(at, "the table " + table->name() + " has no field " + name);
    return *index;
}

void resolve(Expression& expression, const RecordTable* table) {
    if (expression.kind == Expression::Kind::field)
        expression.slot = fieldIndex(expression.name, expression.position, table);
    for (Expression& operand : expression.operands)
        resolve(operand, table);
}

} // namespace

void resolveFields(std::vector<Statement>& statements, const RecordTable* table) {
    for (Statement& statement : statements)
        resolve(statement.expression, table);
}

void resolveFields(std::vector<Step>& steps, const RecordTable* table) {
    for (Step& step : steps) {
        resolveFields(step.calculations, table);
        switch (step.kind) {
        case Step::Kind::setField:
            step.field = fieldIndex(step.fieldName, step.position, table);
            break;
        case Step::Kind::setFieldByName:
        case Step::Kind::newRecord:
        case Step::Kind::goToRecord:
        case Step::Kind::deleteRecord:
        case Step::Kind::commit:
            if (!table)
                throw ScriptError(step.position,
                                  step.name + " needs a record table (fmhost --table FILE)");
            break;
        default:
            break;
        }
    }
}
