#include "StepParser.h"

#include "CalculationParser.h"
#include "CaseFolding.h"

#include <sstream>

namespace {

using Kind = Token::Kind;
using StepKind = Step::Kind;

const struct {
    const char* name;
    StepKind kind;
} kSteps[] = {
    {"Set Variable", StepKind::setVariable},
    {"Set Field", StepKind::setField},
    {"Set Field By Name", StepKind::setFieldByName},
    {"If", StepKind::ifThen},
    {"Else If", StepKind::elseIf},
    {"Else", StepKind::otherwise},
    {"End If", StepKind::endIf},
    {"Loop", StepKind::loop},
    {"Exit Loop If", StepKind::exitLoopIf},
    {"End Loop", StepKind::endLoop},
    {"Exit Script", StepKind::exitScript},
    {"Show Custom Dialog", StepKind::showDialog},
    {"New Record/Request", StepKind::newRecord},
    {"Go to Record/Request/Page", StepKind::goToRecord},
    {"Delete Record/Request", StepKind::deleteRecord},
    {"Commit Records/Requests", StepKind::commit},
    {"Perform Script", StepKind::performScript},
    {"Set Error Capture", StepKind::nothing},
    {"Allow User Abort", StepKind::nothing},
    {"Refresh Window", StepKind::nothing},
};

const struct {
    const char* word;
    RecordTable::Move move;
} kMoves[] = {{"First", RecordTable::Move::first},
              {"Last", RecordTable::Move::last},
              {"Next", RecordTable::Move::next},
              {"Previous", RecordTable::Move::previous}};

// An If with its Else If and Else so far, or a Loop with the steps that leave it.
struct Block {
    std::size_t start;
    std::vector<std::size_t> branches; // If, Else If, Else
    std::vector<std::size_t> exits;    // Exit Loop If, Go to Record with Exit after last
    bool sawElse = false;
};

class StepParser {
public:
    explicit StepParser(const std::string& script)
        : script_(script), parser_(script, ScriptLexer(script, 1, true).tokenize()) {}

    std::vector<Step> steps() {
        while (parser_.peek().kind != Kind::endOfScript) {
            if (parser_.skip(Kind::endOfStatement))
                continue;
            steps_.push_back(step());
            match(steps_.size() - 1);
        }
        if (!open_.empty()) {
            const Step& unclosed = steps_[open_.back().start];
            throw ScriptError(unclosed.position,
                              unclosed.name + " without " +
                                  (unclosed.kind == StepKind::loop ? "End Loop" : "End If"));
        }
        return std::move(steps_);
    }

private:
    Step step() {
        const Token first = parser_.peek();
        Step result;
        result.position = first.position;
        result.line = first.position.line;
        result.name = stepName();
        switch (result.kind = kindOf(result.name, first.position)) {
        case StepKind::setVariable: {
            parser_.expect(Kind::openBracket, "\"[\"");
            const std::string variable = parser_.expect(Kind::variable, "a $variable").text;
            if (parser_.peek().kind == Kind::openBracket)
                throw ScriptError(parser_.peek().position, "fmhost has no repetitions");
            parser_.expect(Kind::separator, "\";\"");
            skipLabel();
            calculation(result).variable = variable;
            parser_.expect(Kind::closeBracket, "\"]\"");
            break;
        }
        case StepKind::setField: {
            parser_.expect(Kind::openBracket, "\"[\"");
            result.fieldName = parser_.expect(Kind::field, "a field, Table::Field").text;
            parser_.expect(Kind::separator, "\";\"");
            calculation(result);
            parser_.expect(Kind::closeBracket, "\"]\"");
            break;
        }
        case StepKind::setFieldByName:
            parser_.expect(Kind::openBracket, "\"[\"");
            calculation(result);
            parser_.expect(Kind::separator, "\";\"");
            calculation(result);
            parser_.expect(Kind::closeBracket, "\"]\"");
            break;
        case StepKind::ifThen:
        case StepKind::elseIf:
        case StepKind::exitLoopIf:
            parser_.expect(Kind::openBracket, "\"[\"");
            calculation(result);
            parser_.expect(Kind::closeBracket, "\"]\"");
            break;
        case StepKind::exitScript:
            if (parser_.skip(Kind::openBracket) && !parser_.skip(Kind::closeBracket)) {
                skipLabel();
                calculation(result);
                parser_.expect(Kind::closeBracket, "\"]\"");
            }
            break;
        case StepKind::showDialog:
            parser_.expect(Kind::openBracket, "\"[\"");
            skipLabel();
            calculation(result);
            if (parser_.skip(Kind::separator)) {
                skipLabel();
                calculation(result);
            }
            skipOptions();
            break;
        case StepKind::goToRecord:
            goToRecord(result);
            break;
        case StepKind::performScript:
            performScript(result);
            break;
        default:
            if (parser_.skip(Kind::openBracket))
                skipOptions();
        }
        result.source = parser_.sourceFrom(first);
        for (Statement& statement : result.calculations)
            statement.source = result.source;
        if (!parser_.atStatementEnd())
            throw ScriptError(parser_.peek().position, "expected the end of the step");
        return result;
    }

