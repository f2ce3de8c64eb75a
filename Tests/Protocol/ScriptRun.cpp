#include "ScriptRun.h"

#include "ScriptSession.h"

#include <nlohmann/json.hpp>

#include <sstream>

ScriptRun runScript(const std::string& script,
                    const std::vector<std::pair<std::string, std::string>>& variables) {
    RunOptions options;
    options.json = true;
    options.scriptName = "script";
    options.variables = variables;
    std::ostringstream out;
    std::ostringstream err;
    ScriptRun run;
    run.exitCode = ScriptSession(options, out, err).runScript(script);
    run.output = out.str();
    run.errors = err.str();

    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json reported = nlohmann::json::parse(line);
        ReportedStatement statement;
        statement.line = reported.at("line").get<int>();
        if (reported.at("var").is_string())
            statement.variable = reported.at("var").get<std::string>();
        const nlohmann::json& result = reported.at("result");
        statement.type = result.at("type").get<std::string>();
        const nlohmann::json& value = result.at("value");
        if (value.is_string())
            statement.text = value.get<std::string>();
        else if (value.is_number())
            statement.number = value.get<double>();
        if (!value.is_string())
            statement.text = value.dump();
        statement.error = reported.at("error").get<long>();
        run.statements.push_back(statement);
    }
    return run;
}
