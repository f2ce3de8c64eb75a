#include "Console.h"

#include <unistd.h>

// The arguments come as the bytes typed, which are UTF-8 under any UTF-8 locale.
std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void useByteExactStandardStreams() {}

bool standardInputIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}
