#include "core/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/colours.h"
#include "core/settings_reader.h"
#include "tests/core/support/temp_dir.h"

namespace {

using namespace std::string_literals;
using core::RgbColour;
constexpr std::nullopt_t Missing = std::nullopt;

TEST(SettingsReader, TakesHeadersAndKeysExactlyAndTheFirstOfEach) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"[settings]\r\nappname=Converter", "Converter"},
        {"[ Settings ]\nAppName=Converter", Missing},
        {"[Settings] \nAppName=Converter", Missing},  // a header followed by a blank is no header
        {"[Settings]\nAppName =Converter", Missing},
        {"[Settings]\nAppName= Converter ", " Converter "},
        {"[Settings]\nAppName=", ""},
        {"[Settings]\nAppName=First\nAppName=Second", "First"},
        {"[Settings]\nTitle=x\n[Settings]\nAppName=Second section", Missing},
        {"AppName=Before any header\n[Settings]", Missing},
        {"[Settings]\n;AppName=Comment\nAppName\nAppName=Real", "Real"},
        {"[Settings]\rAppName=CR only\r", "CR only"},
        {"[Settings]\nAppName=Zero\0\nAppName=x"s, "Zero"},
    };
    for (const auto& [text, appName] : cases)
        EXPECT_EQ(core::SettingsReader::FromText(text).Value("Settings", "AppName"), appName) << text;
}

TEST(ReadNumber, DecimalWithinSigned32BitsOrHexadecimalWithin32Bits) {
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
        {"  -1", -1},
        {"+7", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", Missing},
        {"$800000", 0x800000},
        {"x10", 16},
        {"0XfF", 255},
        {"$FFFFFFFF", -1},
        {"$100000000", Missing},
        {"0x", Missing},
        {"-$1", Missing},
        {"1 ", Missing},
        {"", Missing},
        {"\t1", Missing},
        {"1.5", Missing},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(core::ReadNumber(text), value) << '"' << text << '"';
}

TEST(ResolveColour, NamesThenNumbersThenTheFallBack) {
    const core::Colour fallback = RgbColour(1, 2, 3);
    const std::pair<const char*, core::Colour> cases[] = {
        {"CLNAVY", RgbColour(0, 0, 128)},
        {"8388608", RgbColour(0, 0, 128)},
        {"clFuchsia", RgbColour(255, 0, 255)},
        {"cl3DDkShadow", 0x80000015},
        {"clNone", core::NoColour},
        {"$80000008", 0x80000008},
        {"clNavy ", fallback},
        {"purple", fallback},
        {"", fallback},
    };
    for (const auto& [text, colour] : cases) EXPECT_EQ(core::ResolveColour(text, fallback), colour) << text;
}

class ReadSettings : public ::testing::Test {
  protected:
    core::LoadedSettings Read(const std::string& contents) {
        return core::ReadSettings(dir.Write("convert.cfg", contents), sources);
    }

    testing_support::TempDir dir;
    core::PlaceholderSources sources{{"DATA=/srv/data"},
                                     [](int csidl) { return csidl == 5 ? "/home/u/Documents" : ""; }};
};

TEST_F(ReadSettings, EveryKeyOfTheSettingsSection) {
    const core::LoadedSettings loaded = Read(
        "[Settings]\r\nAppName=Letter Updater\r\nSourceFileString=&Old:\r\nTargetFileString=&New:\r\n"
        "FileVersionString=&Pick:\r\nFormColor=clNavy\r\nFontColor=$00FFFF\r\nFontErrorColor=clFuchsia\r\n"
        "FontStatusColor=clNone\r\nSourceFile=%data%/letter.txt\r\nTargetFile=<CSIDL_PERSONAL>/new.txt\r\n"
        "DisableSourceOverwrite=-1\r\n");
    EXPECT_EQ(loaded.Stored.AppName, "Letter Updater");
    EXPECT_EQ(loaded.Captions.SourceFileString, "&Old:");
    EXPECT_EQ(loaded.Captions.TargetFileString, "&New:");
    EXPECT_EQ(loaded.Captions.FileVersionString, "&Pick:");
    EXPECT_EQ(loaded.Stored.Colours.FormColor, RgbColour(0, 0, 128));
    EXPECT_EQ(loaded.Stored.Colours.FontColor, RgbColour(255, 255, 0));
    EXPECT_EQ(loaded.Stored.Colours.FontErrorColor, RgbColour(255, 0, 255));
    EXPECT_EQ(loaded.Stored.Colours.FontStatusColor, core::NoColour);
    EXPECT_EQ(loaded.Stored.SourceFile, "/srv/data/letter.txt");
    EXPECT_EQ(loaded.Stored.TargetFile, "/home/u/Documents/new.txt");
    EXPECT_TRUE(loaded.Stored.DisableSourceOverwrite);
}

TEST_F(ReadSettings, AMissingOrUnreadableFileOrSectionGivesTheDefaults) {
    std::filesystem::create_directory(dir.File("directory.cfg"));
    for (const core::LoadedSettings& loaded : {core::ReadSettings(dir.File("missing.cfg"), sources),
                                               core::ReadSettings(dir.File("directory.cfg"), sources),
                                               Read("[Other]\nAppName=x\nFormColor=clRed\n")}) {
        EXPECT_EQ(loaded.Stored.AppName, "File Converter");
        EXPECT_EQ(loaded.Captions.FileVersionString, "Choose file &version to convert to:");
        EXPECT_EQ(loaded.Stored.Colours.FormColor, RgbColour(192, 192, 192));
        EXPECT_EQ(loaded.Stored.Colours.FontColor, 0x80000008);
        EXPECT_FALSE(loaded.Stored.DisableSourceOverwrite);
    }
}

TEST_F(ReadSettings, TheOverwriteSwitchIsOnForAnyReadableNumberButZero) {
    const std::pair<const char*, bool> cases[] = {{"1", true},    {"0x10", true}, {"0", false},
                                                  {"yes", false}, {"", false},    {"1 ", false}};
    for (const auto& [value, on] : cases)
        EXPECT_EQ(Read("[Settings]\nDisableSourceOverwrite="s + value).Stored.DisableSourceOverwrite, on)
            << value;
}

}  // namespace
