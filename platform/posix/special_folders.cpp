// The Windows shell folders mapped onto the XDG base and user directories and a few system
// folders. This is the only code that reads $HOME, the XDG variables and user-dirs.dirs.
#include "platform/special_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>

namespace platform {

namespace {

// The user's home: $HOME, or the password database's entry when $HOME is unset or empty.
std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    std::array<char, 4096> buffer{};
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

// A folder in the home directory; none without a home.
std::string InHome(std::string_view relative) {
    const std::string home = HomeDirectory();
    return home.empty() ? std::string() : home + "/" + std::string(relative);
}

// An XDG base directory variable counts only when it holds an absolute path.
std::optional<std::string> AbsolutePathVariable(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return std::nullopt;
    return value;
}

std::string BaseDirectory(const char* variable, std::string_view homeRelative) {
    return AbsolutePathVariable(variable).value_or(InHome(homeRelative));
}

std::string ConfigHome() { return BaseDirectory("XDG_CONFIG_HOME", ".config"); }

// Skips blanks and tabs.
void SkipBlanks(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
}

bool Consume(std::string_view& text, std::string_view expected) {
    if (!text.starts_with(expected)) return false;
    text.remove_prefix(expected.size());
    return true;
}

// One line of user-dirs.dirs: XDG_<NAME>_DIR="$HOME/<path>" or XDG_<NAME>_DIR="/<path>", a
// backslash taking the next character as it stands. Anything else names nothing.
std::optional<std::string> UserDirectoryOnLine(std::string_view line, std::string_view name,
                                               const std::string& home) {
    SkipBlanks(line);
    if (!Consume(line, "XDG_") || !Consume(line, name) || !Consume(line, "_DIR")) return std::nullopt;
    SkipBlanks(line);
    if (!Consume(line, "=")) return std::nullopt;
    SkipBlanks(line);
    if (!Consume(line, "\"")) return std::nullopt;
    std::string path;
    if (Consume(line, "$HOME/"))
        path = home + "/";
    else if (!line.starts_with('/'))
        return std::nullopt;
    for (std::size_t i = 0; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        path += line[i];
    }
    return path;
}

// The user directory of that name (DOCUMENTS, DESKTOP, ...) as user-dirs.dirs sets it, its last
// setting counting; else the fall-back folder in the home directory.
std::string UserDirectory(std::string_view name, std::string_view fallback) {
    const std::string home = HomeDirectory();
    std::optional<std::string> path;
    std::ifstream file(ConfigHome() + "/user-dirs.dirs");
    for (std::string line; std::getline(file, line);) {
        if (std::optional<std::string> set = UserDirectoryOnLine(line, name, home)) path = std::move(set);
    }
    return path ? *path : InHome(fallback);
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string FolderPath(int csidl) {
    switch (csidl) {
        case 0:   // DESKTOP
        case 16:  // DESKTOPDIRECTORY
            return UserDirectory("DESKTOP", "Desktop");
        case 5:   // PERSONAL
        case 12:  // MYDOCUMENTS
            return UserDirectory("DOCUMENTS", "Documents");
        case 13:  // MYMUSIC
            return UserDirectory("MUSIC", "Music");
        case 39:  // MYPICTURES
            return UserDirectory("PICTURES", "Pictures");
        case 14:  // MYVIDEO
            return UserDirectory("VIDEOS", "Videos");
        case 21:  // TEMPLATES
            return UserDirectory("TEMPLATES", "Templates");
        case 26:  // APPDATA
            return ConfigHome();
        case 28:  // LOCAL_APPDATA
            return BaseDirectory("XDG_DATA_HOME", ".local/share");
        case 32:  // INTERNET_CACHE
            return BaseDirectory("XDG_CACHE_HOME", ".cache");
        case 20:  // FONTS
            return InHome(".local/share/fonts");
        case 40:  // PROFILE
            return HomeDirectory();
        case 35:  // COMMON_APPDATA
            return "/etc/xdg";
        case 46:  // COMMON_DOCUMENTS
            return "/usr/share/doc";
        case 38:  // PROGRAM_FILES
            return "/usr/bin";
        case 36:  // WINDOWS
            return "/usr";
        case 37:  // SYSTEM
            return "/usr/lib";
        default:  // virtual folders and those without a counterpart here
            return {};
    }
}

}  // namespace

std::string SpecialFolderPath(int csidl) { return WithoutTrailingSlashes(FolderPath(csidl)); }

}  // namespace platform
