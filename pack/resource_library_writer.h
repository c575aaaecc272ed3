#pragma once
// Writes a Windows resource-only library (PE32, no code) holding bitmaps and sounds, the form in
// which the converter takes its branding pictures and sounds.
#include <cstdint>
#include <string>
#include <vector>

#include "core/resource_library.h"
#include "core/result.h"

namespace pack {

struct Resource {
    core::ResourceKey type;  // core::BitmapResourceType or the text "WAVE"
    std::string name;        // upper case, as resource compilers store names
    std::vector<std::uint8_t> data;
};

// The library's bytes: headers, then one .rsrc section with a directory of type, name and
// language (US English) over the resources' data.
[[nodiscard]] std::vector<std::uint8_t> ResourceLibraryBytes(const std::vector<Resource>& resources);

// The bitmap resource in a .bmp file (the file without its 14-byte file header); refused when
// the file is not a bitmap the converter can show.
[[nodiscard]] core::Result<std::vector<std::uint8_t>> BitmapResourceFromFile(
    const std::vector<std::uint8_t>& file);
// The sound resource in a .wav file (the whole file); refused when it is no RIFF WAVE file.
[[nodiscard]] core::Result<std::vector<std::uint8_t>> SoundResourceFromFile(
    const std::vector<std::uint8_t>& file);

}  // namespace pack
