// The catalogue the tool writes, read back with the converter's own reader.
#include "pack/catalogue_writer.h"

#include <gtest/gtest.h>

#include "pack/set_files.h"

namespace {

using core::FileInfo;

core::CatalogueContents ReadBack(std::string text) { return pack::ReadCatalogue(std::move(text)).value(); }

FileInfo Version(std::string fileName, std::string version, std::vector<std::string> description2 = {}) {
    FileInfo info;
    info.FileName = std::move(fileName);
    info.Version = std::move(version);
    info.Md5 = "0123456789abcdef0123456789abcdef";
    info.Description1 = "Release " + info.Version;
    info.TimeStamp = core::ParseTimeStamp("03/01/2004 13:05:08");
    info.Description2 = std::move(description2);
    return info;
}

struct RoundTripCase {
    const char* name;
    core::CatalogueContents contents;
};

class CatalogueRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(CatalogueRoundTrip, TheReaderGivesBackExactlyWhatWasWritten) {
    const core::CatalogueContents& written = GetParam().contents;
    const std::string text = pack::CatalogueText(written, "; a comment");
    EXPECT_EQ(pack::FirstDifference(written, ReadBack(text)), "") << text;
}

FileInfo WithoutStampOrDescription(FileInfo info) {
    info.TimeStamp = core::NoTimeStamp;
    info.Description1.clear();
    info.ProposedFileName = "*_new.*";
    return info;
}

INSTANTIATE_TEST_SUITE_P(
    Contents, CatalogueRoundTrip,
    ::testing::Values(
        RoundTripCase{"Plain", {{Version("letter.txt", "1.0"), Version("letter.txt", "2.0")}, {}}},
        RoundTripCase{"BlanksInNameAndLabel",
                      {{Version("My Letter.doc", "2.0 beta"), Version("My Letter.doc", "3")}, {}}},
        RoundTripCase{
            "QuotesEverywhere",
            {{Version("say \"hi\".txt", "\"quoted\""), Version("x", "a\"b", {"He said \"no\"", "\""})}, {}}},
        RoundTripCase{
            "DescriptionLinesThatLookLikeKeys",
            {{Version("f", "1", {"md5=1", "Description1=x", "; not a comment", "[not a header]", ""})}, {}}},
        RoundTripCase{"EmptyFieldsAndPattern", {{WithoutStampOrDescription(Version("f", "1"))}, {}}},
        RoundTripCase{"ApplicationNames",
                      {{Version("My Letter.doc", "1")}, {{"My Letter.doc", "Writer = 2"}}}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(CatalogueWriter, DescriptionTwoStandsLastAndEveryLineEndsWithCarriageReturnLineFeed) {
    const std::string text =
        pack::CatalogueText({{Version("f", "1", {"one"}), Version("f", "2", {"two"})}, {}}, "");
    std::size_t lineFeeds = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            ++lineFeeds;
            EXPECT_EQ(text[i - 1], '\r') << "a bare line feed at " << i;
        }
    EXPECT_GT(lineFeeds, 8u);
    const std::size_t description2 = text.find("Description2=one");
    ASSERT_NE(description2, std::string::npos);
    EXPECT_EQ(text.substr(text.find("\r\n", description2) + 2, 3), "\r\n[") << "Description2 is not last";
}

// What the grammar cannot hold is caught by reading back, so a build refuses it.
TEST(CatalogueWriter, TextsTheCatalogueCannotHoldAreFoundByReadingBack) {
    struct Case {
        const char* what;
        FileInfo info;
        const char* difference;
    };
    FileInfo tab = Version("f", "1", {"a\tb"});
    FileInfo trailingBackslash = Version("f", "1", {"ends with \\"});
    FileInfo paddedDescription = Version("f", "1");
    paddedDescription.Description1 = " padded";
    for (const Case& c :
         {Case{"tab", tab, "Description2 of f 1"},
          Case{"backslash before the closing quote", trailingBackslash, "Description2 of f 1"},
          Case{"leading blank", paddedDescription, "Description1 of f 1"}}) {
        const core::CatalogueContents contents{{c.info}, {}};
        EXPECT_EQ(pack::FirstDifference(contents, ReadBack(pack::CatalogueText(contents, ""))), c.difference)
            << c.what;
    }
}

TEST(CatalogueWriter, TokensAreQuotedOnlyWhenTheyMustBe) {
    EXPECT_EQ(pack::CatalogueToken("1.0"), "1.0");
    EXPECT_EQ(pack::CatalogueToken("1.0 beta"), "\"1.0 beta\"");
    EXPECT_EQ(pack::CatalogueToken("a\"b"), "\"a\\\"b\"");
    EXPECT_EQ(pack::CatalogueToken(""), "\"\"");
}

}  // namespace
