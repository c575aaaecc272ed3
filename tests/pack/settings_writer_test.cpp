// The .cfg the tool writes, read back with the converter's own settings reader.
#include "pack/settings_writer.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "tests/core/support/temp_dir.h"

namespace {

class SettingsWriter : public ::testing::Test {
  protected:
    core::LoadedSettings WriteAndRead(const pack::SettingsRequest& request) {
        core::Result<std::string> text = pack::SettingsText(request);
        EXPECT_TRUE(text) << text.Reason();
        return core::ReadSettings(dir.Write("convert.cfg", text ? *text : ""), {{}, [](int) { return ""; }});
    }

    testing_support::TempDir dir;
};

TEST_F(SettingsWriter, TheReaderGivesBackEveryValueAsAsked) {
    pack::SettingsRequest request;
    request.title = "Letter Updater = 2";
    request.sourceCaption = "&Your letter:";
    request.targetCaption = " the new one ";
    request.versionCaption = "Pick %HOME% <CSIDL_BITBUCKET>";
    request.formColour = "clNavy";
    request.fontColour = "$00FF00";
    request.noOverwrite = true;
    const core::LoadedSettings loaded = WriteAndRead(request);
    EXPECT_EQ(loaded.Stored.AppName, *request.title);
    EXPECT_EQ(loaded.Captions.SourceFileString, *request.sourceCaption);
    EXPECT_EQ(loaded.Captions.TargetFileString, *request.targetCaption);
    EXPECT_EQ(loaded.Captions.FileVersionString, *request.versionCaption);
    EXPECT_EQ(loaded.Stored.Colours.FormColor, core::RgbColour(0, 0, 128));
    EXPECT_EQ(loaded.Stored.Colours.FontColor, core::RgbColour(0, 255, 0));
    EXPECT_TRUE(loaded.Stored.DisableSourceOverwrite);
}

TEST_F(SettingsWriter, KeysNotAskedForKeepTheirDefaults) {
    pack::SettingsRequest request;
    request.title = "Only a title";
    const core::LoadedSettings loaded = WriteAndRead(request);
    const core::LoadedSettings defaults =
        core::ReadSettings(dir.File("missing.cfg"), {{}, [](int) { return ""; }});
    EXPECT_EQ(loaded.Stored.AppName, "Only a title");
    EXPECT_EQ(loaded.Captions.SourceFileString, defaults.Captions.SourceFileString);
    EXPECT_EQ(loaded.Stored.Colours.FormColor, defaults.Stored.Colours.FormColor);
    EXPECT_FALSE(loaded.Stored.DisableSourceOverwrite);
}

TEST(SettingsWriterRefuses, ValuesTheReaderWouldNotGiveBack) {
    struct Case {
        const char* what;
        pack::SettingsRequest request;
        const char* option;
    };
    pack::SettingsRequest lineBreak;
    lineBreak.title = "two\r\nlines";
    pack::SettingsRequest badColour;
    badColour.formColour = "navy";
    pack::SettingsRequest colourWithBlank;
    colourWithBlank.fontColour = "clRed ";
    for (const Case& c :
         {Case{"line break", lineBreak, "--title"}, Case{"unknown colour", badColour, "--form-colour"},
          Case{"blank after a colour", colourWithBlank, "--font-colour"}}) {
        const core::Result<std::string> text = pack::SettingsText(c.request);
        ASSERT_FALSE(text) << c.what;
        EXPECT_TRUE(text.Reason().starts_with(c.option)) << text.Reason();
    }
}

}  // namespace
