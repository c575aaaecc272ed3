#include "core/naming.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

namespace {

using core::TargetChoice;
constexpr std::nullopt_t None = std::nullopt;

TargetChoice Previous(std::string version, std::string proposedFileName = "") {
    TargetChoice previous;
    previous.Version = std::move(version);
    previous.ProposedFileName = std::move(proposedFileName);
    return previous;
}

struct StemCase {
    const char* path;
    std::optional<std::string_view> version;
    const char* stem;
};

TEST(NameStem, RemovesAtMostOneSuffixVersionFirst) {
    const StemCase cases[] = {
        {"/games/game_1.0.exe", "1.0", "game"},
        {"/games/GAME_1.0.EXE", "1.0", "GAME"},
        {"game_1.0_New.exe", "1.0", "game_1.0"},
        {"game_New_1.0.exe", "1.0", "game_New"},
        {"game_new.exe", "1.0", "game"},
        {"game_new.exe", None, "game_new"},
        {"_1.0.exe", "1.0", "_1.0"},  // nothing would be left
        {"GAME_1.0B.EXE", "1.0b", "GAME"},
        {"readme_1.0", "1.0", "readme_1"},  // ".0" is its extension
        {"/a.b/game", None, "game"},        // a dot in the directory is no extension
    };
    for (const StemCase& c : cases) EXPECT_EQ(core::NameStem(c.path, c.version), c.stem) << c.path;
}

TEST(MatchCaseOf, FollowsAnAllUpperOrAllLowerModelOnly) {
    const std::array<std::array<const char*, 3>, 7> cases{{
        {"GAME", "1.1b", "1.1B"},
        {"GAME", "Beta2", "Beta2"},
        {"GAME", "_New", "_New"},
        {"game", "_New", "_new"},
        {"Game", "1.1b", "1.1b"},
        {"2004", "rc1", "RC1"},
        {"game", "\xC4X", "\xC4x"},  // only A to Z change
    }};
    for (const auto& [model, text, result] : cases)
        EXPECT_EQ(core::MatchCaseOf(model, text), result) << model;
}

TEST(ApplyNamePattern, FillsTheAsterisksInTheReferencesDirectory) {
    const std::array<std::array<const char*, 3>, 9> cases{{
        {"/games/game.exe", "*_v11.*", "/games/game_v11.exe"},
        {"/games/game.exe", "*-*.bak", "/games/game-game.bak"},
        {"/games/game.exe", "setup.exe", "/games/setup.exe"},
        {"/games/game.exe", "newgame", "/games/newgame."},
        {"/games/game.exe", "*", "/games/game."},
        {"/games/game.exe", "/elsewhere/*_v11.*", "/games/game_v11.exe"},
        {"/games/game.exe", "?*.*", "/games/?game.exe"},
        {"readme", "*.*", "readme."},
        {"/games/g*me.e*e", "*.*", "/games/gme.ee"},  // the reference's own asterisks go
    }};
    for (const auto& [reference, pattern, result] : cases)
        EXPECT_EQ(core::ApplyNamePattern(reference, pattern), result) << reference << " " << pattern;
}

struct DerivedCase {
    const char* target;
    TargetChoice previous;
    bool derived;
};

TEST(IsDerivedTargetName, KnowsTheProgramsOwnNamesInAnyDirectory) {
    const DerivedCase cases[] = {
        {"/games/game_1.1.exe", Previous("1.1"), true},
        {"/out/GAME_1.1.EXE", Previous("1.1"), true},
        {"/games/game_New.exe", Previous("1.1"), true},
        {"/elsewhere/game_1.0.exe", Previous("1.1"), true},             // the source's own name
        {"/games/game_1.0_v11.exe", Previous("1.1", "*_v11.*"), true},  // the whole base name
        {"/games/game_.exe", Previous(""), true},                       // before the first choice
        {"/games/", Previous("1.1"), false},                            // a directory has no name of ours
    };
    for (const DerivedCase& c : cases)
        EXPECT_EQ(core::IsDerivedTargetName("/games/game_1.0.exe", "1.0", c.target, c.previous), c.derived)
            << c.target;
    EXPECT_FALSE(core::IsDerivedTargetName("", None, "/games/", Previous("1.1")));
}

core::FileInfo Target(std::string version, std::string proposedFileName = "") {
    core::FileInfo target;
    target.Version = std::move(version);
    target.ProposedFileName = std::move(proposedFileName);
    return target;
}

struct ProposalCase {
    const char* source;
    const char* version;
    const char* before;
    core::FileInfo chosen;
    TargetChoice previous;
    std::optional<std::string> after;
};

TEST(ProposeTargetName, ReplacesEmptyAndDerivedNamesOnly) {
    const ProposalCase cases[] = {
        {"/games/game.exe", "1.0", "", Target("1.1"), {}, "/games/game_1.1.exe"},
        {"/games/game.exe", "1.0", "/games/game_1.1.exe", Target("1.2"), Previous("1.1"),
         "/games/game_1.2.exe"},
        {"/games/game.exe", "1.0", "/out/game_1.2.exe", Target("1.3"), Previous("1.2"), "/out/game_1.3.exe"},
        {"/games/game.exe", "1.0", "/out/mine.exe", Target("1.4"), Previous("1.3"), None},
        {"/games/game.exe", "1.0", "/out/game.exe", Target("1.4"), Previous("1.3"), "/out/game_1.4.exe"},
        {"/games/GAME_1.0.EXE", "1.0", "", Target("1.1b"), {}, "/games/GAME_1.1B.EXE"},
        {"/games/game.exe", "1.0", "", Target("1.1", "*_v11.*"), {}, "/games/game_v11.exe"},
        {"/GAMES/GAME.EXE", "1.0", "", Target("1.1", "*_v11.*"), {}, "/GAMES/GAME_V11.EXE"},
        {"/games/GAME.exe", "1.0", "", Target("1.1", "*_v11.*"), {}, "/games/GAME_v11.exe"},
        {"/games/game_New.exe", "1.0", "", Target("1.1"), {}, "/games/game_1.1.exe"},
        {"/games/readme", "1.0", "", Target("1.1"), {}, "/games/readme_1.1"},
        {"/games/readme", "1.0", "", Target("1.1", "*_v11.*"), {}, "/games/readme_v11."},
        {"/games/_1.0.exe", "1.0", "", Target("1.1"), {}, "/games/_1.0_1.1.exe"},
        {"/games/game_New_1.0.exe", "1.0", "", Target("1.1"), {}, "/games/game_New_1.1.exe"},
        {"/games/game.exe", "1.0", "/games/", Target("1.1"), Previous("1.0"), None},
        {"/games/game.exe", "1.0", "/games/game_.exe", Target("1.1"), {}, "/games/game_1.1.exe"},
        {"/games/game.exe", "1.0", "/out/game_v11.exe", Target("1.2", "*_v12.*"), Previous("1.1", "*_v11.*"),
         "/out/game_v12.exe"},
    };
    for (const ProposalCase& c : cases)
        EXPECT_EQ(core::ProposeTargetName(c.source, c.version, c.before, c.chosen, c.previous), c.after)
            << c.source << " / " << c.before;
}

TEST(NewFileName, OffersTheStemWithNewInTheSourcesCase) {
    const StemCase cases[] = {
        {"/games/game_1.0.exe", "1.0", "game_new.exe"}, {"/games/GAME.EXE", "1.0", "GAME_New.EXE"},
        {"/games/Game.exe", None, "Game_New.exe"},      {"/games/game_New.exe", "1.0", "game_New.exe"},
        {"game_new.exe", None, "game_new_new.exe"},     {"/games/readme", None, "readme_new"},
    };
    for (const StemCase& c : cases) EXPECT_EQ(core::NewFileName(c.path, c.version), c.stem) << c.path;
}

}  // namespace
