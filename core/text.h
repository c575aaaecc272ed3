#pragma once
// Byte-string helpers shared by every module: case folding, trimming, path surgery and the
// quote-aware tokenizer used by the catalogue and the command lines.
#include <string>
#include <string_view>

namespace core {

inline constexpr char CarriageReturn = '\r';

// Characters that end the directory part of a path. On POSIX only '/' does.
inline constexpr std::string_view PathSeparators = "/";

// Lower-cases the letters A to Z only; every other byte stays as it is.
[[nodiscard]] std::string LowerCase(std::string_view text);
// Upper-cases the letters a to z only.
[[nodiscard]] std::string UpperCase(std::string_view text);
[[nodiscard]] bool EqualIgnoringCase(std::string_view a, std::string_view b);

// Remove characters with codes 0 to 32 from the ends.
[[nodiscard]] std::string Trim(std::string_view text);
[[nodiscard]] std::string_view TrimView(std::string_view text);

// Everything up to and including the last path separator (empty when there is none).
[[nodiscard]] std::string DirectoryPart(std::string_view path);
// Everything after the last path separator.
[[nodiscard]] std::string FileNamePart(std::string_view path);

// Drops everything from the last dot of the file name on and appends the suffix.
[[nodiscard]] std::string ChangeExtension(std::string_view path, std::string_view suffix);

// Replaces every occurrence, scanning from the end towards the start (see text.cpp).
void ReplaceText(std::string& text, std::string_view find, bool caseSensitive, std::string_view replacement);

// The first (possibly double-quoted) token of a text and the trimmed remainder, a view into the
// same text. Splitting a whole text token by token this way takes time and memory linear in its
// length.
struct TokenSplit {
    std::string token;
    std::string_view rest;
};
[[nodiscard]] TokenSplit SplitToken(std::string_view text);

}  // namespace core
