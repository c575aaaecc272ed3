#pragma once
// The values the program's parts share, each with one owner; tests build their own. There are no
// globals.
#include <string>
#include <vector>

#include "core/catalogue_types.h"
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

// What start-up reads: the stored settings and the catalogue. The application fills it while the
// window starts; afterwards it is read only.
struct ProgramSetup {
    StoredSettings Settings;
    FileInfoList FileInfos;
    AppInfoList AppInfos;
};

// What an orderly end must undo, owned by the application: the unpacked patch set, the outside
// program the window is waiting for, and the temporary files a conversion is writing.
struct RunRegister {
    std::string ExtractionDir;
    int RunningProgram = NoProgram;
    // Files, and the private directories that hold them, each listed after what it holds.
    std::vector<std::string> TemporaryFiles;
};

// The user's choices in the form, owned by the window.
struct FormSelection {
    int SourceIndex = -1;  // the identified source's catalogue entry; -1 for none
    TargetChoice SelectedTarget;
};

}  // namespace core
