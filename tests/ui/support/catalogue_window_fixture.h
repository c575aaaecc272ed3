#pragma once
// A window at rest after start-up over a real extraction directory: catalogue entries are added
// to the program state directly, source and patch files are real files in a per-test directory.
#include <QLabel>
#include <QLineEdit>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/identification.h"
#include "core/md5.h"
#include "core/text.h"
#include "tests/core/support/temp_dir.h"
#include "tests/ui/support/window_fixture.h"

namespace testing_support {

class CatalogueWindowFixture : public WindowFixture {
  protected:
    // The contents of two versions of one file.
    static constexpr std::string_view OldBytes = "version one of the game\n";
    static constexpr std::string_view NewBytes = "version two of the game\n";

    CatalogueWindowFixture() {
        run.ExtractionDir = files.File("set");
        std::filesystem::create_directory(run.ExtractionDir);
        form.SetFixedCaptions();
    }

    // Adds a catalogue entry for a file with these bytes and returns its position.
    int AddVersion(std::string fileName, std::string version, std::string_view bytes,
                   std::string description1, std::vector<std::string> description2 = {}) {
        core::FileInfo entry;
        entry.FileName = std::move(fileName);
        entry.Version = std::move(version);
        entry.Md5 = core::Md5Hex(core::Md5Of(bytes));
        entry.Description1 = std::move(description1);
        entry.Description2 = std::move(description2);
        setup.FileInfos.push_back(std::move(entry));
        return static_cast<int>(setup.FileInfos.size()) - 1;
    }

    // The patch file leading from one entry to another, as an empty file.
    std::string AddPatch(int from, int to) {
        std::string path = core::PatchFileName(run.ExtractionDir, Entry(from), Entry(to));
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        files.Write(std::filesystem::relative(path, files.path()).string(), "");
        return path;
    }

    core::FileInfo& Entry(int index) { return setup.FileInfos.at(static_cast<std::size_t>(index)); }

    // Writes the name into the source box the way the program does; the change handling runs at once.
    void SetSource(const std::string& path) { controls.Edit1->setText(QString::fromLocal8Bit(path)); }

    static QString LowerHex(std::string_view bytes) {
        return QString::fromStdString(core::LowerCase(core::Md5Hex(core::Md5Of(bytes))));
    }

    QString SourceLabel() const { return controls.Label3->text(); }
    QString StatusText() const { return controls.Label8->text(); }

    TempDir files;
};

}  // namespace testing_support
