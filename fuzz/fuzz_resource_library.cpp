// Arbitrary bytes as a branding library, and as a bitmap resource on their own: the library
// reader and the bitmap header step must never crash, hang, leak or read outside the input, and
// a rebuilt bitmap file must be the resource behind a file header that points inside it.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/dib.h"
#include "core/resource_library.h"

namespace {

void CheckBitmapStep(std::span<const std::uint8_t> resource) {
    const std::optional<std::vector<std::uint8_t>> file = core::BitmapFileFromResource(resource);
    if (!file) return;
    std::uint32_t pixels = 0;
    for (std::size_t at = 13; at >= 10; --at) pixels = pixels << 8 | (*file)[at];
    if (file->size() != 14 + resource.size() || pixels > file->size() ||
        !std::equal(resource.begin(), resource.end(), file->begin() + 14))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    CheckBitmapStep(input);

    std::optional<core::ResourceLibrary> library =
        core::ResourceLibrary::FromSource(std::make_unique<core::MemoryByteSource>(input));
    if (!library) return 0;
    for (const char* name : {"IMAGE1", "IMAGE2"}) {
        const std::optional<std::vector<std::uint8_t>> bitmap =
            library->Find(core::BitmapResourceType, std::string(name));
        if (bitmap) CheckBitmapStep(*bitmap);
    }
    for (const char* name : {"SOUND1", "SOUND2"}) {
        const std::optional<std::vector<std::uint8_t>> wave =
            library->Find(std::string(core::WaveResourceType), std::string(name));
        if (wave && wave->size() > size) std::abort();
    }
    return 0;
}
