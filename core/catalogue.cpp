#include "core/catalogue.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/messages.h"
#include "core/text.h"

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
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
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

// ---- Reading lines -----------------------------------------------------------------------------

constexpr char EndOfFileMark = 26;
constexpr std::size_t ChunkSize = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

// Hands out the catalogue line by line, reading it in chunks. A line ends at a carriage return
// (a line feed right after it belongs to the same break); character 26 ends the file.
class LineReader {
public:
    enum class Result { Line, End, Failed };

    explicit LineReader(std::FILE* file) : file_(file) {}

    Result Next(std::string& line) {
        line.clear();
        if (!HasUnreadByte()) return failed_ ? Result::Failed : Result::End;
        while (HasUnreadByte()) {
            const char* begin = buffer_.data() + position_;
            const char* end = buffer_.data() + size_;
            const char* stop = std::find_if(begin, end, [](char c) { return c == '\r' || c == EndOfFileMark; });
            line.append(begin, stop);
            position_ += static_cast<std::size_t>(stop - begin);
            if (stop == end) continue;
            if (*stop == EndOfFileMark) {
                ended_ = true;
                return Result::Line;
            }
            ++position_;
            SkipLineFeed();
            break;
        }
        return failed_ ? Result::Failed : Result::Line;
    }

private:
    // Refills the buffer when it is used up; false at the end of the file or after a read error.
    bool HasUnreadByte() {
        if (ended_ || failed_) return false;
        if (position_ < size_) return true;
        size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        position_ = 0;
        if (size_ > 0) return true;
        (std::ferror(file_) ? failed_ : ended_) = true;
        return false;
    }

    void SkipLineFeed() {
        if (HasUnreadByte() && buffer_[position_] == '\n') ++position_;
    }

    std::FILE* file_;
    std::vector<char> buffer_ = std::vector<char>(ChunkSize);
    std::size_t position_ = 0;
    std::size_t size_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

// ---- Interpreting lines ------------------------------------------------------------------------

bool IsSectionHeader(std::string_view line) { return !line.empty() && line.front() == '[' && line.back() == ']'; }

bool IsComment(std::string_view line) { return line.front() == ';' || line.starts_with("//"); }

// The trimmed value when the line is `key`, blanks, "=" and a value (key matched ignoring case).
std::optional<std::string> KeyValue(std::string_view line, std::string_view key) {
    if (line.size() < key.size() || !EqualIgnoringCase(line.substr(0, key.size()), key)) return std::nullopt;
    const std::string_view afterKey = line.substr(key.size());
    const auto equals = afterKey.find_first_not_of(' ');
    if (equals == std::string_view::npos || afterKey[equals] != '=') return std::nullopt;
    return Trim(afterKey.substr(equals + 1));
}

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
    if (auto md5 = KeyValue(line, "md5")) {
        info.Md5 = std::move(*md5);
    } else if (const auto timeStamp = KeyValue(line, "TimeStamp")) {
        if (!timeStamp->empty()) info.TimeStamp = ParseTimeStamp(*timeStamp);
    } else if (auto proposed = KeyValue(line, "ProposedFileName")) {
        info.ProposedFileName = std::move(*proposed);
    } else if (auto description1 = KeyValue(line, "Description1")) {
        info.Description1 = std::move(*description1);
    }
}

// Builds the two lists from prepared lines, tracking the current section and the Description2
// continuation.
class CatalogueParser {
public:
    explicit CatalogueParser(CatalogueContents& contents) : contents_(contents) {}

    void ReadLine(std::string line) {
        ReplaceText(line, "\t", true, " ");
        line = Trim(line);
        if (IsSectionHeader(line)) {
            BeginSection(Trim(std::string_view(line).substr(1, line.size() - 2)));
        } else if (line.empty() || IsComment(line)) {
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
        if (EqualIgnoringCase(headerText, "AppNames")) {
            section_ = Section::AppNames;
            return;
        }
        section_ = Section::File;
        FileInfo info;
        std::string version;
        std::string ignored;
        info.FileName = headerText;
        SplitFirstToken(info.FileName, version);
        SplitFirstToken(version, ignored);
        info.Version = std::move(version);
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
        if (auto description2 = KeyValue(line, "Description2")) {
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

CatalogueStatus LoadCatalogue(const std::string& path, EventPump& pump, CatalogueContents& out) {
    const FilePointer file(std::fopen(path.c_str(), "rb"));
    if (!file) return CatalogueStatus::CannotOpen;
    LineReader reader(file.get());
    CatalogueParser parser(out);
    std::string line;
    LineReader::Result result;
    while ((result = reader.Next(line)) == LineReader::Result::Line) {
        parser.ReadLine(std::move(line));
        pump.ProcessPendingEvents();
    }
    return result == LineReader::Result::End ? CatalogueStatus::Ok : CatalogueStatus::ReadError;
}

void ReadCatalogue(ProgramState& state, Seams& seams) {
    const std::string path = CataloguePath(state.ExtractionDir);
    CatalogueContents contents;
    switch (LoadCatalogue(path, seams.pump, contents)) {
        case CatalogueStatus::Ok:
            state.FileInfos = std::move(contents.fileInfos);
            state.AppInfos = std::move(contents.appInfos);
            return;
        case CatalogueStatus::CannotOpen:
            FatalError(seams, state, MessageWithName(messages::CouldNotOpenFile, path), true);
        case CatalogueStatus::ReadError:
            FatalError(seams, state, MessageWithName(messages::CouldNotReadFile, path), true);
    }
}

}  // namespace core
