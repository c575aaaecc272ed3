#include "core/catalogue.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/catalogue_lines.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/text.h"
#include "platform/files.h"

namespace core {

namespace {

// ---- Time stamps -------------------------------------------------------------------------------

// Returns the part of `text` before the first `separator` and leaves the part after it in `text`;
// nullopt when there is no separator.
std::optional<std::string_view> CutAt(std::string_view& text, char separator) {
    const auto position = text.find(separator);
    if (position == std::string_view::npos) return std::nullopt;
    const std::string_view before = text.substr(0, position);
    text.remove_prefix(position + 1);
    return before;
}

// A piece of a time stamp: decimal digits with optional surrounding blanks.
std::optional<int> WholeNumber(std::optional<std::string_view> piece) {
    if (!piece) return std::nullopt;
    const std::string digits = Trim(*piece);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (result.ec != std::errc{}) return std::nullopt;  // too large
    return value;
}

// Years 1 to 9999 of the Gregorian calendar, any time of day to the second.
bool IsValidDateTime(const DosFields& t) {
    const bool fieldsInRange = t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
                               t.day <= 31 && t.hour <= 23 && t.minute <= 59 && t.second <= 59;
    return fieldsInRange && std::chrono::year_month_day{std::chrono::year{t.year},
                                                        std::chrono::month{static_cast<unsigned>(t.month)},
                                                        std::chrono::day{static_cast<unsigned>(t.day)}}
                                .ok();
}

// ---- Interpreting lines ------------------------------------------------------------------------

// Each token of the text (words, or double-quoted phrases) becomes one description line; every
// text adds at least one line. Every line owns just its own characters, however long the text.
void AppendDescriptionLines(std::string_view text, std::vector<std::string>& lines) {
    do {
        TokenSplit split = SplitToken(text);
        lines.push_back(std::move(split.token));
        text = split.rest;
    } while (!text.empty());
}

// Sets the field of a single-valued key; a line that names none of them changes nothing.
void SetKeyField(std::string_view line, FileInfo& info) {
    if (auto md5 = CatalogueKeyValue(line, "md5")) {
        info.Md5 = std::move(*md5);
    } else if (const auto timeStamp = CatalogueKeyValue(line, "TimeStamp")) {
        if (!timeStamp->empty()) info.TimeStamp = ParseTimeStamp(*timeStamp);
    } else if (auto proposed = CatalogueKeyValue(line, "ProposedFileName")) {
        info.ProposedFileName = std::move(*proposed);
    } else if (auto description1 = CatalogueKeyValue(line, "Description1")) {
        info.Description1 = std::move(*description1);
    }
}

// Builds the two lists from prepared lines, tracking the current section and the Description2
// continuation.
class CatalogueParser {
  public:
    explicit CatalogueParser(CatalogueContents& contents) : contents_(contents) {}

    void ReadLine(std::string line) {
        line = PrepareCatalogueLine(std::move(line));
        if (IsCatalogueSectionHeader(line)) {
            BeginSection(Trim(std::string_view(line).substr(1, line.size() - 2)));
        } else if (line.empty() || IsCatalogueComment(line)) {
            return;
        } else if (section_ == Section::AppNames) {
            ReadAppName(line);
        } else if (section_ == Section::File) {
            ReadFileLine(line);
        }
        // Content before the first header has no record to go into and is ignored, keys included.
    }

  private:
    enum class Section { None, File, AppNames };

    void BeginSection(const std::string& headerText) {
        continuation_ = false;
        if (EqualIgnoringCase(headerText, AppNamesSection)) {
            section_ = Section::AppNames;
            return;
        }
        section_ = Section::File;
        TokenSplit name = SplitToken(headerText);
        FileInfo info;
        info.FileName = std::move(name.token);
        info.Version = SplitToken(name.rest).token;
        info.Description1 = info.Version;
        contents_.fileInfos.push_back(std::move(info));
    }

    void ReadAppName(std::string_view line) {
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) return;
        std::string name = Trim(line.substr(0, equals));
        if (name.empty() || HasAppName(name)) return;
        contents_.appInfos.push_back(AppInfo{std::move(name), Trim(line.substr(equals + 1))});
    }

    bool HasAppName(std::string_view name) const {
        return std::any_of(contents_.appInfos.begin(), contents_.appInfos.end(),
                           [name](const AppInfo& app) { return EqualIgnoringCase(app.Name, name); });
    }

    void ReadFileLine(const std::string& line) {
        FileInfo& info = contents_.fileInfos.back();
        SetKeyField(line, info);
        if (auto description2 = CatalogueKeyValue(line, "Description2")) {
            continuation_ = true;
            // An empty value adds no line: an empty description line only comes from "".
            if (!description2->empty()) AppendDescriptionLines(*description2, info.Description2);
        } else if (continuation_) {
            AppendDescriptionLines(line, info.Description2);
        }
    }

    CatalogueContents& contents_;
    Section section_ = Section::None;
    bool continuation_ = false;
};

}  // namespace

ShortDosDateTime ParseTimeStamp(std::string_view text) {
    const auto month = WholeNumber(CutAt(text, '/'));
    const auto day = WholeNumber(CutAt(text, '/'));
    const auto year = WholeNumber(CutAt(text, ' '));
    const auto hour = WholeNumber(CutAt(text, ':'));
    const auto minute = WholeNumber(CutAt(text, ':'));
    const auto second = WholeNumber(text);
    if (!month || !day || !year || !hour || !minute || !second) return NoTimeStamp;
    const DosFields fields{*year, *month, *day, *hour, *minute, *second};
    if (!IsValidDateTime(fields)) return NoTimeStamp;
    if (fields.year < 1980 || fields.year > 2099) return 0;
    return PackDosDateTime(fields).value_or(NoTimeStamp);
}

Result<CatalogueContents> LoadCatalogue(const std::string& path) {
    const platform::FileStream file = platform::OpenRegularFileStream(path);
    if (!file) return Failure{MessageWithName(messages::CouldNotOpenFile, path)};
    std::optional<CatalogueContents> contents = LoadCatalogueFrom(file.get());
    if (!contents) return Failure{MessageWithName(messages::CouldNotReadFile, path)};
    return std::move(*contents);
}

std::optional<std::string> ReadCatalogueText(const std::string& path) {
    const platform::FileStream file = platform::OpenRegularFileStream(path);
    if (!file) return std::nullopt;
    // One byte more than allowed tells a file that is too large.
    std::string text(MaxCatalogueSize + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file.get()));
    if (std::ferror(file.get()) || text.size() > MaxCatalogueSize) return std::nullopt;
    return text;
}

std::optional<CatalogueContents> LoadCatalogueFrom(std::FILE* file) {
    CatalogueLineReader reader(file);
    CatalogueContents contents;
    CatalogueParser parser(contents);
    while (std::optional<std::string> line = reader.Next()) parser.ReadLine(std::move(*line));
    if (reader.Failed()) return std::nullopt;
    return contents;
}

void ReadCatalogue(ProgramSetup& setup, const RunRegister& run, Seams& seams) {
    Result<CatalogueContents> contents = LoadCatalogue(CataloguePath(run.ExtractionDir));
    if (!contents) FatalError(seams, run, contents.Reason(), true);
    setup.FileInfos = std::move(contents->fileInfos);
    setup.AppInfos = std::move(contents->appInfos);
}

}  // namespace core
