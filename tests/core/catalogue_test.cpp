#include "core/catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/catalogue_lines.h"
#include "tests/core/support/fake_seams.h"
#include "tests/core/support/memory_bound.h"
#include "tests/core/support/temp_dir.h"

namespace {

using core::CatalogueContents;
using core::FileInfo;
using core::NoTimeStamp;
using core::ParseTimeStamp;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Joins lines with CR LF, the usual line break of a catalogue.
std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (const auto line : lines) text.append(line).append("\r\n");
    return text;
}

// One field of every entry, in list order.
template <typename Field>
std::vector<Field> Column(const core::FileInfoList& infos, Field FileInfo::*field) {
    std::vector<Field> values;
    for (const auto& info : infos) values.push_back(info.*field);
    return values;
}

std::vector<std::string> AppNames(const core::AppInfoList& apps) {
    std::vector<std::string> names;
    for (const auto& app : apps) names.push_back(app.Name + "=" + app.Value);
    return names;
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
        core::Result<CatalogueContents> contents = core::LoadCatalogue(dir.Write("patchinfo.ini", bytes));
        EXPECT_TRUE(contents) << contents.Reason();
        return contents ? std::move(*contents) : CatalogueContents{};
    }

    // The single file entry of a catalogue.
    FileInfo LoadOne(std::string_view bytes) {
        CatalogueContents contents = Load(bytes);
        EXPECT_EQ(contents.fileInfos.size(), 1u);
        return contents.fileInfos.empty() ? FileInfo{} : contents.fileInfos.front();
    }

    testing_support::TempDir dir;
    testing_support::FakeSeams seams;
};

// ---- Section headers ---------------------------------------------------------------------------

TEST_F(CatalogueTest, HeadersGiveFileNameAndVersionFromQuotedTokens) {
    const auto infos = Load(Lines({"[Letter.doc 1.0]", "[ Letter.doc \t  2.0 ]", "\t[Letter.doc 3.0 final]  ",
                                   R"(["My Letter.doc" "2.0 \"beta\""])", "[Letter.doc]", "[App Names]",
                                   "[Letter.doc 1.0]"}))
                           .fileInfos;
    EXPECT_THAT(Column(infos, &FileInfo::FileName),
                ElementsAre("Letter.doc", "Letter.doc", "Letter.doc", "My Letter.doc", "Letter.doc", "App",
                            "Letter.doc"));
    EXPECT_THAT(Column(infos, &FileInfo::Version),
                ElementsAre("1.0", "2.0", "3.0", "2.0 \"beta\"", "", "Names", "1.0"));
    EXPECT_EQ(Column(infos, &FileInfo::Description1), Column(infos, &FileInfo::Version));
    EXPECT_THAT(Column(infos, &FileInfo::Md5), ::testing::Each(""));
    EXPECT_THAT(Column(infos, &FileInfo::TimeStamp), ::testing::Each(NoTimeStamp));
}

TEST_F(CatalogueTest, AppNamesHeaderIgnoresCaseAndOuterBlanks) {
    const auto contents = Load(Lines({"[appnames]", "a=1", "[ AppNames ]", "b=2"}));
    EXPECT_THAT(contents.fileInfos, IsEmpty());
    EXPECT_THAT(AppNames(contents.appInfos), ElementsAre("a=1", "b=2"));
}

TEST_F(CatalogueTest, LoneBracketsAreNoHeaders) {
    EXPECT_THAT(LoadOne(Lines({"[a.doc 1]", "Description2=x", "[", "]"})).Description2,
                ElementsAre("x", "[", "]"));
}

// ---- Keys of a file section --------------------------------------------------------------------

