#include "core/settings_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

#include "core/text.h"
#include "platform/file.h"

namespace core {

namespace {

constexpr char CommentMark = ';';
constexpr std::array<std::string_view, 5> HexPrefixes{"0x", "0X", "$", "x", "X"};

bool IsSectionHeader(std::string_view line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The lines of the text, each without its line break; character 0 ends the text.
std::vector<std::string_view> SplitLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crLf ? 2 : 1));
    }
    return lines;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::optional<platform::File> file = platform::File::OpenForReading(path);
    if (!file) return std::nullopt;
    std::string contents;
    std::array<std::uint8_t, std::size_t{64} * 1024> buffer{};
    for (;;) {
        const std::int64_t count = file->Read(buffer);
        if (count < 0) return std::nullopt;
        if (count == 0) return contents;
        contents.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(count));
        // Character 0 ends the text, so nothing after it is needed (and /dev/zero ends too).
        if (std::find(buffer.begin(), buffer.begin() + count, 0) != buffer.begin() + count) return contents;
    }
}

// The value of `digits` in the base; nothing when it is empty, holds anything but digits (a sign
// included) or exceeds `max`.
std::optional<std::uint64_t> ParseDigits(std::string_view digits, int base, std::uint64_t max) {
    std::uint64_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
    if (digits.empty() || stop != end || error != std::errc{} || value > max) return std::nullopt;
    return value;
}

std::optional<std::int32_t> ReadHexadecimal(std::string_view digits) {
    const auto value = ParseDigits(digits, 16, std::numeric_limits<std::uint32_t>::max());
    if (!value) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
}

std::optional<std::int32_t> ReadDecimal(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) text.remove_prefix(1);
    const std::uint64_t largest = std::numeric_limits<std::int32_t>::max();
    const auto magnitude = ParseDigits(text, 10, negative ? largest + 1 : largest);
    if (!magnitude) return std::nullopt;
    const auto value = static_cast<std::int64_t>(*magnitude);
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

SettingsReader SettingsReader::FromText(std::string_view text) {
    SettingsReader reader;
    for (std::string_view line : SplitLines(text)) {
        if (line.empty() || line.front() == CommentMark) continue;
        if (IsSectionHeader(line)) {
            reader.sections_.push_back({std::string(line.substr(1, line.size() - 2)), {}});
        } else if (!reader.sections_.empty()) {
            reader.sections_.back().Lines.emplace_back(line);
        }
    }
    return reader;
}

SettingsReader SettingsReader::FromFile(const std::string& path) {
    const std::optional<std::string> contents = ReadWholeFile(path);
    return contents ? FromText(*contents) : SettingsReader();
}

std::optional<std::string> SettingsReader::Value(std::string_view section, std::string_view key) const {
    const auto found = std::find_if(sections_.begin(), sections_.end(), [&](const SettingsSection& s) {
        return EqualIgnoringCase(s.Name, section);
    });
    if (found == sections_.end()) return std::nullopt;
    for (const std::string& line : found->Lines) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && EqualIgnoringCase(std::string_view(line).substr(0, equals), key))
            return line.substr(equals + 1);
    }
    return std::nullopt;
}

std::string SettingsReader::ReadString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue) const {
    return Value(section, key).value_or(std::string(defaultValue));
}

std::optional<std::int32_t> ReadNumber(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    for (std::string_view prefix : HexPrefixes) {
        if (text.starts_with(prefix)) return ReadHexadecimal(text.substr(prefix.size()));
    }
    return ReadDecimal(text);
}

}  // namespace core
