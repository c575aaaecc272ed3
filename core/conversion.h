#pragma once
// The conversion run behind the Convert button: copy the source aside, let the patch tool write
// the result, stamp it, verify it against the catalogue, and only then let it replace anything.
#include <string>

#include "core/checksum_memory.h"
#include "core/colours.h"
#include "core/dos_time.h"
#include "core/long_work.h"
#include "core/program_state.h"
#include "core/seams.h"

namespace core {

// What the window does while the patch tool runs: nobody may close it or press Cancel.
class ConversionLock {
  public:
    virtual ~ConversionLock() = default;
    virtual void EnterConvertingPhase() = 0;  // disable Cancel, refuse to close
    virtual void LeaveConvertingPhase() = 0;  // enable both again
};

// What the user asked for when pressing Convert, fixed for the whole run.
struct ConversionRequest {
    std::string source;
    std::string target;  // the target box's text; not used when the source is overwritten
    std::string patch;
    std::string expectedMd5;                   // the catalogue's checksum of the chosen version
    ShortDosDateTime timeStamp = NoTimeStamp;  // given to the result; NoTimeStamp leaves its time
    bool overwriteSource = false;

    // Where the result goes: the source itself when it is overwritten.
    [[nodiscard]] const std::string& ResultPath() const { return overwriteSource ? source : target; }
};

// <extraction dir>/<source file name>.tmp: where the source is copied for the patch tool.
[[nodiscard]] std::string TemporaryCopyPath(const std::string& extractionDir, const std::string& source);

// The parts of the program a run works with besides the request.
struct ConversionContext {
    RunRegister& run;           // the extraction directory; lists the tool and the temporary files
    ChecksumMemory& checksums;  // remembers the result's checksum
    const Colours& colours;     // of the status texts
    Seams& seams;
    ConversionLock& lock;
};

// Copies in 64 KiB blocks on the calling thread, telling `progress` after every block, and gives
// the copy the source's modification time. False on any input/output error and when `cancel` is
// seen after a block.
[[nodiscard]] bool CopyFileKeepDate(const std::string& sourcePath, const std::string& copyPath,
                                    const CancelToken& cancel, ProgressSink& progress);

// Sets the file's modification time from a packed local date and time; invalid values and
// failures change nothing.
void SetFileDosTime(const std::string& path, ShortDosDateTime timeStamp);

// Asks before anything at the target path is replaced, then runs the copy, the patch tool, the
// stamp and the verification, showing every message the user must see. `cancel` is set when the
// window closes: a run cancelled at the question goes no further, and a cancelled verification
// shows no result. Returns whether the patch tool was started (false also when the user declined).
[[nodiscard]] bool RunConversion(const ConversionRequest& request, const ConversionContext& context,
                                 const CancelToken& cancel);

}  // namespace core