TEST_F(CatalogueTest, KeyNamesIgnoreCaseAndAllowBlanksBeforeEquals) {
    const auto info =
        LoadOne(Lines({"[a.doc 1]", "MD5=AbCd", "timestamp=03/01/2004 13:05:08",
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

TEST_F(CatalogueTest, LaterKeyWinsAndEmptyValuesEmptyAllButTheTimeStamp) {
    const auto info = LoadOne(
        Lines({"[a.doc 1]", "md5=abc", "md5=", "ProposedFileName=x", "ProposedFileName =", "Description1=old",
               "Description1=", "TimeStamp=01/01/2000 00:00:00", "TimeStamp="}));
    EXPECT_EQ(info.Md5, "");
    EXPECT_EQ(info.ProposedFileName, "");
    EXPECT_EQ(info.Description1, "");
    EXPECT_EQ(info.TimeStamp, Packed(2000, 1, 1, 0, 0, 0));
    EXPECT_EQ(LoadOne(Lines({"[a.doc 1]", "TimeStamp=01/01/2000 00:00:00", "TimeStamp=yesterday"})).TimeStamp,
              NoTimeStamp);
}

TEST_F(CatalogueTest, KeysBeforeTheFirstHeaderAreIgnored) {
    const auto contents = Load(Lines({"md5=stray", "Description2=stray", "x=y", "[a.doc 1]", "Author=me"}));
    EXPECT_THAT(Column(contents.fileInfos, &FileInfo::Md5), ElementsAre(""));
    EXPECT_THAT(contents.fileInfos[0].Description2, IsEmpty());
    EXPECT_THAT(contents.appInfos, IsEmpty());
}

// ---- Description2 and its continuation ---------------------------------------------------------

TEST_F(CatalogueTest, DescriptionWordsBecomeLinesUnlessQuoted) {
    const auto info =
        LoadOne(Lines({"[a.doc 1]", "Description2=Fast and safe", R"(Description2 = "Fast and safe")",
                       R"(Description2="" "say \"hi\"")"}));
    EXPECT_THAT(info.Description2, ElementsAre("Fast", "and", "safe", "Fast and safe", "", "say \"hi\""));
}

TEST_F(CatalogueTest, ContinuationTakesWholeLinesAndStillSetsKeys) {
    const auto info = LoadOne(Lines({"[a.doc 1]", "Author=ignored", "Description2=One", "Author=me", "",
                                     "; note", "// note", "md5=abc", "\t\"two words\"\tthree"}));
    EXPECT_EQ(info.Md5, "abc");
    EXPECT_THAT(info.Description2, ElementsAre("One", "Author=me", "md5=abc", "two words", "three"));
}

TEST_F(CatalogueTest, EmptyDescription2StartsContinuationWithoutALine) {
    EXPECT_THAT(LoadOne(Lines({"[a.doc 1]", "Description2=", "One"})).Description2, ElementsAre("One"));
}

TEST_F(CatalogueTest, EveryHeaderEndsContinuation) {
    const auto contents =
        Load(Lines({"[a.doc 1]", "Description2=One", "[AppNames]", "x=y", "[b.doc 2]", "Two"}));
    ASSERT_EQ(contents.fileInfos.size(), 2u);
    EXPECT_THAT(contents.fileInfos[0].Description2, ElementsAre("One"));
    EXPECT_THAT(contents.fileInfos[1].Description2, IsEmpty());
}

// ---- The AppNames section ----------------------------------------------------------------------

TEST_F(CatalogueTest, AppNameLinesSplitAtTheFirstEqualsWithoutQuoting) {
    const auto contents = Load(Lines({"[AppNames]", " My Letter.doc = Letter Writer ", "\"q.doc\"=a=b",
                                      "e.doc=", "Letter.doc", "=Nameless", " \t=x", "; a=b", "// c=d"}));
    EXPECT_THAT(AppNames(contents.appInfos),
                ElementsAre("My Letter.doc=Letter Writer", "\"q.doc\"=a=b", "e.doc="));
}

TEST_F(CatalogueTest, FirstAppNameWinsAcrossSectionsIgnoringCase) {
    const auto contents = Load(Lines({"[AppNames]", "Letter.doc=First", "LETTER.DOC=Second", "[x.doc 1]",
                                      "[appnames]", "letter.doc=Third", "Other.doc=Fourth"}));
    EXPECT_THAT(AppNames(contents.appInfos), ElementsAre("Letter.doc=First", "Other.doc=Fourth"));
}

TEST_F(CatalogueTest, KeysDoNotApplyInAppNames) {
    const auto contents = Load(Lines({"[a.doc 1]", "[AppNames]", "md5=abc", "Description2=x"}));
    EXPECT_THAT(Column(contents.fileInfos, &FileInfo::Md5), ElementsAre(""));
    EXPECT_THAT(contents.fileInfos[0].Description2, IsEmpty());
    EXPECT_THAT(AppNames(contents.appInfos), ElementsAre("md5=abc", "Description2=x"));
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
    for (const char* text : {"01/01/1979 00:00:00", "12/31/1979 23:59:59", "01/01/2100 00:00:00",
                             "1/1/1 0:0:0", "12/31/9999 23:59:59"})
        EXPECT_EQ(ParseTimeStamp(text), 0) << text;
}

TEST(ParseTimeStampTest, UnreadableTextsGiveMinusOne) {
    for (const char* text : {"",
                             "13/01/2004 10:00:00",
                             "0/01/2004 10:00:00",
                             "01/00/2004 10:00:00",
                             "01/01/2004 10:00",
                             "2004/01/01 10:00:00",
                             "02/30/2004 10:00:00",
                             "02/29/2001 10:00:00",
                             "02/29/1900 10:00:00",
                             "04/31/2004 10:00:00",
                             "01/01/2004 24:00:00",
                             "01/01/2004 10:60:00",
                             "01/01/2004 10:00:60",
                             "01/01/0 10:00:00",
                             "01/01/10000 10:00:00",
                             "01/01/2004 10:00:00:00",
                             "01/01/2004T10:00:00",
                             "a/01/2004 10:00:00",
                             "01/01/2004 10:0x:00",
                             "-1/01/2004 10:00:00",
                             "01/01/99999999999 10:00:00",
                             "257/01/1979 10:00:00",
                             "01/257/1979 10:00:00",
                             "01/01/1979 10:00:60",
                             "02/29/1979 10:00:00",
                             "01/01/1979 24:00:00"})
        EXPECT_EQ(ParseTimeStamp(text), NoTimeStamp) << text;
}

// ---- Line breaks and file endings --------------------------------------------------------------

TEST_F(CatalogueTest, EmptyOrCommentOnlyCatalogueGivesEmptyLists) {
    for (const std::string& text : {std::string(), Lines({"; comment", "", "// comment", "   "})}) {
        const auto contents = Load(text);
        EXPECT_THAT(contents.fileInfos, IsEmpty());
        EXPECT_THAT(contents.appInfos, IsEmpty());
    }
}

TEST_F(CatalogueTest, LastLineNeedsNoLineBreakAndCharacter26EndsTheFile) {
    EXPECT_EQ(LoadOne("[a.doc 1]\r\nmd5=abc").Md5, "abc");
    EXPECT_EQ(LoadOne("[a.doc 1]\r\nmd5=abc\x1a"
                      "def\r\n[b.doc 2]\r\n")
                  .Md5,
              "abc");
}

TEST_F(CatalogueTest, BareLineFeedStaysInsideTheLine) {
    const auto info = LoadOne("[a.doc 1]\nmd5=abc\r[c.doc 3]\rDescription2=x\ny z\n");
    EXPECT_EQ(info.FileName, "c.doc");
    EXPECT_THAT(info.Description2, ElementsAre("x\ny", "z"));
}

// The lines the catalogue's bytes split into.
std::vector<std::string> LinesOf(const std::string& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    core::CatalogueLineReader reader(file.get());
    std::vector<std::string> lines;
    while (std::optional<std::string> line = reader.Next()) lines.push_back(std::move(*line));
    EXPECT_FALSE(reader.Failed());
    return lines;
}

TEST_F(CatalogueTest, LineFeedAfterCarriageReturnBelongsToTheBreak) {
    EXPECT_THAT(LinesOf(dir.Write("patchinfo.ini", "[a.doc 1]\rmd5=abc\r\n\r\nx\r\n")),
                ElementsAre("[a.doc 1]", "md5=abc", "", "x"));
    // Also when the pair straddles two reads of the file.
    for (const std::size_t chunk : {4096u, 65536u}) {
        for (std::size_t length = chunk - 2; length <= chunk + 1; ++length) {
            EXPECT_THAT(LinesOf(dir.Write("patchinfo.ini", std::string(length, 'x') + "\r\n")),
                        ElementsAre(std::string(length, 'x')))
                << "line length " << length;
        }
    }
}

TEST_F(CatalogueTest, LinesHaveNoLengthLimit) {
    const std::string longText(300000, 'w');
    const auto info = LoadOne(Lines({"[a.doc 1]", "Description2=\"" + longText + " end\"", "[b"}));
    EXPECT_THAT(info.Description2, ElementsAre(longText + " end", "[b"));
}

// 10 MB of one-letter words make five million description lines. Each line must own only its
// own letter: were it to keep the capacity of the remainder it was cut from, the memory would
// grow with the square of the line's length.
TEST_F(CatalogueTest, ManyShortWordsTakeMemoryLinearInTheLineLength) {
    constexpr std::size_t Words = 500'000;  // a line within the bound
    std::string line = "Description2=";
    for (std::size_t i = 0; i < Words; ++i) line += "a ";
    const std::string path = dir.Write("patchinfo.ini", "[a.doc 1]\r\n" + line + "\r\n");
    line = std::string();

    constexpr std::int64_t Bound = 1536LL << 20;
    const auto run = testing_support::RunWithinMemory(Bound, [&] {
        const core::Result<CatalogueContents> contents = core::LoadCatalogue(path);
        if (!contents) return false;
        const auto& lines = contents->fileInfos.at(0).Description2;
        return lines.size() == Words &&
               std::all_of(lines.begin(), lines.end(), [](const std::string& l) { return l == "a"; });
    });
    EXPECT_FALSE(run.killed) << "grew past " << (Bound >> 20) << " MiB";
    EXPECT_TRUE(run.finished);
    EXPECT_LT(run.growthBytes, Bound);
    std::printf("[ figures  ] %zu description lines from a %zu kB line: peak growth %lld MiB\n", Words,
                2 * Words / 1'000, static_cast<long long>(run.growthBytes >> 20));
}

// Only a regular file is read, never waiting for a FIFO's writer, and only up to the bounds; the
// text reader that the set checker uses refuses the same files.
TEST_F(CatalogueTest, OnlyARegularFileWithinTheBoundsIsRead) {
    const std::string fifo = dir.File("fifo.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string zeros = dir.File("zeros.ini");
    std::filesystem::create_symlink("/dev/zero", zeros);
    const std::string large = dir.Write("large.ini", "");
    std::filesystem::resize_file(large, core::MaxCatalogueSize + 1);
    const std::string header = "[a.doc 1]\r\nDescription2=";
    const auto lineOf = [&](std::size_t length) {
        return header + std::string(length - std::string("Description2=").size(), 'x') + "\r\n";
    };
    const std::string tooLong = dir.Write("long.ini", lineOf(core::MaxCatalogueLineLength + 1));
    const std::string opened = "Could not open file:\r";
    const std::string read = "Could not read from file:\r";
    const struct {
        const char* what;
        std::string path;
        std::string reason;  // empty when the catalogue is read
        bool textRead;
    } cases[] = {
        {"missing", dir.File("missing.ini"), opened + dir.File("missing.ini"), false},
        {"a directory", dir.path(), opened + dir.path(), false},
        {"a FIFO", fifo, opened + fifo, false},
        {"a link to /dev/zero", zeros, opened + zeros, false},
        {"one byte too large", large, read + large, false},
        {"a line one byte too long", tooLong, read + tooLong, true},
        {"a line as long as allowed", dir.Write("fits.ini", lineOf(core::MaxCatalogueLineLength)), "", true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        const core::Result<CatalogueContents> contents = core::LoadCatalogue(test.path);
        EXPECT_EQ(static_cast<bool>(contents), test.reason.empty());
        EXPECT_EQ(contents.Reason(), test.reason);
        EXPECT_EQ(core::ReadCatalogueText(test.path).has_value(), test.textRead);
    }
}

// ---- ReadCatalogue -----------------------------------------------------------------------------

class ReadCatalogueTest : public CatalogueTest {
  protected:
    void SetUp() override {
        run.ExtractionDir = dir.File("extracted");
        std::filesystem::create_directory(run.ExtractionDir);
    }

    std::string CataloguePath() const { return run.ExtractionDir + "/patchinfo.ini"; }

    // Runs ReadCatalogue expecting the fatal end, and returns the one message shown.
    std::string FatalMessage() {
        auto bundle = seams.Bundle();
        try {
            core::ReadCatalogue(setup, run, bundle);
            ADD_FAILURE() << "ReadCatalogue returned";
        } catch (const testing_support::ProgramExited& exited) {
            EXPECT_EQ(exited.exitCode, 2);
        }
        EXPECT_TRUE(seams.windowDisabled);
        EXPECT_FALSE(std::filesystem::exists(run.ExtractionDir));
        return seams.errors.size() == 1 ? seams.errors.front() : "";
    }

    core::ProgramSetup setup;
    core::RunRegister run;
};

TEST_F(ReadCatalogueTest, FillsTheProgramsLists) {
    dir.Write("extracted/patchinfo.ini", Lines({"[a.doc 1]", "md5=abc", "[AppNames]", "a.doc=Writer"}));
    auto bundle = seams.Bundle();
    core::ReadCatalogue(setup, run, bundle);
    EXPECT_THAT(Column(setup.FileInfos, &FileInfo::Md5), ElementsAre("abc"));
    EXPECT_THAT(AppNames(setup.AppInfos), ElementsAre("a.doc=Writer"));
    EXPECT_THAT(seams.errors, IsEmpty());
}

TEST_F(ReadCatalogueTest, MissingCatalogueIsFatal) {
    EXPECT_EQ(FatalMessage(), "Could not open file:\r" + CataloguePath());
}

TEST_F(ReadCatalogueTest, UnreadableCatalogueIsFatal) {
    std::filesystem::resize_file(dir.Write("extracted/patchinfo.ini", ""), core::MaxCatalogueSize + 1);
    EXPECT_EQ(FatalMessage(), "Could not read from file:\r" + CataloguePath());
}

}  // namespace
