#include "pack/set_files.h"

#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include "core/identification.h"
#include "core/md5.h"
#include "core/text.h"

namespace pack {

namespace {

constexpr std::size_t Md5PieceSize = 1 << 20;

}  // namespace

std::optional<std::string> Md5OfFile(const std::string& path, const std::function<bool()>& shouldStop) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    core::Md5Context context;
    core::Md5Init(context);
    std::vector<char> piece(Md5PieceSize);
    while (!shouldStop() &&
           (file.read(piece.data(), static_cast<std::streamsize>(piece.size())) || file.gcount() > 0)) {
        core::Md5Update(context, std::span(reinterpret_cast<const std::uint8_t*>(piece.data()),
                                           static_cast<std::size_t>(file.gcount())));
        if (file.eof()) break;
    }
    if (file.bad() || !file.eof()) return std::nullopt;  // unreadable, or stopped
    core::Md5Digest digest;
    core::Md5Final(context, digest);
    return core::LowerCase(core::Md5Hex(digest));
}

std::string PatchName(const core::FileInfo& from, const core::FileInfo& to) {
    return core::FileNamePart(core::PatchFileName("", from, to));
}

std::optional<std::string> ReadFileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(file), {});
    if (!file || file.bad()) return std::nullopt;
    return text;
}

TextStream OpenText(std::string& text) {
    return TextStream(fmemopen(text.data(), text.size(), "rb"), std::fclose);
}

std::optional<core::CatalogueContents> ReadCatalogue(std::string text) {
    const TextStream file = OpenText(text);
    if (!file) return std::nullopt;
    return core::LoadCatalogueFrom(file.get());
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace pack
