// fmhost: a stand-in FileMaker host that loads the plug-in and runs scripts: script steps or
// calculations.
#include "Console.h"
#include "Options.h"
#include "PluginLoader.h"
#include "ScriptSession.h"

#include "FMWrapper/FMXHost.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Paths are UTF-8 from the command line; u8path keeps them so on Windows, where a path made from
// a std::string would be read in the ANSI code page.
bool readScript(const std::string& path, std::string& script) {
    if (path == "-") {
        script.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return true;
    }
    const std::filesystem::path filePath = std::filesystem::u8path(path);
    std::ifstream file(filePath, std::ios::binary);
    if (!file || std::filesystem::is_directory(filePath))
        return false;
    script.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

// The script run `threads` times at once, each run in a host session of its own (1 to threads,
// also its $session), as FileMaker Server runs scripts side by side; the sessions are ended once
// the runs are done. The runs' outputs follow one another, each under a heading. The worst exit
// code is fmhost's.
int runInSessions(const RunOptions& options, const std::string& script, int threads,
                  fmx::host::PluginConnection& connection) {
    std::vector<std::ostringstream> outputs(static_cast<std::size_t>(threads));
    std::vector<std::ostringstream> errors(static_cast<std::size_t>(threads));
    std::vector<int> exitCodes(static_cast<std::size_t>(threads), kExitOk);
    std::vector<std::thread> runs;
    for (int n = 1; n <= threads; ++n) {
        runs.emplace_back([&, n] {
            const auto index = static_cast<std::size_t>(n - 1);
            RunOptions own = options;
            own.session = n;
            own.variables.emplace_back("session", std::to_string(n));
            ScriptSession session(own, outputs[index], errors[index]);
            exitCodes[index] = session.runScript(script);
        });
    }
    for (std::thread& run : runs)
        run.join();
    for (int n = 1; n <= threads; ++n)
        connection.sessionShutdown(n);
    int exitCode = kExitOk;
    for (std::size_t index = 0; index < runs.size(); ++index) {
        if (!options.json)
            std::cout << "== session " << index + 1 << "\n";
        std::cout << outputs[index].str();
        if (!options.json)
            std::cout << "\n";
        std::cerr << errors[index].str();
        exitCode = std::max(exitCode, exitCodes[index]);
    }
    return exitCode;
}

int run(const Options& options) {
    RunOptions run;
    run.json = options.json;
    run.strict = options.strict;
    run.countCalls = options.countCalls;
    run.saveDirectory = options.saveDirectory;
    run.tablePath = options.tablePath;
    run.variables = options.variables;
    std::string script;
    const bool interactive = !options.list && !options.script && standardInputIsTerminal();
    if (!options.list && !interactive) {
        const std::string path = options.script.value_or("-");
        if (!readScript(path, script)) {
            std::cerr << "fmhost: cannot read the script " << path << "\n";
            return kExitScriptError;
        }
        if (path != "-") {
            run.kind = scriptKindOf(path);
            run.scriptName = path;
            run.baseDirectory = std::filesystem::u8path(path).parent_path().u8string();
        }
    }

    // By default the plug-in beside fmhost (TALVERO_PLUGIN_FILE: its file name in this build).
    const std::string pluginPath = options.pluginPath.empty()
                                       ? (executableFolder() / TALVERO_PLUGIN_FILE).u8string()
                                       : options.pluginPath;
    LoadedPlugin plugin(pluginPath);
    fmx::host::PluginConnection connection(plugin.entryPoint(), plugin.handle());
    const fmx::ptrtype accepted = connection.init(options.hostVersion);
    if (accepted <= 0) {
        std::cerr << "fmhost: the plug-in refused init with host version " << options.hostVersion
                  << " (answer " << accepted << ")\n";
        return kExitPluginError;
    }
    const std::string name = connection.getString(kFMXT_NameStr);
    const std::string description = connection.getString(kFMXT_AppConfigStr);
    const std::string configuration = connection.getString(kFMXT_OptionsStr);

    int exitCode = kExitOk;
    if (options.list) {
        listFunctions(std::cout);
    } else {
        if (!options.json)
            std::cout << name << " (" << configuration << "): " << description << "\n\n";
        if (options.threads > 0) {
            exitCode = runInSessions(run, script, options.threads, connection);
        } else {
            run.session = options.session;
            ScriptSession session(run, std::cout, std::cerr);
            exitCode = interactive ? session.runInteractive(std::cin) : session.runScript(script);
        }
    }
    connection.shutdown();
    return exitCode;
}

} // namespace

int main(int argc, char** argv) {
    useByteExactStandardStreams();
    try {
        const std::vector<std::string> arguments = commandLineArguments(argc, argv);
        std::vector<const char*> pointers;
        for (const std::string& argument : arguments)
            pointers.push_back(argument.c_str());
        const Options options = parseOptions(static_cast<int>(pointers.size()), pointers.data());
        if (options.help) {
            std::cout << kUsage;
            return kExitOk;
        }
        return run(options);
    } catch (const UsageError& error) {
        std::cerr << "fmhost: " << error.what() << "\n\n" << kUsage;
        return kExitScriptError;
    } catch (const PluginLoadError& error) {
        std::cerr << "fmhost: " << error.what() << "\n";
        return kExitPluginError;
    }
}
