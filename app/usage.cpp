#include "app/usage.h"

#include <string_view>

#include "app/companion_files.h"

namespace app {

namespace {

std::string Help(const std::string& executablePath) {
    const std::string base = CompanionFilesFor(executablePath).base;
    return "usage: " + base +
           " [--help | --version]\n"
           "\n"
           "Turns a file from one known version into another with a binary patch and proves the\n"
           "result by its MD5 checksum. Name the file in the window (or drop it there), pick the\n"
           "version it should become and press Convert; the original is never damaged by a failed\n"
           "conversion.\n"
           "\n"
           "Files beside the program, sharing its base name:\n"
           "  " +
           base +
           ".sfx  the patch set (required)\n"
           "  " +
           base +
           ".cfg  settings; the one in the current directory is read first\n"
           "  " +
           base +
           ".dll  branding pictures and sounds (optional)\n"
           "\n"
           "Exit status: 0 after the window closed, 2 after a fatal error at start, 128 + n after\n"
           "signal n.\n";
}

}  // namespace

std::optional<std::string> InformationAskedFor(std::span<const char* const> arguments,
                                               const std::string& executablePath) {
    if (arguments.empty()) return std::nullopt;
    const std::string_view first = arguments[0];
    if (first == "--help" || first == "-h") return Help(executablePath);
    if (first == "--version")
        return CompanionFilesFor(executablePath).base + " (file-converter) " FC_VERSION "\n";
    return std::nullopt;
}

}  // namespace app
