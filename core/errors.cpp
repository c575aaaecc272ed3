#include "core/errors.h"

#include <cstdlib>

#include "platform/files.h"

namespace core {

void ShowError(Seams& seams, const std::string& message, const std::string& reason) {
    seams.cursor.ShowDefaultCursor();
    seams.boxes.ShowErrorBox(message, reason);
}

void FatalError(Seams& seams, const RunRegister& run, const std::string& message, bool removeExtractionDir) {
    seams.cursor.ShowDefaultCursor();
    seams.end.DisableMainWindow();
    seams.boxes.ShowErrorBox(message, {});
    if (removeExtractionDir && !run.ExtractionDir.empty()) platform::DeleteDirectoryTree(run.ExtractionDir);
    seams.end.Exit(FatalExitCode);
    std::abort();  // an Exit that returned must not let the caller carry on
}

std::string MessageWithName(std::string_view text, std::string_view name) {
    std::string message(text);
    message += '\r';
    message += name;
    return message;
}

}  // namespace core
