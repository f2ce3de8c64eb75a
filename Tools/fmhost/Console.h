// What fmhost needs of its process that differs between the platforms: the command line as
// UTF-8, standard streams that pass bytes unchanged, and whether a person is typing.
// One implementation per platform: ConsolePosix.cpp, ConsoleWindows.cpp.
#pragma once

#include <string>
#include <vector>

// The arguments, program name first, each in UTF-8.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Standard input, output and error read and write bytes as they are (no line-end translation),
// and a console shows UTF-8.
void useByteExactStandardStreams();

bool standardInputIsTerminal();
