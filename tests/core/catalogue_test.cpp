#include "core/catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/core/support/fake_seams.h"
#include "tests/core/support/temp_dir.h"

namespace {

using core::CatalogueContents;
using core::CatalogueStatus;
using core::ParseTimeStamp;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Joins lines with CR LF, the usual line break of a catalogue.
std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (const auto line : lines) text.append(line).append("\r\n");
    return text;
}

// The packed value written out by hand: date in the high half, time in the low half.
core::ShortDosDateTime Packed(int year, int month, int day, int hour, int minute, int second) {
    const auto date = static_cast<std::uint32_t>(day + month * 32 + (year - 1980) * 512);
    const auto time = static_cast<std::uint32_t>(second / 2 + minute * 32 + hour * 2048);
    return static_cast<core::ShortDosDateTime>(date << 16 | time);
}

class CatalogueTest : public ::testing::Test {
protected:
    // Writes the bytes as the catalogue and reads it back, expecting success.
    CatalogueContents Load(std::string_view bytes) {
        CatalogueContents contents;
        EXPECT_EQ(core::LoadCatalogue(dir.Write("patchinfo.ini", bytes), seams, contents), CatalogueStatus::Ok);
        return contents;
    }

    // The single file entry of a catalogue.
    core::FileInfo LoadOne(std::string_view bytes) {
        CatalogueContents contents = Load(bytes);
        EXPECT_EQ(contents.fileInfos.size(), 1u);
        return contents.fileInfos.empty() ? core::FileInfo{} : contents.fileInfos.front();
    }

    testing_support::TempDir dir;
    testing_support::FakeSeams seams;
};

// ---- Section headers ---------------------------------------------------------------------------

TEST_F(CatalogueTest, HeaderGivesFileNameVersionAndDefaultDescription) {
    const auto contents = Load(Lines({"[Letter.doc 1.0]", "[ Letter.doc \t  2.0 ]", "\t[Letter.doc 3.0 final]  "}));
    ASSERT_EQ(contents.fileInfos.size(), 3u);
    for (const auto& info : contents.fileInfos) EXPECT_EQ(info.FileName, "Letter.doc");
    EXPECT_EQ(contents.fileInfos[0].Version, "1.0");
    EXPECT_EQ(contents.fileInfos[1].Version, "2.0");
    EXPECT_EQ(contents.fileInfos[2].Version, "3.0");
    EXPECT_EQ(contents.fileInfos[1].Description1, "2.0");
    const auto& first = contents.fileInfos[0];
    EXPECT_EQ(first.Md5, "");
    EXPECT_EQ(first.ProposedFileName, "");
    EXPECT_EQ(first.TimeStamp, core::NoTimeStamp);
    EXPECT_THAT(first.Description2, IsEmpty());
}