    // The words and slashes before "[": "Go to Record/Request/Page".
    std::string stepName() {
        if (parser_.peek().kind != Kind::identifier)
            throw ScriptError(parser_.peek().position, "expected a script step");
        std::string name;
        while (parser_.peek().kind == Kind::identifier || parser_.peek().kind == Kind::slash) {
            const Token& token = parser_.next();
            if (token.kind == Kind::slash)
                name += "/";
            else
                name += (name.empty() || name.back() == '/' ? "" : " ") + token.text;
        }
        return name;
    }

    static StepKind kindOf(const std::string& name, SourcePosition at) {
        for (const auto& step : kSteps) {
            if (sameName(name, step.name))
                return step.kind;
        }
        throw ScriptError(at, "fmhost runs no script step \"" + name + "\"");
    }

    Statement& calculation(Step& step) {
        Statement statement;
        statement.line = step.line;
        statement.step = step.name;
        statement.expression = parser_.calculation(statement.localCount);
        step.calculations.push_back(std::move(statement));
        return step.calculations.back();
    }

    // An option's name and colon, such as "Value:" or "Exit after last:", when one comes next.
    bool skipLabel() {
        std::size_t words = 0;
        while (parser_.peekAt(words).kind == Kind::identifier)
            ++words;
        if (words == 0 || parser_.peekAt(words).kind != Kind::colon)
            return false;
        for (std::size_t i = 0; i <= words; ++i)
            parser_.next();
        return true;
    }

    // Everything up to the step's closing "]", and that.
    void skipOptions() {
        for (int depth = 0; depth > 0 || parser_.peek().kind != Kind::closeBracket;) {
            if (parser_.atStatementEnd())
                throw ScriptError(parser_.peek().position, "expected \"]\"");
            const Kind kind = parser_.next().kind;
            depth += kind == Kind::openBracket ? 1 : kind == Kind::closeBracket ? -1 : 0;
        }
        parser_.next();
    }

    // [ First | Last | Next | Previous ; Exit after last: On | Off ; other options ]
    void goToRecord(Step& step) {
        parser_.expect(Kind::openBracket, "\"[\"");
        const Token& where = parser_.peek();
        bool known = false;
        for (const auto& move : kMoves) {
            if (where.kind == Kind::identifier && sameName(where.text, move.word)) {
                step.move = move.move;
                known = true;
            }
        }
        if (!known)
            throw ScriptError(where.position, "fmhost goes to the First, Last, Next or Previous "
                                              "record");
        parser_.next();
        while (parser_.skip(Kind::separator)) {
            if (parser_.atKeyword("Exit") && sameName(parser_.peekAt(1).text, "after") &&
                sameName(parser_.peekAt(2).text, "last")) {
                for (int i = 0; i < 3; ++i)
                    parser_.next();
                step.exitAfterLast = !parser_.skip(Kind::colon) || onOrOff();
            } else {
                while (parser_.peek().kind != Kind::separator &&
                       parser_.peek().kind != Kind::closeBracket && !parser_.atStatementEnd())
                    parser_.next();
            }
        }
        parser_.expect(Kind::closeBracket, "\"]\"");
    }

