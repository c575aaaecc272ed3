#include "pack/usage.h"

#include <algorithm>

namespace pack {

namespace {

constexpr std::string_view Overview =
    "Makes and checks patch sets for file-converter.\n"
    "\n"
    "Verbs:\n"
    "  build   make a finished set from a folder of versions in one command\n"
    "  check   report the faults of a set that would hide versions from the converter\n"
    "\n"
    "'file-converter-pack VERB --help' describes a verb. Exit status: 0 done, 1 failed or faults\n"
    "found, 2 refused before any work, 128 + n ended by signal n.\n";

constexpr std::string_view BuildHelp =
    "usage: file-converter-pack build OUT_DIR --name FILE LABEL=PATH... [options]\n"
    "\n"
    "Makes a patch set from the versions of one file, given oldest first as LABEL=PATH, and writes\n"
    "OUT_DIR/<base>.sfx beside a copy of the converter named <base>, with <base>.cfg and <base>.dll\n"
    "when settings or branding options are given. The patches are made by the project's own patch\n"
    "maker, as many at once as there are cores and memory.\n"
    "\n"
    "Options:\n"
    "  --name FILE            the file name the converter recognises (required)\n"
    "  --base NAME            the converter's name in OUT_DIR (default: FILE without extension)\n"
    "  --to-latest            patches from every older version to the newest\n"
    "  --chain                patches from each version to the next and back\n"
    "                         (default: every ordered pair)\n"
    "  --describe LABEL=TEXT  one more description line for that version (repeatable)\n"
    "  --pattern PATTERN      the proposed file name of every version\n"
    "  --app-name TEXT        the application named for the file\n"
    "  --no-timestamp         no time stamps (default: each file's modification time)\n"
    "  --system-bsdiff        make the patches with the system's bsdiff\n"
    "  --system-bspatch       ship the system's bspatch instead of the project's patch tool\n"
    "  --title TEXT, --source-caption TEXT, --target-caption TEXT, --version-caption TEXT,\n"
    "  --form-colour COLOUR, --font-colour COLOUR, --no-overwrite\n"
    "                         the settings file's title, captions, colours and source protection\n"
    "  --picture-open BMP, --picture-close BMP, --sound-open WAV, --sound-close WAV\n"
    "                         the branding library's pictures and sounds\n"
    "  --force                replace an OUT_DIR that is not empty\n";

constexpr std::string_view CheckHelp =
    "usage: file-converter-pack check SET [--apply VERSION_DIR]\n"
    "\n"
    "Checks a set (a .sfx archive or a directory) and reports each fault on a line of its own:\n"
    "patches no version can use, missing patches of the set's plan, duplicate or malformed md5\n"
    "values, unreadable time stamps, a missing catalogue or patch tool, bare line feeds.\n"
    "\n"
    "Options:\n"
    "  --apply VERSION_DIR    also apply every patch to its starting version found in VERSION_DIR\n"
    "                         and verify the result's md5\n"
    "\n"
    "Exit status: 0 when nothing is wrong, 1 when something is, 2 when refused.\n";

bool Has(std::span<const std::string> arguments, std::string_view option) {
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

}  // namespace

std::optional<std::string> InformationAskedFor(std::span<const std::string> arguments) {
    if (arguments.empty()) return std::nullopt;
    const std::span<const std::string> verbArguments = arguments.subspan(1);
    if (arguments[0] == "build" && Has(verbArguments, "--help")) return std::string(BuildHelp);
    if (arguments[0] == "check" && Has(verbArguments, "--help")) return std::string(CheckHelp);
    if (arguments[0] == "--help" || arguments[0] == "-h")
        return std::string(ShortUsage) + "\n" + std::string(Overview);
    if (arguments[0] == "--version") return "file-converter-pack " FC_VERSION "\n";
    return std::nullopt;
}

}  // namespace pack
