#include "core/orderly_end.h"

#include <chrono>
#include <cstdlib>

#include "platform/files.h"
#include "platform/process.h"

namespace core {

void EndInOrder(RunRegister& run, Seams& seams, int exitCode) {
    // The program first: it may still be writing into the files removed next.
    if (run.RunningProgram != NoProgram) {
        platform::StopProgram(run.RunningProgram, std::chrono::milliseconds(StopGraceMilliseconds));
        run.RunningProgram = NoProgram;
    }
    // Then whatever an outside program left running, also outside its process group.
    platform::EndAllChildren();
    for (const std::string& path : run.TemporaryFiles)
        (void)(platform::RemoveFile(path) || platform::RemoveEmptyDirectory(path));
    run.TemporaryFiles.clear();
    if (!run.ExtractionDir.empty()) platform::DeleteDirectoryTree(run.ExtractionDir);
    seams.end.Exit(exitCode);
    std::abort();  // an Exit that returned must not let the caller carry on
}

}  // namespace core
