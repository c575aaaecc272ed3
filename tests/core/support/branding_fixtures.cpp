#include "tests/core/support/branding_fixtures.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testing_support {
namespace {

constexpr std::uint32_t SampleRate = 8000;
constexpr std::uint32_t HighBit = 0x80000000u;

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

void Put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

std::uint32_t Get32(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes.at(at) | bytes.at(at + 1) << 8 | bytes.at(at + 2) << 16 |
                                      static_cast<std::uint32_t>(bytes.at(at + 3)) << 24);
}

std::uint16_t Get16(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

void Set32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    Bytes encoded;
    Put32(encoded, value);
    std::copy(encoded.begin(), encoded.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

std::size_t OffsetOf(const Bytes& haystack, const Bytes& needle) {
    const auto found = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end());
    if (found == haystack.end()) throw std::runtime_error("bytes not found in the library");
    return static_cast<std::size_t>(found - haystack.begin());
}

// The library's resource section, read the plain way: enough to find what to damage.
struct ResourceSection {
    std::size_t fileOffset;
    std::uint32_t virtualAddress;

    std::size_t Directory(std::uint32_t offset) const { return fileOffset + offset; }
    std::size_t Entry(std::uint32_t directory, std::size_t index) const {
        return Directory(directory) + 16 + 8 * index;
    }
};

ResourceSection FindResourceSection(const Bytes& library) {
    const std::size_t pe = Get32(library, 0x3C);
    const std::size_t sections = pe + 24 + Get16(library, pe + 20);
    for (std::size_t i = 0; i < Get16(library, pe + 6); ++i) {
        const std::size_t header = sections + 40 * i;
        if (std::string(library.begin() + static_cast<std::ptrdiff_t>(header),
                        library.begin() + static_cast<std::ptrdiff_t>(header + 5)) == ".rsrc")
            return {Get32(library, header + 20), Get32(library, header + 12)};
    }
    throw std::runtime_error("no resource section");
}

// The directory of bitmap names: the root's entry for type 2.
std::uint32_t BitmapNames(const Bytes& library, const ResourceSection& section) {
    const std::size_t root = section.Directory(0);
    const std::size_t count = Get16(library, root + 12) + Get16(library, root + 14);
    for (std::size_t i = 0; i < count; ++i) {
        if (Get32(library, section.Entry(0, i)) == 2)
            return Get32(library, section.Entry(0, i) + 4) & ~HighBit;
    }
    throw std::runtime_error("no bitmaps");
}

// The data record (address, size, code page, reserved) that points at IMAGE1's bytes.
std::size_t Image1Record(const Bytes& library, const Bytes& image1) {
    const ResourceSection section = FindResourceSection(library);
    Bytes record;
    Put32(record, static_cast<std::uint32_t>(OffsetOf(library, image1) - section.fileOffset +
                                             section.virtualAddress));
    Put32(record, static_cast<std::uint32_t>(image1.size()));
    return OffsetOf(library, record);
}

}  // namespace

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WriteBytes(const TempDir& dir, std::string_view name, const Bytes& bytes) {
    return dir.Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string MakeImage(const TempDir& dir, std::string_view name, const std::string& arguments,
                      std::string_view format) {
    std::string path = dir.File(name);
    Run("convert " + arguments + " " + std::string(format) + ":" + Quoted(path));
    return path;
}

std::string MakeSolidBitmap(const TempDir& dir, std::string_view name, int width, int height) {
    return MakeImage(dir, name, "-size " + std::to_string(width) + "x" + std::to_string(height) + " xc:red");
}

const std::vector<BitmapFormat>& BitmapFormats() {
    static const std::vector<BitmapFormat> formats{
        {"core header, 24 bits", "", "BMP2", 24, 0},
        {"core header, 4-bit palette", "-colors 16 -type palette", "BMP2", 4, 0},
        {"info header, 1-bit palette", "-colors 2 -type palette", "BMP3", 1, 0},
        {"info header, 4-bit palette", "-colors 16 -type palette", "BMP3", 4, 0},
        {"info header, 8-bit palette", "-type palette -compress None", "BMP3", 8, 0},
        {"info header, 8-bit run lengths", "-type palette -compress RLE", "BMP3", 8, 0},
        {"info header, 24 bits", "", "BMP3", 24, 0},
        {"version 5 header, 16-bit masks", "-define bmp:subtype=RGB565", "BMP", 16, 7},
        {"version 5 header, 32 bits with alpha", "-alpha set -channel A -evaluate set 50%", "BMP", 32, 0},
    };
    return formats;
}

std::string MakeBitmapInFormat(const TempDir& dir, std::string_view name, const BitmapFormat& format) {
    return MakeImage(dir, name, std::string("-size 23x40 gradient:yellow-navy +dither ") + format.arguments,
                     format.coder);
}

Bytes BitmapResourceOf(const std::string& bmpPath) {
    const Bytes file = ReadBytes(bmpPath);
    return Bytes(file.begin() + 14, file.end());
}

Bytes WaveImage(WaveEncoding encoding, int milliseconds) {
    struct Format {
        std::uint32_t tag;
        std::uint32_t bits;
    };
    const Format format = encoding == WaveEncoding::Pcm8      ? Format{1, 8}
                          : encoding == WaveEncoding::Pcm16   ? Format{1, 16}
                          : encoding == WaveEncoding::Float32 ? Format{3, 32}
                          : encoding == WaveEncoding::ALaw    ? Format{6, 8}
                                                              : Format{7, 8};
    const std::uint32_t frames = SampleRate * static_cast<std::uint32_t>(milliseconds) / 1000;
    const std::uint32_t blockAlign = format.bits / 8;
    // A quiet square tone; its bytes only need to be valid samples.
    Bytes samples;
    for (std::uint32_t i = 0; i < frames * blockAlign; ++i) samples.push_back((i / 40) % 2 ? 0x70 : 0x90);

    const bool pcm = format.tag == 1;
    Bytes fmt;
    Put16(fmt, format.tag);
    Put16(fmt, 1);
    Put32(fmt, SampleRate);
    Put32(fmt, SampleRate * blockAlign);
    Put16(fmt, blockAlign);
    Put16(fmt, format.bits);
    if (!pcm) Put16(fmt, 0);  // no extra format bytes

    Bytes body;
    PutText(body, "WAVE");
    PutText(body, "fmt ");
    Put32(body, static_cast<std::uint32_t>(fmt.size()));
    body.insert(body.end(), fmt.begin(), fmt.end());
    if (!pcm) {
        PutText(body, "fact");
        Put32(body, 4);
        Put32(body, frames);
    }
    PutText(body, "data");
    Put32(body, static_cast<std::uint32_t>(samples.size()));
    body.insert(body.end(), samples.begin(), samples.end());

    Bytes wave;
    PutText(wave, "RIFF");
    Put32(wave, static_cast<std::uint32_t>(body.size()));
    wave.insert(wave.end(), body.begin(), body.end());
    return wave;
}

std::string MakeWave(const TempDir& dir, std::string_view name, int milliseconds) {
    return WriteBytes(dir, name, WaveImage(WaveEncoding::Pcm8, milliseconds));
}

std::string MakeResourceLibrary(const TempDir& dir, std::string_view name,
                                const std::vector<ResourceSource>& resources, LibraryFormat format) {
    std::string script;
    for (const ResourceSource& resource : resources)
        script += resource.name + " " + resource.type + " \"" + resource.file + "\"\n";
    std::string stem = dir.File(std::string(name));
    dir.Write(std::string(name) + ".rc", script);
    const std::string tools = format == LibraryFormat::Pe32 ? "i686-w64-mingw32-" : "x86_64-w64-mingw32-";
    Run(tools + "windres --preprocessor=cat " + Quoted(stem + ".rc") + " -O coff -o " + Quoted(stem + ".o") +
        " && " + tools + "ld -shared --dll -e 0 -o " + Quoted(stem) + " " + Quoted(stem + ".o"));
    return stem;
}

std::vector<LibraryDamage> LibraryDamages() {
    return {
        {"TruncatedInsideThePicture",
         [](Bytes& library, const Bytes& image1) {
             library.resize(OffsetOf(library, image1) + image1.size() / 2);
         }},
        {"EntryCountsPastTheEnd",
         [](Bytes& library, const Bytes&) {
             const std::size_t root = FindResourceSection(library).Directory(0);
             Set32(library, root + 12, 0xFFFFFFFF);  // named and numbered entries
         }},
        {"SubdirectoryPastTheEnd",
         [](Bytes& library, const Bytes&) {
             const ResourceSection section = FindResourceSection(library);
             const std::size_t root = section.Directory(0);
             for (std::size_t i = 0; i < std::size_t{Get16(library, root + 12)} + Get16(library, root + 14);
                  ++i)
                 Set32(library, section.Entry(0, i) + 4, HighBit | 0x7FFFFF00);
         }},
        {"PictureAddressPastTheEnd",
         [](Bytes& library, const Bytes& image1) {
             Set32(library, Image1Record(library, image1), 0xFFFFFF00);
         }},
        {"PictureSizePastTheEnd",
         [](Bytes& library, const Bytes& image1) {
             Set32(library, Image1Record(library, image1) + 4, 0x7FFFFFFF);
         }},
        {"DirectoryPointingAtItself",
         [](Bytes& library, const Bytes&) {
             const ResourceSection section = FindResourceSection(library);
             const std::uint32_t names = BitmapNames(library, section);
             Set32(library, section.Entry(names, 0) + 4, HighBit | names);
         }},
        {"HeadersPastTheEnd", [](Bytes& library, const Bytes&) { Set32(library, 0x3C, 0x7FFFFFF0); }},
    };
}

void SetBitmapSizeInLibrary(Bytes& library, const Bytes& image1, std::int32_t width, std::int32_t height) {
    const std::size_t at = OffsetOf(library, image1);
    Set32(library, at + 4, static_cast<std::uint32_t>(width));
    Set32(library, at + 8, static_cast<std::uint32_t>(height));
}

}  // namespace testing_support
