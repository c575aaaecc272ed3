#include "core/catalogue_lines.h"

#include <algorithm>

#include "core/text.h"

namespace core {

namespace {

constexpr char EndOfFileMark = 26;
constexpr std::size_t ChunkSize = std::size_t{64} * 1024;

}  // namespace

std::optional<std::string> CatalogueLineReader::Next() {
    if (!HasUnreadByte()) return std::nullopt;
    std::string line;
    while (HasUnreadByte()) {
        const char* begin = buffer_.data() + position_;
        const char* end = buffer_.data() + size_;
        const char* stop = std::find_if(begin, end, [](char c) { return c == '\r' || c == EndOfFileMark; });
        line.append(begin, stop);
        position_ += static_cast<std::size_t>(stop - begin);
        if (line.size() > MaxCatalogueLineLength) failed_ = true;
        if (stop == end) continue;
        if (*stop == EndOfFileMark) {
            ended_ = true;
            return line;
        }
        ++position_;
        SkipLineFeed();
        break;
    }
    if (failed_) return std::nullopt;
    return line;
}

bool CatalogueLineReader::HasUnreadByte() {
    if (ended_ || failed_) return false;
    if (position_ < size_) return true;
    buffer_.resize(ChunkSize);
    size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    position_ = 0;
    total_ += size_;
    if (total_ > MaxCatalogueSize) {
        failed_ = true;
        return false;
    }
    if (size_ > 0) return true;
    (std::ferror(file_) ? failed_ : ended_) = true;
    return false;
}

void CatalogueLineReader::SkipLineFeed() {
    if (HasUnreadByte() && buffer_[position_] == '\n') ++position_;
}

std::string PrepareCatalogueLine(std::string line) {
    ReplaceText(line, "\t", true, " ");
    return Trim(line);
}

bool IsCatalogueSectionHeader(std::string_view line) {
    return !line.empty() && line.front() == '[' && line.back() == ']';
}

bool IsCatalogueComment(std::string_view line) { return line.front() == ';' || line.starts_with("//"); }

std::optional<std::string> CatalogueKeyValue(std::string_view line, std::string_view key) {
    if (line.size() < key.size() || !EqualIgnoringCase(line.substr(0, key.size()), key)) return std::nullopt;
    const std::string_view afterKey = line.substr(key.size());
    const auto equals = afterKey.find_first_not_of(' ');
    if (equals == std::string_view::npos || afterKey[equals] != '=') return std::nullopt;
    return Trim(afterKey.substr(equals + 1));
}

}  // namespace core
