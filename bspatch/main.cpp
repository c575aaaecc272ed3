// bspatch OLD NEW PATCH: writes NEW from OLD and a bsdiff 4 PATCH. Exit status 0 on success, 1 on
// any failure with one line on standard error saying what was wrong.
#include <cstdio>
#include <exception>

#include "bspatch/patch_files.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: bspatch OLD NEW PATCH\n", stderr);
        return 1;
    }
    try {
        const bspatch::Status applied = bspatch::ApplyPatchFiles(argv[1], argv[2], argv[3]);
        if (applied) return 0;
        std::fprintf(stderr, "bspatch: %s\n", applied.Reason().c_str());
    } catch (const std::exception& error) {
        // Allocating the fixed buffers or a message can throw; that ends the run like any failure.
        std::fprintf(stderr, "bspatch: %s\n", error.what());
    }
    return 1;
}
