#include "core/placeholders.h"

#include "core/text.h"
#include "platform/environment.h"
#include "platform/special_folders.h"

namespace core {

const std::array<ShellFolder, 50> ShellFolderTable{{
    {"ADMINTOOLS", 48},
    {"ALTSTARTUP", 29},
    {"APPDATA", 26},
    {"BITBUCKET", 10},
    {"CDBURN_AREA", 59},
    {"COMMON_ADMINTOOLS", 47},
    {"COMMON_ALTSTARTUP", 30},
    {"COMMON_APPDATA", 35},
    {"COMMON_DESKTOPDIRECTORY", 25},
    {"COMMON_DOCUMENTS", 46},
    {"COMMON_FAVORITES", 31},
    {"COMMON_MUSIC", 53},
    {"COMMON_PICTURES", 54},
    {"COMMON_PROGRAMS", 23},
    {"COMMON_STARTMENU", 22},
    {"COMMON_STARTUP", 24},
    {"COMMON_TEMPLATES", 45},
    {"COMMON_VIDEO", 55},
    {"CONTROLS", 3},
    {"COOKIES", 33},
    {"DESKTOP", 0},
    {"DESKTOPDIRECTORY", 16},
    {"DRIVES", 17},
    {"FAVORITES", 6},
    {"FONTS", 20},
    {"HISTORY", 34},
    {"INTERNET", 1},
    {"INTERNET_CACHE", 32},
    {"LOCAL_APPDATA", 28},
    {"MYDOCUMENTS", 12},
    {"MYMUSIC", 13},
    {"MYPICTURES", 39},
    {"MYVIDEO", 14},
    {"NETHOOD", 19},
    {"NETWORK", 18},
    {"PERSONAL", 5},
    {"PRINTERS", 4},
    {"PRINTHOOD", 27},
    {"PROFILE", 40},
    {"PROFILES", 62},
    {"PROGRAM_FILES", 38},
    {"PROGRAM_FILES_COMMON", 43},
    {"PROGRAMS", 2},
    {"RECENT", 8},
    {"SENDTO", 9},
    {"STARTMENU", 11},
    {"STARTUP", 7},
    {"SYSTEM", 37},
    {"TEMPLATES", 21},
    {"WINDOWS", 36},
}};

namespace {

// Replaces every occurrence of `placeholder` (ignoring letter case) from left to right and goes
// on searching after the inserted value, so the value is never searched for the same placeholder.
void ReplaceEachOnce(std::string& text, std::string_view placeholder, std::string_view value) {
    const std::string wanted = LowerCase(placeholder);
    std::string folded = LowerCase(text);
    for (std::size_t at = folded.find(wanted); at != std::string::npos; at = folded.find(wanted, at)) {
        text.replace(at, wanted.size(), value);
        folded.replace(at, wanted.size(), LowerCase(value));
        at += value.size();
    }
}

void ExpandEnvironment(std::string& text, const std::vector<std::string>& environment) {
    for (const std::string& entry : environment) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        const std::string_view name = std::string_view(entry).substr(0, equals);
        ReplaceEachOnce(text, "%" + std::string(name) + "%", std::string_view(entry).substr(equals + 1));
    }
}

void ExpandSpecialFolders(std::string& text, const std::function<std::string(int)>& specialFolder) {
    for (const ShellFolder& folder : ShellFolderTable) {
        const std::string placeholder = "<CSIDL_" + std::string(folder.Name) + ">";
        // Asking the system only for folders that are named keeps the common case cheap.
        if (LowerCase(text).find(LowerCase(placeholder)) == std::string::npos) continue;
        ReplaceEachOnce(text, placeholder, specialFolder(folder.Csidl));
    }
}

}  // namespace

PlaceholderSources SystemPlaceholderSources() {
    return {platform::EnvironmentEntries(), platform::SpecialFolderPath};
}

std::string ExpandPlaceholders(std::string_view text, const PlaceholderSources& sources) {
    std::string expanded(text);
    ExpandEnvironment(expanded, sources.Environment);
    ExpandSpecialFolders(expanded, sources.SpecialFolder);
    return expanded;
}

}  // namespace core
