#pragma once
// The line grammar of the catalogue: how its bytes split into lines and how a line is prepared
// and classified. The catalogue reader and the patch-set checker share it, so both see the
// same lines.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// Bounds that keep a hostile catalogue from making its readers take memory without end; a real
// one is a few kilobytes.
inline constexpr std::size_t MaxCatalogueSize = 8 << 20;
inline constexpr std::size_t MaxCatalogueLineLength = 1 << 20;

// Hands out the catalogue line by line, reading it in chunks. A line ends at a carriage return
// (a line feed right after it belongs to the same break); character 26 ends the file. More than
// MaxCatalogueSize bytes, or a line longer than MaxCatalogueLineLength, fails the reading.
class CatalogueLineReader {
  public:
    explicit CatalogueLineReader(std::FILE* file) : file_(file) {}

    // The next line; nothing at the end of the file or once the reading has failed.
    [[nodiscard]] std::optional<std::string> Next();
    // Whether the reading failed (a read error or a bound passed) rather than reaching the end.
    [[nodiscard]] bool Failed() const { return failed_; }

  private:
    // Refills the buffer when it is used up; false at the end of the file or after a read error.
    bool HasUnreadByte();
    void SkipLineFeed();

    std::FILE* file_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t size_ = 0;
    std::size_t total_ = 0;  // bytes read from the file so far
    bool ended_ = false;
    bool failed_ = false;
};

// Tabs become blanks, then characters 0 to 32 go from both ends.
[[nodiscard]] std::string PrepareCatalogueLine(std::string line);

// Tests on a prepared line.
[[nodiscard]] bool IsCatalogueSectionHeader(std::string_view line);
[[nodiscard]] bool IsCatalogueComment(std::string_view line);  // the line must not be empty

// The trimmed value when the line is `key`, blanks, "=" and a value (key matched ignoring case).
[[nodiscard]] std::optional<std::string> CatalogueKeyValue(std::string_view line, std::string_view key);

inline constexpr std::string_view AppNamesSection = "AppNames";
// The keys of a file section, in the order they are tested.
inline constexpr std::string_view CatalogueKeys[] = {"md5", "TimeStamp", "ProposedFileName", "Description1",
                                                     "Description2"};

}  // namespace core
