#include "core/placeholders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/special_folders.h"
#include "tests/core/support/scoped_environment.h"
#include "tests/core/support/temp_dir.h"

namespace {

TEST(ExpandPlaceholders, VariablesThenFoldersIgnoringCase) {
    const core::PlaceholderSources sources{
        {"TEMP=/tmp", "HOME=/home/u", "PATHS=<CSIDL_PROFILE>/bin", "=C:=C:\\", "Self=a%self%b",
         "Next=%HOME%"},
        [](int csidl) { return csidl == 10 ? std::string() : "/folder" + std::to_string(csidl); }};
    const std::pair<const char*, const char*> cases[] = {
        {"%temp%/a/%TEMP%", "/tmp/a//tmp"},
        {"%NOSUCHVARIABLE%/out.doc", "%NOSUCHVARIABLE%/out.doc"},
        {"x<csidl_personal>y", "x/folder5y"},
        {"a<CSIDL_BITBUCKET>b", "ab"},  // a folder without a path
        {"<CSIDL_NOSUCHFOLDER>", "<CSIDL_NOSUCHFOLDER>"},
        {"<CSIDL_COMMON_APPDATA>|<CSIDL_APPDATA>|<CSIDL_PROGRAM_FILES_COMMON>",
         "/folder35|/folder26|/folder43"},
        {"%PATHS%", "/folder40/bin"},  // a variable may hold a folder
        {"%self%", "a%self%b"},        // its own placeholder stays, and the expansion ends
        {"%%", "%%"},                  // entries with an empty name take no part
        {"%Next%", "%HOME%"},          // inserted text is not searched for earlier entries
        {"100% <sure> %", "100% <sure> %"},
    };
    for (const auto& [text, expanded] : cases)
        EXPECT_EQ(core::ExpandPlaceholders(text, sources), expanded) << text;
}

// Values never expand each other, however the variables refer to one another, and the work stays
// in proportion to the text: a chain of doubling variables or a text full of openers is quick.
TEST(ExpandPlaceholders, ValuesAreNeverExpandedAgain) {
    std::vector<std::string> environment{"AAA=%ZZZ%", "ZZZ=%AAA%", "aaa=shadowed"};
    for (int i = 1; i <= 22; ++i)
        environment.push_back("V" + std::to_string(i) + "=%V" + std::to_string(i + 1) + "%%V" +
                              std::to_string(i + 1) + "%");
    const core::PlaceholderSources sources{environment, [](int) { return std::string("/f"); }};
    const std::string openers = std::string(100000, '<') + std::string(100000, '%') + "<CSIDL_PROFILE>";
    const std::pair<std::string, std::string> cases[] = {
        {"%AAA%|%ZZZ%", "%ZZZ%|%AAA%"},
        {"%V1%", "%V2%%V2%"},
        {openers, openers.substr(0, 200000) + "/f"},
    };
    for (const auto& [text, expanded] : cases)
        EXPECT_EQ(core::ExpandPlaceholders(text, sources), expanded) << text.substr(0, 20);
}

// Each test has its own home and none of the machine's XDG variables.
class SpecialFolders : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            environment.Unset(name);
        environment.Set("HOME", home);
    }

    testing_support::TempDir dir;
    testing_support::ScopedEnvironment environment;
    std::string home = dir.File("home");
};

TEST_F(SpecialFolders, WithoutSettingsTheUsualFolders) {
    const std::pair<int, std::string> cases[] = {
        {5, home + "/Documents"},
        {16, home + "/Desktop"},
        {39, home + "/Pictures"},
        {26, home + "/.config"},
        {32, home + "/.cache"},
        {40, home},
        {35, "/etc/xdg"},
        {37, "/usr/lib"},
        {10, ""},
        {62, ""},
    };
    for (const auto& [csidl, path] : cases) EXPECT_EQ(platform::SpecialFolderPath(csidl), path) << csidl;
}

TEST_F(SpecialFolders, XdgVariablesAndUserDirsOverrideTheFallBacks) {
    const std::string config = dir.File("config");
    environment.Set("XDG_CONFIG_HOME", config + "/");
    environment.Set("XDG_CACHE_HOME", "relative/cache");  // not absolute: ignored
    std::filesystem::create_directory(config);
    dir.Write("config/user-dirs.dirs",
              "# written by the desktop\n"
              "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
              "  XDG_DESKTOP_DIR = \"/srv/desk top\"\n"
              "XDG_MUSIC_DIR=\"$HOME/Old\"\n"
              "XDG_MUSIC_DIR=\"$HOME/Mu\\\"sik\"\n"
              "XDG_PICTURES_DIR=\"~/Bilder\"\n");
    const std::pair<int, std::string> cases[] = {
        {26, config},
        {32, home + "/.cache"},
        {5, home + "/Dokumente"},
        {0, "/srv/desk top"},
        {13, home + "/Mu\"sik"},   // the last setting counts
        {39, home + "/Pictures"},  // an unreadable line names nothing
    };
    for (const auto& [csidl, path] : cases) EXPECT_EQ(platform::SpecialFolderPath(csidl), path) << csidl;
}

}  // namespace
