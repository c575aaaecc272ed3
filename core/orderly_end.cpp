#include "core/orderly_end.h"

#include <chrono>
#include <cstdlib>

#include "platform/files.h"
#include "platform/process.h"

namespace core {

void EndInOrder(ProgramState& state, Seams& seams, int exitCode) {
    // The program first: it may still be writing into the files removed next.
    if (state.RunningProgram != NoProgram) {
        platform::StopProgram(state.RunningProgram, std::chrono::milliseconds(StopGraceMilliseconds));
        state.RunningProgram = NoProgram;
    }
    // Then whatever an outside program left running, also outside its process group.
    platform::EndAllChildren();
    for (const std::string& path : state.TemporaryFiles) (void)platform::RemoveFile(path);
    state.TemporaryFiles.clear();
    if (!state.ExtractionDir.empty()) platform::DeleteDirectoryTree(state.ExtractionDir);
    seams.end.Exit(exitCode);
    std::abort();  // an Exit that returned must not let the caller carry on
}

}  // namespace core
