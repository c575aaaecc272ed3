#pragma once
// Branding libraries for tests, made the way an author makes them: pictures written by
// ImageMagick, wave files, and a resource-only library built from them by mingw's windres and ld.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/core/support/temp_dir.h"

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadBytes(const std::string& path);
std::string WriteBytes(const TempDir& dir, std::string_view name, const Bytes& bytes);

// Writes dir/<name> with ImageMagick's convert: `arguments` make the picture, `format` is the
// output coder (BMP2: oldest header, BMP3: 40-byte header, BMP: version 5 header).
std::string MakeImage(const TempDir& dir, std::string_view name, const std::string& arguments,
                      std::string_view format = "BMP3");
// A plain red picture of that size.
std::string MakeSolidBitmap(const TempDir& dir, std::string_view name, int width, int height);

// The kinds of .bmp file a branding bitmap can be, as ImageMagick writes them.
struct BitmapFormat {
    const char* name;
    const char* arguments;  // for convert, after the picture
    const char* coder;      // BMP2: oldest header, BMP3: 40-byte header, BMP: version 5 header
    int bitCount;
    int channelTolerance;  // readers widen channels narrower than 8 bits in different ways
};
const std::vector<BitmapFormat>& BitmapFormats();
// A 23 x 40 gradient of 40 colours in that format.
std::string MakeBitmapInFormat(const TempDir& dir, std::string_view name, const BitmapFormat& format);

// A bitmap resource holds the .bmp file without its 14-byte file header.
Bytes BitmapResourceOf(const std::string& bmpPath);

enum class WaveEncoding { Pcm8, Pcm16, Float32, ALaw, MuLaw };
// A mono wave file image at 8000 samples per second.
Bytes WaveImage(WaveEncoding encoding, int milliseconds);
std::string MakeWave(const TempDir& dir, std::string_view name, int milliseconds);

enum class LibraryFormat { Pe32, Pe32Plus };

struct ResourceSource {
    std::string name;  // as the resource script writes it: IMAGE1, 7
    std::string type;  // BITMAP or WAVE
    std::string file;  // full path of the contents
};

// Builds dir/<name> from the resources with mingw's windres and ld.
std::string MakeResourceLibrary(const TempDir& dir, std::string_view name,
                                const std::vector<ResourceSource>& resources,
                                LibraryFormat format = LibraryFormat::Pe32Plus);

// Ways to damage a library whose first bitmap is "IMAGE1" so that the way to that bitmap breaks: truncation,
// offsets and counts past the end, a directory pointing at itself.
struct LibraryDamage {
    std::string name;
    std::function<void(Bytes& library, const Bytes& image1)> apply;
};
std::vector<LibraryDamage> LibraryDamages();

// Sets the width and height in a bitmap resource stored inside the library.
void SetBitmapSizeInLibrary(Bytes& library, const Bytes& image1, std::int32_t width, std::int32_t height);

}  // namespace testing_support
