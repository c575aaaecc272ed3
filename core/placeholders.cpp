#include "core/placeholders.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

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

using ValueOf = std::function<std::optional<std::string>(std::string_view lowerCaseName)>;

// Scans the text once from left to right. A name between `open` and `close` that `valueOf` knows
// is replaced by its value and the scan goes on after it, so inserted text is never searched
// again; anything else stays as written. Names longer than `longestName` are not looked for,
// which keeps the scan linear in the text's length.
std::string ReplaceInOnePass(std::string_view text, char open, char close, std::size_t longestName,
                             const ValueOf& valueOf) {
    std::string result;
    std::size_t at = 0;
    for (std::size_t start = text.find(open); start != std::string_view::npos; start = text.find(open, at)) {
        result.append(text.substr(at, start - at));
        const std::string_view rest = text.substr(start + 1, longestName + 1);
        const std::size_t length = rest.find(close);
        const std::optional<std::string> value =
            length == std::string_view::npos ? std::nullopt : valueOf(LowerCase(rest.substr(0, length)));
        if (value) {
            result += *value;
            at = start + length + 2;
        } else {
            result += open;
            at = start + 1;
        }
    }
    result.append(text.substr(at));
    return result;
}

// Every placeholder of the text once, the first entry of a name (ignoring letter case) winning.
std::string ExpandEnvironment(std::string_view text, const std::vector<std::string>& environment) {
    std::unordered_map<std::string, std::string_view> values;
    std::size_t longestName = 0;
    for (const std::string& entry : environment) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        values.emplace(LowerCase(std::string_view(entry).substr(0, equals)),
                       std::string_view(entry).substr(equals + 1));
        longestName = std::max(longestName, equals);
    }
    return ReplaceInOnePass(text, '%', '%', longestName, [&values](std::string_view name) {
        const auto found = values.find(std::string(name));
        return found == values.end() ? std::nullopt : std::optional<std::string>(found->second);
    });
}

std::string ExpandSpecialFolders(std::string_view text,
                                 const std::function<std::string(int)>& specialFolder) {
    constexpr std::string_view Prefix = "csidl_";
    std::size_t longestName = 0;
    for (const ShellFolder& folder : ShellFolderTable)
        longestName = std::max(longestName, Prefix.size() + folder.Name.size());
    return ReplaceInOnePass(text, '<', '>', longestName,
                            [&](std::string_view name) -> std::optional<std::string> {
                                if (!name.starts_with(Prefix)) return std::nullopt;
                                for (const ShellFolder& folder : ShellFolderTable)
                                    if (EqualIgnoringCase(folder.Name, name.substr(Prefix.size())))
                                        return specialFolder(folder.Csidl);
                                return std::nullopt;
                            });
}

}  // namespace

PlaceholderSources SystemPlaceholderSources() {
    return {platform::EnvironmentEntries(), platform::SpecialFolderPath};
}

std::string ExpandPlaceholders(std::string_view text, const PlaceholderSources& sources) {
    return ExpandSpecialFolders(ExpandEnvironment(text, sources.Environment), sources.SpecialFolder);
}

}  // namespace core