    // [ Specified: From list ; "Name" ; Parameter: calculation ]
    void performScript(Step& step) {
        parser_.expect(Kind::openBracket, "\"[\"");
        if (skipLabel() && parser_.atKeyword("From") && sameName(parser_.peekAt(1).text, "list")) {
            parser_.next();
            parser_.next();
            parser_.expect(Kind::separator, "\";\"");
        }
        step.scriptName = parser_.expect(Kind::text, "the script's name in quotes").text;
        if (parser_.skip(Kind::separator)) {
            skipLabel();
            calculation(step);
        }
        parser_.expect(Kind::closeBracket, "\"]\"");
    }

    bool onOrOff() {
        const Token& word = parser_.peek();
        if (word.kind != Kind::identifier ||
            !(sameName(word.text, "On") || sameName(word.text, "Off")))
            throw ScriptError(word.position, "expected On or Off");
        return sameName(parser_.next().text, "On");
    }

    // Matches the control step just read with the steps it belongs with.
    void match(std::size_t index) {
        Step& step = steps_[index];
        switch (step.kind) {
        case StepKind::ifThen:
            open_.push_back({index, {index}, {}, false});
            break;
        case StepKind::elseIf:
        case StepKind::otherwise: {
            Block& block = innermost(step, StepKind::ifThen, "If");
            if (block.sawElse)
                throw ScriptError(step.position, step.name + " after Else");
            steps_[block.branches.back()].next = index;
            block.branches.push_back(index);
            block.sawElse = step.kind == StepKind::otherwise;
            break;
        }
        case StepKind::endIf: {
            const Block block = innermost(step, StepKind::ifThen, "If");
            for (std::size_t branch : block.branches)
                steps_[branch].end = index;
            if (!block.sawElse)
                steps_[block.branches.back()].next = index;
            open_.pop_back();
            break;
        }
        case StepKind::loop:
            open_.push_back({index, {}, {}, false});
            break;
        case StepKind::endLoop: {
            const Block block = innermost(step, StepKind::loop, "Loop");
            steps_[block.start].end = index;
            step.end = block.start;
            for (std::size_t exit : block.exits)
                steps_[exit].end = index;
            open_.pop_back();
            break;
        }
        case StepKind::exitLoopIf:
        case StepKind::goToRecord:
            if (step.kind == StepKind::goToRecord && !step.exitAfterLast)
                break;
            for (auto block = open_.rbegin(); block != open_.rend(); ++block) {
                if (steps_[block->start].kind == StepKind::loop) {
                    block->exits.push_back(index);
                    return;
                }
            }
            if (step.kind == StepKind::exitLoopIf)
                throw ScriptError(step.position, "Exit Loop If outside a Loop");
            break;
        default:
            break;
        }
    }

    // The innermost open block, which must be one that `opener` starts.
    Block& innermost(const Step& step, StepKind opener, const char* openerName) {
        if (open_.empty() || steps_[open_.back().start].kind != opener)
            throw ScriptError(step.position, step.name + " without " + openerName);
        return open_.back();
    }

    const std::string& script_;
    CalculationParser parser_;
    std::vector<Step> steps_;
    std::vector<Block> open_;
};

} // namespace

std::vector<Step> parseSteps(const std::string& script) {
    return StepParser(script).steps();
}

bool looksLikeSteps(const std::string& script) {
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line.compare(start, 2, "//") == 0 ||
            line.compare(start, 2, "/*") == 0)
            continue;
        if (line[start] == '#')
            return true;
        std::string head = line.substr(start, line.find('[', start) - start);
        head.erase(head.find_last_not_of(" \t\r") + 1);
        for (const auto& step : kSteps) {
            if (sameName(head, step.name))
                return true;
        }
        return false;
    }
    return false;
}
