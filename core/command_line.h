#pragma once
// A command line kept twice: as the display text a user would read in a message, and as the
// exact argument list handed to the operating system, so no path is ever re-split.
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct CommandLine {
    std::string text;
    std::vector<std::string> arguments;
};

// Appends one argument: a blank between arguments, double quotes around one that holds a blank.
// An empty argument adds nothing.
void AppendArgument(CommandLine& commandLine, std::string_view argument);

}  // namespace core
