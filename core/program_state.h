#pragma once
// The values the whole program shares. One instance is owned by the application; tests build
// their own. There are no globals.
#include <string>
#include <vector>

#include "core/catalogue_types.h"
#include "core/checksum_memory.h"
#include "core/colours.h"
#include "core/dos_time.h"

namespace core {

// What the user chose last in the version list; it survives a change of source.
struct TargetChoice {
    std::string Version;
    std::string ProposedFileName;
    std::string Md5;
    ShortDosDateTime TimeStamp = NoTimeStamp;
};

struct StoredSettings {
    std::string AppName = "File Converter";
    std::string SourceFile;
    std::string TargetFile;
    bool DisableSourceOverwrite = false;
    core::Colours Colours;
};

// The process id that stands for "no outside program is running".
inline constexpr int NoProgram = 0;

struct ProgramState {
    std::string ExtractionDir;
    bool ShuttingDown = false;
    FileInfoList FileInfos;
    AppInfoList AppInfos;
    int SourceIndex = -1;
    TargetChoice SelectedTarget;
    std::string SelectedPatchPath;
    StoredSettings Settings;
    ChecksumMemory Checksums;  // of every file summed to its end in this run
    // Work under way that an orderly end must undo: the outside program the window is waiting
    // for, and the temporary files a conversion is writing.
    int RunningProgram = NoProgram;
    std::vector<std::string> TemporaryFiles;
};

}  // namespace core
