#include "core/command_line.h"

namespace core {

// The display text quotes an argument that holds a blank and leaves quotes inside it alone;
// the argument list keeps the argument exactly.
void AppendArgument(CommandLine& commandLine, std::string_view argument) {
    if (argument.empty()) return;
    if (!commandLine.text.empty()) commandLine.text += ' ';
    const bool hasBlank = argument.find(' ') != std::string_view::npos;
    if (hasBlank) commandLine.text += '"';
    commandLine.text += argument;
    if (hasBlank) commandLine.text += '"';
    commandLine.arguments.emplace_back(argument);
}

}  // namespace core
