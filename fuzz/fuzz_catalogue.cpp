// Arbitrary bytes as a catalogue file: the reader must never crash, hang or leak, must read any
// regular file, and must keep the application-name list free of empty and repeated names.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/catalogue.h"
#include "core/text.h"

namespace {

// An in-memory file, rewritten for every input and reached by a path, as the reader wants one;
// a file on disk would make every run wait for the disk.
class ScratchFile {
  public:
    ScratchFile() : descriptor_(memfd_create("fuzz-catalogue", 0)) {
        if (descriptor_ < 0) std::abort();
        path_ = "/proc/self/fd/" + std::to_string(descriptor_);
    }
    ~ScratchFile() { close(descriptor_); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Write(const std::uint8_t* data, std::size_t size) const {
        if (pwrite(descriptor_, data, size, 0) != static_cast<ssize_t>(size) ||
            ftruncate(descriptor_, static_cast<off_t>(size)) != 0)
            std::abort();
        return path_;
    }

  private:
    int descriptor_;
    std::string path_;
};

bool IsTrimmed(const std::string& text) { return text == core::Trim(text); }

void CheckAppInfos(const core::AppInfoList& appInfos) {
    for (std::size_t i = 0; i < appInfos.size(); ++i) {
        const auto& name = appInfos[i].Name;
        if (name.empty() || !IsTrimmed(name) || !IsTrimmed(appInfos[i].Value)) std::abort();
        for (std::size_t j = 0; j < i; ++j)
            if (core::EqualIgnoringCase(appInfos[j].Name, name)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile scratch;
    const core::Result<core::CatalogueContents> contents = core::LoadCatalogue(scratch.Write(data, size));
    if (!contents) std::abort();
    CheckAppInfos(contents->appInfos);
    return 0;
}
