#include "Options.h"

#include <cerrno>
#include <cstdlib>

const char* const kUsage =
    R"(Usage: fmhost [--plugin PATH] [--host-version N] [--json] [--strict] [--count-calls]
              [--save-containers DIR] [--set NAME=VALUE]... [--table FILE]
              [--session N | --threads N] [--list] [SCRIPT | -]

Loads the plug-in as the FileMaker host does (init, name, preferences and configuration
strings), runs a script against its functions, and shuts it down. A script is FileMaker
script steps (SCRIPT.fmscript) or calculations, one per line (SCRIPT.fmcalc); any other
script is taken as steps when its first line is one. A call that returns an error code
gives the calculation "?", as in FileMaker; the output shows what the plug-in returned.

  --plugin PATH          the plug-in file (default: the one beside fmhost)
  --host-version N       the host version sent with init (default 62)
  --json                 one JSON object per statement and line instead of readable blocks
  --strict               stop at the first call whose error code is not 0 (exit 2)
  --count-calls          after the script, print to standard error how many times it called
                         each function of the plug-in (loops included)
  --save-containers DIR  write each container result's picture to DIR/line<N>.<ext>
  --set NAME=VALUE       define the text variable $NAME before the script runs
  --table FILE           the record table the script works on (Table::Field), read from the
                         JSON file and written back on Commit Records/Requests and at the end
  --session N            run the calls in host session N (default 0, FileMaker Pro's one), as
                         FileMaker Server runs each script, WebDirect user and Data API call
  --threads N            run the script N times at once, each in a session of its own (1 to N,
                         also in $session), then end those sessions; each run's output follows
                         under a heading of its session
  --list                 list the registered functions: prototype, argument range, flags
  SCRIPT | -             the script file, or - for standard input; without one, an
                         interactive prompt when standard input is a terminal

Script steps: Set Variable [ $name ; Value: calculation ], Set Field [ Table::Field ; ... ],
  If / Else If / Else / End If, Loop / Exit Loop If / End Loop, Exit Script,
  Show Custom Dialog, New Record/Request, Go to Record/Request/Page, Delete Record/Request,
  Commit Records/Requests, # comments
Calculations: one statement per line (continued while parentheses are open):
  $name = expression    or    expression
  Name ( arg ; arg )    calls a registered function ("," also separates arguments)
  "text" with \" \\ \¶ escapes (¶ is a carriage return), numbers, True, False, ¶,
  $variables, & (concatenation), Char ( code ), File ( "path" ), GetValue ( list ; n ),
  // and /* */ comments

Exit codes: 0 done; 1 syntax error, unknown function, unreadable file or bad usage;
2 a call failed under --strict; 3 the plug-in could not be loaded or refused init.
)";

namespace {

long parseNumber(const std::string& option, const std::string& text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high)
        throw UsageError(option + " needs a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + text + "\"");
    return value;
}

fmx::int16 parseHostVersion(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < -32768 || value > 32767)
        throw UsageError("--host-version needs a number from -32768 to 32767, not \"" + text +
                         "\"");
    return static_cast<fmx::int16>(value);
}

} // namespace

Options parseOptions(int argc, const char* const* argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw UsageError(argument + " needs a value");
            return argv[++i];
        };
        if (argument == "--plugin") {
            options.pluginPath = value();
        } else if (argument == "--host-version") {
            options.hostVersion = parseHostVersion(value());
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--strict") {
            options.strict = true;
        } else if (argument == "--count-calls") {
            options.countCalls = true;
        } else if (argument == "--list") {
            options.list = true;
        } else if (argument == "--save-containers") {
            options.saveDirectory = value();
        } else if (argument == "--table") {
            options.tablePath = value();
        } else if (argument == "--set") {
            const std::string definition = value();
            const std::size_t equals = definition.find('=');
            if (equals == 0 || equals == std::string::npos)
                throw UsageError("--set needs NAME=VALUE, not \"" + definition + "\"");
            options.variables.emplace_back(definition.substr(0, equals),
                                           definition.substr(equals + 1));
        } else if (argument == "--session") {
            options.session = parseNumber(argument, value(), 0, 1L << 30);
        } else if (argument == "--threads") {
            options.threads = static_cast<int>(parseNumber(argument, value(), 1, 64));
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option " + argument);
        } else if (options.script) {
            throw UsageError("more than one script: " + *options.script + ", " + argument);
        } else {
            options.script = argument;
        }
    }
    if (options.threads > 0 && options.session != 0)
        throw UsageError("--session and --threads do not go together");
    if (options.threads > 0 && !options.tablePath.empty())
        throw UsageError("--table and --threads do not go together: the runs would share a file");
    return options;
}
