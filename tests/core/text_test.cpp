#include "core/text.h"

#include <gtest/gtest.h>

namespace {

struct Split {
    std::string text, token, rest;
};

std::pair<std::string, std::string> SplitOf(std::string_view text) {
    const core::TokenSplit split = core::SplitToken(text);
    return {split.token, std::string(split.rest)};
}

TEST(SplitToken, QuotesBlanksAndBackslashes) {
    const Split cases[] = {
        {"setup.exe 1.0", "setup.exe", "1.0"},
        {"\"my game.exe\" 1.0 beta", "my game.exe", "1.0 beta"},
        {"\"a b\"x c", "a b", "c"},       // glued to the closing quote: dropped
        {"a\\\"b c", "a\"b", "c"},        // escaped quote stays in a bare token
        {"\"a\\\" b\" c", "a\" b", "c"},  // and in a quoted one
        {"word", "word", ""},
        {"", "", ""},
        {"\"never closed", "never closed", ""},
        {"\"no blank after\"tail", "no blank after", ""},
        {"ab\"cd ef \t", "ab", "ef"},  // a bare token ended by a quote
        {"ab\"cd", "ab", ""},
        {"one \t two  three \r\n", "one", "two  three"},
        {"\"\" rest", "", "rest"},
    };
    for (const Split& c : cases) {
        EXPECT_EQ(SplitOf(c.text), std::make_pair(c.token, c.rest)) << c.text;
    }
}

std::string Replaced(std::string text, std::string_view find, bool caseSensitive,
                     std::string_view replacement) {
    core::ReplaceText(text, find, caseSensitive, replacement);
    return text;
}

TEST(ReplaceText, ScansBackwardsOverInsertedText) {
    EXPECT_EQ(Replaced("\\\\\"", "\\\"", true, "\""), "\"");  // backslash, backslash, quote
    EXPECT_EQ(Replaced("%Temp%/a/%TEMP%", "%temp%", false, "/tmp"), "/tmp/a//tmp");
    EXPECT_EQ(Replaced("%Temp%/%temp%", "%temp%", true, "/tmp"), "%Temp%//tmp");
    EXPECT_EQ(Replaced("aaa", "a", true, "aa"), "aaaaaa");  // each original position once
    EXPECT_EQ(Replaced("abcabc", "abc", true, ""), "");
    EXPECT_EQ(Replaced("abc", "", true, "x"), "abc");
}

TEST(ChangeExtension, DropsFromTheLastDotOfTheNameOnly) {
    EXPECT_EQ(core::ChangeExtension("game.v2.exe", ".cfg"), "game.v2.cfg");
    EXPECT_EQ(core::ChangeExtension("/opt/a/tool", ".sfx"), "/opt/a/tool.sfx");
    EXPECT_EQ(core::ChangeExtension("readme", ""), "readme");
    EXPECT_EQ(core::ChangeExtension("a.b/c", ".x"), "a.b/c.x");
    EXPECT_EQ(core::ChangeExtension("dir/.hidden", ".x"), "dir/.x");
    EXPECT_EQ(core::ChangeExtension("a\\b.c:d", ""), "a\\b");  // '\' and ':' are plain characters
}

TEST(CaseAndTrim, OnlyAsciiLettersFoldAndOnlyControlCodesTrim) {
    EXPECT_EQ(core::LowerCase("AZ@[az\xC4\xD6"), "az@[az\xC4\xD6");
    EXPECT_TRUE(core::EqualIgnoringCase("Game.EXE", "game.exe"));
    EXPECT_FALSE(core::EqualIgnoringCase("\xC4", "\xE4"));
    const std::string padded = std::string("\0\t x y \x1F", 8) + " ";
    EXPECT_EQ(core::Trim(padded), "x y");
    EXPECT_EQ(core::Trim(" \xA0x\xA0 "), "\xA0x\xA0");  // bytes above 127 are not white space
}

}  // namespace
