#include "core/text.h"

#include <algorithm>

namespace core {

namespace {

constexpr char DoubleQuote = '"';
constexpr char Blank = ' ';
constexpr std::string_view EscapedQuote = "\\\"";

char LowerCaseChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperCaseChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

// Index just after the last path separator, 0 when there is none.
std::size_t FileNameStart(std::string_view path) {
    const std::size_t separator = path.find_last_of(PathSeparators);
    return separator == std::string_view::npos ? 0 : separator + 1;
}

// Index of the first double quote at or after `from` that does not follow a backslash, or the
// text's length. With `stopAtBlank` a blank also ends the scan.
std::size_t TokenEnd(std::string_view text, std::size_t from, bool stopAtBlank) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (stopAtBlank && text[i] == Blank) return i;
        if (text[i] == DoubleQuote && (i == 0 || text[i - 1] != '\\')) return i;
    }
    return text.size();
}

// What follows the first blank of `remainder`, trimmed; empty when it holds no blank.
std::string_view AfterFirstBlank(std::string_view remainder) {
    const std::size_t blank = remainder.find(Blank);
    return blank == std::string_view::npos ? std::string_view() : TrimView(remainder.substr(blank + 1));
}

// Whether `reversed` ends with the reverse of `find`, that is whether the text it holds
// backwards begins with `find`.
bool BeginsReversed(std::string_view reversed, std::string_view find, bool caseSensitive) {
    if (reversed.size() < find.size()) return false;
    for (std::size_t i = 0; i < find.size(); ++i) {
        const char c = reversed[reversed.size() - 1 - i];
        if (caseSensitive ? c != find[i] : LowerCaseChar(c) != LowerCaseChar(find[i])) return false;
    }
    return true;
}

}  // namespace

std::string LowerCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), LowerCaseChar);
    return result;
}

std::string UpperCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), UpperCaseChar);
    return result;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return LowerCaseChar(x) == LowerCaseChar(y); });
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string_view TrimView(std::string_view text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsTrimmed);
    const auto last = std::find_if_not(text.rbegin(), std::make_reverse_iterator(first), IsTrimmed);
    return std::string_view(first, last.base());
}

std::string DirectoryPart(std::string_view path) { return std::string(path.substr(0, FileNameStart(path))); }

std::string FileNamePart(std::string_view path) { return std::string(path.substr(FileNameStart(path))); }

std::string ChangeExtension(std::string_view path, std::string_view suffix) {
    const std::size_t nameStart = FileNameStart(path);
    const std::size_t dot = path.find_last_of('.');
    const bool nameHasDot = dot != std::string_view::npos && dot >= nameStart;
    std::string result(path.substr(0, nameHasDot ? dot : path.size()));
    result += suffix;
    return result;
}

// Walks the positions of the original text from its end to its start, one step each, and
// replaces a match found at the current position. A replacement is never rescanned from its own
// position, but a match starting earlier may take in characters that a replacement inserted:
// replacing backslash-quote by a quote turns backslash, backslash, quote into a lone quote.
// An empty find text occurs nowhere, so it changes nothing.
// The text from the current position on is kept reversed, so that taking in the next character
// and replacing a match both happen at its end: the work is linear in the text's length.
void ReplaceText(std::string& text, std::string_view find, bool caseSensitive, std::string_view replacement) {
    if (find.empty()) return;
    // Every replacement starts from one in the original text; without one there is nothing to do.
    if (caseSensitive && text.find(find) == std::string::npos) return;
    std::string reversed;
    reversed.reserve(text.size());
    for (std::size_t position = text.size(); position-- > 0;) {
        reversed.push_back(text[position]);
        if (BeginsReversed(reversed, find, caseSensitive)) {
            reversed.resize(reversed.size() - find.size());
            reversed.append(replacement.rbegin(), replacement.rend());
        }
    }
    text.assign(reversed.rbegin(), reversed.rend());
}

// A quoted token runs to the next unescaped double quote; a bare one also stops at a blank.
// When a double quote ends the token, whatever is glued to it up to the next blank is dropped.
TokenSplit SplitToken(std::string_view text) {
    const bool quoted = !text.empty() && text.front() == DoubleQuote;
    const std::size_t tokenStart = quoted ? 1 : 0;
    const std::size_t stop = TokenEnd(text, tokenStart, !quoted);
    const std::string_view remainder = stop < text.size() ? text.substr(stop + 1) : std::string_view();
    const bool endedByQuote = stop < text.size() && text[stop] == DoubleQuote;

    std::string token(text.substr(tokenStart, stop - tokenStart));
    ReplaceText(token, EscapedQuote, true, "\"");
    return {std::move(token), endedByQuote ? AfterFirstBlank(remainder) : TrimView(remainder)};
}

}  // namespace core