TEST_F(CatalogueTest, QuotedHeaderTokensKeepBlanksAndEscapedQuotes) {
    const auto info = LoadOne(Lines({R"(["My Letter.doc" "2.0 \"beta\""])"}));
    EXPECT_EQ(info.FileName, "My Letter.doc");
    EXPECT_EQ(info.Version, "2.0 \"beta\"");
    EXPECT_EQ(info.Description1, "2.0 \"beta\"");
}

TEST_F(CatalogueTest, SingleTokenHeaderHasEmptyVersionAndDescription) {
    const auto info = LoadOne(Lines({"[Letter.doc]", "md5=abc"}));
    EXPECT_EQ(info.FileName, "Letter.doc");
    EXPECT_EQ(info.Version, "");
    EXPECT_EQ(info.Description1, "");
    EXPECT_EQ(info.Md5, "abc");
}

TEST_F(CatalogueTest, AppNamesHeaderIgnoresCaseAndBlanksButNotInnerBlank) {
    const auto contents = Load(Lines({"[appnames]", "a=1", "[ AppNames ]", "b=2", "[App Names]"}));
    ASSERT_EQ(contents.fileInfos.size(), 1u);
    EXPECT_EQ(contents.fileInfos[0].FileName, "App");
    EXPECT_EQ(contents.fileInfos[0].Version, "Names");
    ASSERT_EQ(contents.appInfos.size(), 2u);
    EXPECT_EQ(contents.appInfos[1].Name, "b");
}

TEST_F(CatalogueTest, IdenticalHeadersGiveSeparateEntriesInFileOrder) {
    const auto contents = Load(Lines({"[a.doc 1]", "md5=first", "[a.doc 1]", "md5=second"}));
    ASSERT_EQ(contents.fileInfos.size(), 2u);
    EXPECT_EQ(contents.fileInfos[0].Md5, "first");
    EXPECT_EQ(contents.fileInfos[1].Md5, "second");
}

TEST_F(CatalogueTest, LoneBracketIsNoHeader) {
    const auto info = LoadOne(Lines({"[a.doc 1]", "Description2=x", "[", "]"}));
    EXPECT_THAT(info.Description2, ElementsAre("x", "[", "]"));
}

// ---- Keys of a file section --------------------------------------------------------------------

TEST_F(CatalogueTest, KeyNamesIgnoreCaseAndAllowBlanksBeforeEquals) {
    const auto info = LoadOne(Lines({"[a.doc 1]", "MD5=AbCd", "timestamp=03/01/2004 13:05:08",
                                     "proposedfilename \t = new_*.doc", "Description1 = Letter, old format "}));
    EXPECT_EQ(info.Md5, "AbCd");
    EXPECT_EQ(info.TimeStamp, Packed(2004, 3, 1, 13, 5, 8));
    EXPECT_EQ(info.ProposedFileName, "new_*.doc");
    EXPECT_EQ(info.Description1, "Letter, old format");
}

TEST_F(CatalogueTest, LinesThatAreNoKeyAreIgnored) {
    const auto info = LoadOne(Lines({"[a.doc 1]", "md5 hash=1", "md5x=2", "x md5=3", "md5", "Author=me",
                                     "; md5=4", "// md5=5", "Description1 Letter"}));
    EXPECT_EQ(info.Md5, "");
    EXPECT_EQ(info.Description1, "1");
    EXPECT_THAT(info.Description2, IsEmpty());
}

TEST_F(CatalogueTest, EmptyValuesReplaceTextFieldsButNotTheTimeStamp) {
    const auto info = LoadOne(Lines({"[a.doc 1]", "md5=abc", "md5=", "ProposedFileName=x", "ProposedFileName =",
                                     "Description1=", "TimeStamp=01/01/2000 00:00:00", "TimeStamp="}));
    EXPECT_EQ(info.Md5, "");
    EXPECT_EQ(info.ProposedFileName, "");
    EXPECT_EQ(info.Description1, "");
    EXPECT_EQ(info.TimeStamp, Packed(2000, 1, 1, 0, 0, 0));
}

TEST_F(CatalogueTest, LaterKeyWinsAlsoWithAnUnreadableTimeStamp) {
    const auto info = LoadOne(Lines({"[a.doc 1]", "md5=one", "md5=two", "TimeStamp=01/01/2000 00:00:00",
                                     "TimeStamp=yesterday", "Description1=old", "Description1=new"}));
    EXPECT_EQ(info.Md5, "two");
    EXPECT_EQ(info.TimeStamp, core::NoTimeStamp);
    EXPECT_EQ(info.Description1, "new");
}

TEST_F(CatalogueTest, KeysBeforeTheFirstHeaderAreIgnored) {
    const auto contents = Load(Lines({"md5=stray", "Description2=stray", "x=y", "[a.doc 1]", "Author=me"}));
    ASSERT_EQ(contents.fileInfos.size(), 1u);
    EXPECT_EQ(contents.fileInfos[0].Md5, "");
    EXPECT_THAT(contents.fileInfos[0].Description2, IsEmpty());
    EXPECT_THAT(contents.appInfos, IsEmpty());
}

// ---- Description2 and its continuation ---------------------------------------------------------

TEST_F(CatalogueTest, DescriptionWordsBecomeLinesUnlessQuoted) {
    const auto info = LoadOne(Lines({"[a.doc 1]", "Description2=Fast and safe", R"(Description2 = "Fast and safe")",
                                     R"(Description2="" "say \"hi\"")"}));
    EXPECT_THAT(info.Description2, ElementsAre("Fast", "and", "safe", "Fast and safe", "", "say \"hi\""));
}

TEST_F(CatalogueTest, ContinuationTakesWholeLinesAndStillSetsKeys) {
    const auto info = LoadOne(Lines({"[a.doc 1]", "Author=ignored", "Description2=One", "Author=me",
                                     "md5=abc", "\t\"two words\"\tthree"}));
    EXPECT_EQ(info.Md5, "abc");
    EXPECT_THAT(info.Description2, ElementsAre("One", "Author=me", "md5=abc", "two words", "three"));
}

TEST_F(CatalogueTest, BlankAndCommentLinesAddNothingDuringContinuation) {
    const auto info = LoadOne(Lines({"[a.doc 1]", "Description2=One", "", " \t ", "; note", "// note", "Two"}));
    EXPECT_THAT(info.Description2, ElementsAre("One", "Two"));
}

TEST_F(CatalogueTest, EmptyDescription2StartsContinuationWithoutALine) {
    const auto info = LoadOne(Lines({"[a.doc 1]", "Description2=", "One"}));
    EXPECT_THAT(info.Description2, ElementsAre("One"));
}

TEST_F(CatalogueTest, HeaderEndsContinuation) {
    const auto contents = Load(Lines({"[a.doc 1]", "Description2=One", "[AppNames]", "[b.doc 2]", "Two"}));
    ASSERT_EQ(contents.fileInfos.size(), 2u);
    EXPECT_THAT(contents.fileInfos[0].Description2, ElementsAre("One"));
    EXPECT_THAT(contents.fileInfos[1].Description2, IsEmpty());
}

// ---- The AppNames section ----------------------------------------------------------------------

TEST_F(CatalogueTest, AppNameLinesSplitAtTheFirstEqualsWithoutQuoting) {
    const auto contents = Load(Lines({"[AppNames]", " My Letter.doc = Letter Writer ", "\"q.doc\"=a=b", "e.doc="}));
    ASSERT_EQ(contents.appInfos.size(), 3u);
    EXPECT_EQ(contents.appInfos[0].Name, "My Letter.doc");
    EXPECT_EQ(contents.appInfos[0].Value, "Letter Writer");
    EXPECT_EQ(contents.appInfos[1].Name, "\"q.doc\"");
    EXPECT_EQ(contents.appInfos[1].Value, "a=b");
    EXPECT_EQ(contents.appInfos[2].Value, "");
}

TEST_F(CatalogueTest, FirstAppNameWinsAcrossSectionsIgnoringCase) {
    const auto contents = Load(Lines({"[AppNames]", "Letter.doc=First", "LETTER.DOC=Second", "[x.doc 1]",
                                      "[appnames]", "letter.doc=Third", "Other.doc=Fourth"}));
    ASSERT_EQ(contents.appInfos.size(), 2u);
    EXPECT_EQ(contents.appInfos[0].Value, "First");
    EXPECT_EQ(contents.appInfos[1].Name, "Other.doc");
}

TEST_F(CatalogueTest, AppNameLinesWithoutEqualsOrNameAreIgnored) {
    const auto contents = Load(Lines({"[AppNames]", "Letter.doc", "=Nameless", " \t=x", "; a=b", "// c=d"}));
    EXPECT_THAT(contents.appInfos, IsEmpty());
}

TEST_F(CatalogueTest, KeysAndContinuationDoNotApplyInAppNames) {
    const auto contents = Load(Lines({"[a.doc 1]", "Description2=One", "[AppNames]", "md5=abc", "Description2=x"}));
    ASSERT_EQ(contents.fileInfos.size(), 1u);
    EXPECT_EQ(contents.fileInfos[0].Md5, "");
    EXPECT_THAT(contents.fileInfos[0].Description2, ElementsAre("One"));
    ASSERT_EQ(contents.appInfos.size(), 2u);
    EXPECT_EQ(contents.appInfos[0].Name, "md5");
    EXPECT_EQ(contents.appInfos[0].Value, "abc");
}

// ---- Time stamps -------------------------------------------------------------------------------

TEST(ParseTimeStampTest, ReadsPackedValuesWithOptionalZerosAndBlanks) {
    EXPECT_EQ(ParseTimeStamp("03/01/2004 13:05:08"),
              ((1 + 3 * 32 + 24 * 512) << 16) | (4 + 5 * 32 + 13 * 2048));
    EXPECT_EQ(ParseTimeStamp("1/2/2004 3:4:5"), Packed(2004, 1, 2, 3, 4, 4));
    EXPECT_EQ(ParseTimeStamp(" 1 / 2 /2004  3 : 4 : 5 "), Packed(2004, 1, 2, 3, 4, 4));
    EXPECT_EQ(ParseTimeStamp("01/01/1980 00:00:00"), Packed(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(ParseTimeStamp("12/31/2099 23:59:59"), Packed(2099, 12, 31, 23, 59, 58));
    EXPECT_EQ(ParseTimeStamp("02/29/2000 00:00:00"), Packed(2000, 2, 29, 0, 0, 0));
}

TEST(ParseTimeStampTest, ValidDatesOutsideTheDosRangeGiveZero) {
    EXPECT_EQ(ParseTimeStamp("01/01/1979 00:00:00"), 0);
    EXPECT_EQ(ParseTimeStamp("12/31/1979 23:59:59"), 0);
    EXPECT_EQ(ParseTimeStamp("01/01/2100 00:00:00"), 0);
    EXPECT_EQ(ParseTimeStamp("1/1/1 0:0:0"), 0);
    EXPECT_EQ(ParseTimeStamp("12/31/9999 23:59:59"), 0);
}

TEST(ParseTimeStampTest, UnreadableTextsGiveMinusOne) {
    for (const char* text : {"", "13/01/2004 10:00:00", "0/01/2004 10:00:00", "01/00/2004 10:00:00",
                             "01/01/2004 10:00", "2004/01/01 10:00:00", "02/30/2004 10:00:00",
                             "02/29/2001 10:00:00", "02/29/1900 10:00:00", "04/31/2004 10:00:00",
                             "01/01/2004 24:00:00", "01/01/2004 10:60:00", "01/01/2004 10:00:60",
                             "01/01/0 10:00:00", "01/01/10000 10:00:00", "01/01/2004 10:00:00:00",
                             "01/01/2004T10:00:00", "a/01/2004 10:00:00",
                             "01/01/2004 10:0x:00", "-1/01/2004 10:00:00", "01/01/99999999999 10:00:00",
                             "257/01/1979 10:00:00", "01/257/1979 10:00:00", "01/01/1979 10:00:60",
                             "02/29/1979 10:00:00", "01/01/1979 24:00:00"})
        EXPECT_EQ(ParseTimeStamp(text), core::NoTimeStamp) << text;
}

TEST_F(CatalogueTest, EntryWithoutTimeStampKeyHasNone) {
    EXPECT_EQ(LoadOne(Lines({"[a.doc 1]"})).TimeStamp, core::NoTimeStamp);
    EXPECT_EQ(LoadOne(Lines({"[a.doc 1]", "TimeStamp=01/01/1979 00:00:00"})).TimeStamp, 0);
}

// ---- Line breaks and file endings --------------------------------------------------------------

TEST_F(CatalogueTest, EmptyOrCommentOnlyCatalogueGivesEmptyLists) {
    for (const std::string& text : {std::string(), Lines({"; comment", "", "// comment", "   "})}) {
        const auto contents = Load(text);
        EXPECT_THAT(contents.fileInfos, IsEmpty());
        EXPECT_THAT(contents.appInfos, IsEmpty());
    }
}

TEST_F(CatalogueTest, LastLineNeedsNoLineBreak) {
    EXPECT_EQ(LoadOne("[a.doc 1]\r\nmd5=abc").Md5, "abc");
}

TEST_F(CatalogueTest, CharacterTwentySixEndsTheFile) {
    const auto contents = Load("[a.doc 1]\r\nmd5=abc\x1a" "def\r\n[b.doc 2]\r\n");
    ASSERT_EQ(contents.fileInfos.size(), 1u);
    EXPECT_EQ(contents.fileInfos[0].Md5, "abc");
    EXPECT_EQ(seams.pumpCalls, 2);
}

TEST_F(CatalogueTest, BareLineFeedStaysInsideTheLine) {
    const auto contents = Load("[a.doc 1]\nmd5=abc\r[c.doc 3]\rDescription2=x\ny z\n");
    ASSERT_EQ(contents.fileInfos.size(), 1u);
    EXPECT_EQ(contents.fileInfos[0].FileName, "c.doc");
    EXPECT_THAT(contents.fileInfos[0].Description2, ElementsAre("x\ny", "z"));
}

TEST_F(CatalogueTest, CarriageReturnAloneOrWithLineFeedIsOneBreak) {
    Load("[a.doc 1]\rmd5=abc\r\n\r\nx\r\n");
    EXPECT_EQ(seams.pumpCalls, 4);
}

TEST_F(CatalogueTest, LineBreakSplitAcrossReadChunksIsOneBreak) {
    for (const std::size_t chunk : {4096u, 65536u}) {
        for (std::size_t length = chunk - 2; length <= chunk + 1; ++length) {
            seams.pumpCalls = 0;
            Load(std::string(length, 'x') + "\r\n");
            EXPECT_EQ(seams.pumpCalls, 1) << "line length " << length;
        }
    }
}

TEST_F(CatalogueTest, LinesHaveNoLengthLimit) {
    const std::string longText(300000, 'w');
    const auto info = LoadOne(Lines({"[a.doc 1]", "Description2=\"" + longText + " end\"", "[b"}));
    ASSERT_EQ(info.Description2.size(), 2u);
    EXPECT_EQ(info.Description2[0], longText + " end");
    EXPECT_EQ(info.Description2[1], "[b");
}

TEST_F(CatalogueTest, WindowEventsRunAfterEveryLine) {
    CatalogueContents contents;
    std::vector<std::size_t> entriesAtPump;
    seams.onPump = [&](int) { entriesAtPump.push_back(contents.fileInfos.size()); };
    const std::string path = dir.Write("patchinfo.ini", "; c\r\n[a.doc 1]\r\n\r\nmd5=x\r\n[b.doc 2]");
    ASSERT_EQ(core::LoadCatalogue(path, seams, contents), CatalogueStatus::Ok);
    EXPECT_THAT(entriesAtPump, ElementsAre(0u, 1u, 1u, 1u, 2u));
}

TEST_F(CatalogueTest, MissingFileCannotBeOpenedAndDirectoryCannotBeRead) {
    CatalogueContents contents;
    EXPECT_EQ(core::LoadCatalogue(dir.File("missing.ini"), seams, contents), CatalogueStatus::CannotOpen);
    EXPECT_EQ(core::LoadCatalogue(dir.path(), seams, contents), CatalogueStatus::ReadError);
}

// ---- ReadCatalogue -----------------------------------------------------------------------------

class ReadCatalogueTest : public CatalogueTest {
protected:
    void SetUp() override {
        state.ExtractionDir = dir.File("extracted");
        std::filesystem::create_directory(state.ExtractionDir);
    }

    // Runs ReadCatalogue expecting the fatal end, and returns the one message shown.
    std::string FatalMessage() {
        auto bundle = seams.Bundle();
        try {
            core::ReadCatalogue(state, bundle);
            ADD_FAILURE() << "ReadCatalogue returned";
        } catch (const testing_support::ProgramExited& exited) {
            EXPECT_EQ(exited.exitCode, 2);
        }
        EXPECT_TRUE(seams.windowDisabled);
        EXPECT_FALSE(std::filesystem::exists(state.ExtractionDir));
        return seams.errors.size() == 1 ? seams.errors.front() : "";
    }

    std::string CataloguePath() const { return state.ExtractionDir + "/patchinfo.ini"; }

    core::ProgramState state;
};

TEST_F(ReadCatalogueTest, FillsTheProgramsLists) {
    dir.Write("extracted/patchinfo.ini", Lines({"[a.doc 1]", "md5=abc", "[AppNames]", "a.doc=Writer"}));
    auto bundle = seams.Bundle();
    core::ReadCatalogue(state, bundle);
    ASSERT_EQ(state.FileInfos.size(), 1u);
    EXPECT_EQ(state.FileInfos[0].Md5, "abc");
    ASSERT_EQ(state.AppInfos.size(), 1u);
    EXPECT_EQ(state.AppInfos[0].Value, "Writer");
    EXPECT_THAT(seams.errors, IsEmpty());
    EXPECT_EQ(seams.pumpCalls, 4);
}

TEST_F(ReadCatalogueTest, MissingCatalogueIsFatal) {
    EXPECT_EQ(FatalMessage(), "Could not open file:\r" + CataloguePath());
}

TEST_F(ReadCatalogueTest, UnreadableCatalogueIsFatal) {
    std::filesystem::create_directory(CataloguePath());
    EXPECT_EQ(FatalMessage(), "Could not read from file:\r" + CataloguePath());
}

}  // namespace
