// bspatch OLD NEW PATCH: writes NEW from OLD and a bsdiff 4 PATCH. Exit status 0 on success, 1 on
// any failure with one line on standard error saying what was wrong. SIGTERM, SIGINT or SIGHUP
// during the run removes the partial NEW; the tool then ends silently by that signal.
#include <cstdio>
#include <exception>

#include "bspatch/patch_files.h"
#include "bspatch/stop_signals.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: bspatch OLD NEW PATCH\n", stderr);
        return 1;
    }
    int stopSignal = 0;
    try {
        const core::Result<std::unique_ptr<bspatch::StopOnSignals>> signals = bspatch::StopOnSignals::Start();
        if (!signals) {
            std::fprintf(stderr, "bspatch: %s\n", signals.Reason().c_str());
            return 1;
        }
        const core::Status applied = bspatch::ApplyPatchFiles(argv[1], argv[2], argv[3], (*signals)->Token());
        if (applied) return 0;
        stopSignal = (*signals)->Received();
        if (stopSignal == 0) std::fprintf(stderr, "bspatch: %s\n", applied.Reason().c_str());
    } catch (const std::exception& error) {
        // Allocating the fixed buffers or a message can throw; that ends the run like any failure.
        std::fprintf(stderr, "bspatch: %s\n", error.what());
    }
    // The watching thread has ended with the block above.
    if (stopSignal != 0) bspatch::EndBySignal(stopSignal);
    return 1;
}
