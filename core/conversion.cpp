#include "core/conversion.h"

#include <cerrno>
#include <cstdint>
#include <optional>
#include <span>
#include <system_error>
#include <variant>
#include <vector>

#include "core/checksum.h"
#include "core/command_line.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/patch_set.h"
#include "core/process_runner.h"
#include "core/result.h"
#include "core/stepwise_file_work.h"
#include "core/text.h"
#include "platform/file.h"
#include "platform/files.h"

namespace core {

namespace {

constexpr std::uint64_t CopyBlockSize = 65536;

// Copies `size` bytes: full blocks, then the remainder. A failed piece marks the copy as failed
// but the later pieces are still attempted; a cancellation ends it.
bool CopyContents(platform::File& from, platform::File& to, std::uint64_t size, const CancelToken& cancel,
                  ProgressSink& progress) {
    std::vector<std::uint8_t> buffer(CopyBlockSize);
    bool ok = true;
    for (std::uint64_t block = 0; block < size / CopyBlockSize; ++block) {
        ok = to.CopyFrom(from, buffer) && ok;
        progress.Advance((block + 1) * CopyBlockSize, size);
        if (cancel.IsCancelled()) return false;
    }
    const auto remainder = static_cast<std::size_t>(size % CopyBlockSize);
    if (remainder != 0) ok = to.CopyFrom(from, std::span(buffer).first(remainder)) && ok;
    return ok;
}

std::optional<ShortDosDateTime> DosModificationTime(const std::string& path) {
    const std::optional<platform::LocalTime> time = platform::ModificationTime(path);
    if (!time) return std::nullopt;
    return PackDosDateTime(
        DosFields{time->year, time->month, time->day, time->hour, time->minute, time->second});
}

void SetStatus(Seams& seams, std::string_view text, Colour colour, bool blinking) {
    seams.status.SetStatus(std::string(text), colour, blinking);
}

void EnterConvertingPhase(const ConversionContext& context) {
    context.lock.EnterConvertingPhase();
    context.seams.cursor.ShowBusyCursor();
    SetStatus(context.seams, messages::Converting, context.colours.FontStatusColor, true);
}

void LeaveConvertingPhase(const ConversionContext& context) {
    context.lock.LeaveConvertingPhase();
    context.seams.cursor.ShowDefaultCursor();
}

// Where the tool writes, never the target itself: a file that the tool creates in a private
// directory beside the file it is to become. A file the tool finds there already would be
// emptied, and on ext4 emptying a file makes its closing write it out at once, inside the
// tool's time. Also what the result is to keep of the file it replaces.
struct OutputPlace {
    std::string directory;
    std::string file;
    platform::FileAttributes attributes;
};

// Old file, new file, patch file.
std::optional<FinishedProgram> RunPatchTool(const std::string& temporaryCopy, const std::string& output,
                                            const std::string& patch, const ConversionContext& context) {
    CommandLine commandLine;
    for (const std::string& argument :
         {PatchToolPath(context.run.ExtractionDir), temporaryCopy, output, patch})
        AppendArgument(commandLine, argument);
    const RunOptions options{.workingDirectory = "", .checkExitCode = true, .nonFatal = true};
    return RunProcess(commandLine, options, context.seams, context.run);
}

void DiscardOutput(const OutputPlace& output) {
    (void)platform::RemoveFile(output.file);
    (void)platform::RemoveEmptyDirectory(output.directory);
}

// Anything at the target path itself (a file of any date, a dangling link) is replaced only
// when the user agrees and the window was not closed meanwhile.
bool MayReplace(const std::string& target, Seams& seams, const CancelToken& cancel) {
    const bool yes = seams.boxes.AskYesNo(MessageWithName(messages::OverwriteExisting, target));
    return yes && !cancel.IsCancelled();
}

// Removes the temporary copy on a worker: a copy of gigabytes is cut down in steps. It goes
// whatever happens to the window meanwhile.
void DiscardCopy(const std::string& path, Seams& seams) {
    const CancelToken uncancelled;
    seams.work.RunAside([&](ProgressSink& progress) { DeleteInSteps(path, uncancelled, progress); });
}

// The system's word on a path, as a box's details show it.
Failure SystemReason(const std::string& path, const std::error_code& error) {
    return Failure{path + ": " + error.message()};
}

// The place for the tool's output beside the file it is to become (`destination`, where the links
// from `target` lead; nothing for a loop of links): a replaced file keeps its permission bits,
// owner and group; a new one takes the source's permission bits.
Result<OutputPlace> PrepareOutput(const std::optional<std::string>& destination, const std::string& target,
                                  const std::string& source) {
    if (!destination)
        return SystemReason(target, std::make_error_code(std::errc::too_many_symbolic_link_levels));
    const platform::FileAttributes attributes =
        platform::AttributesToKeep(*destination)
            .value_or(platform::PermissionsFrom(source).value_or(platform::FileAttributes{}));
    std::variant<std::string, std::error_code> created = platform::CreatePrivateDirectoryBeside(*destination);
    if (const std::error_code* error = std::get_if<std::error_code>(&created))
        return SystemReason(*destination, *error);
    std::string directory = std::get<std::string>(std::move(created));
    std::string file = directory + "/" + FileNamePart(*destination);
    return OutputPlace{std::move(directory), std::move(file), attributes};
}

// The system's word on the call that has just failed on this thread.
std::error_code LastSystemError() { return {errno != 0 ? errno : EIO, std::generic_category()}; }

// Gives the result its attributes and flushes it to the disk on a worker; the system's error
// when either fails.
std::error_code MakeDurable(const OutputPlace& output, Seams& seams) {
    std::optional<platform::File> file = platform::File::OpenForReading(output.file);
    if (!file || !file->GiveAttributes(output.attributes)) return LastSystemError();
    const CancelToken uncancelled;
    std::error_code error;
    seams.work.RunAside([&](ProgressSink& progress) {
        if (!FlushInSteps(*file, uncancelled, progress)) error = LastSystemError();
    });
    return error;
}

// Makes the result durable and moves it to `destination` in one step; on failure it is removed
// and the reason names `destination`. Without `replace` nothing that appeared there meanwhile is
// replaced. A result that has got this far is put in place even when the window closes meanwhile.
Status PutInPlace(const OutputPlace& output, const std::string& destination, bool replace, Seams& seams) {
    std::error_code error = MakeDurable(output, seams);
    if (!error) error = platform::MoveIntoPlace(output.file, destination, replace);
    if (error) {
        DiscardOutput(output);
        return SystemReason(destination, error);
    }
    (void)platform::RemoveEmptyDirectory(output.directory);
    return Succeeded;
}

// Lists the run's temporary files in the run register while the run lasts, so that an orderly
// end of the program can remove them.
class ListedTemporaryFiles {
  public:
    explicit ListedTemporaryFiles(RunRegister& run) : run_(run) {}
    ~ListedTemporaryFiles() { run_.TemporaryFiles.clear(); }
    ListedTemporaryFiles(const ListedTemporaryFiles&) = delete;
    ListedTemporaryFiles& operator=(const ListedTemporaryFiles&) = delete;
    void Add(const std::string& path) { run_.TemporaryFiles.push_back(path); }

  private:
    RunRegister& run_;
};

bool MatchesCatalogue(const std::optional<std::string>& md5, const ConversionRequest& request) {
    return md5 && EqualIgnoringCase(*md5, request.expectedMd5);
}

// Stamps and verifies the tool's output, then decides its fate: a verified result replaces the
// target; an unverified one is kept for inspection only where it destroys nothing.
void SettleResult(const OutputPlace& output, const std::string& destination, bool replacing,
                  const ConversionRequest& request, const ConversionContext& context,
                  const CancelToken& cancel) {
    Seams& seams = context.seams;
    if (request.timeStamp >= 0) SetFileDosTime(output.file, request.timeStamp);
    const std::optional<std::string> md5 =
        ResultFileMd5(output.file, cancel, seams, context.checksums, context.colours.FontStatusColor);
    const bool verified = MatchesCatalogue(md5, request);
    if (verified || !replacing) {
        if (const Status placed = PutInPlace(output, destination, replacing, seams); !placed) {
            ShowError(seams, std::string(messages::ConversionFailed), placed.Reason());
            return;
        }
    } else {
        DiscardOutput(output);
    }
    if (cancel.IsCancelled()) return;  // the window is closing: no result is shown
    if (verified) {
        SetStatus(seams, messages::Idle, context.colours.FontColor, false);
        seams.boxes.ShowSuccessBox(std::string(messages::ConversionSuccessful));
    } else {
        ShowError(seams, std::string(messages::Md5VerificationFailed));
    }
}

}  // namespace

std::string TemporaryCopyPath(const std::string& extractionDir, const std::string& source) {
    return extractionDir + "/" + FileNamePart(source) + ".tmp";
}

bool CopyFileKeepDate(const std::string& sourcePath, const std::string& copyPath, const CancelToken& cancel,
                      ProgressSink& progress) {
    bool ok = false;
    {
        std::optional<platform::File> source = platform::File::OpenForReading(sourcePath);
        std::optional<platform::File> copy = platform::File::CreateAfresh(copyPath);
        const std::optional<std::uint64_t> size = source ? source->Size() : std::nullopt;
        ok = source && copy && size && CopyContents(*source, *copy, *size, cancel, progress);
    }  // both files are closed before the copy gets its time stamp
    if (ok) {
        if (const std::optional<ShortDosDateTime> time = DosModificationTime(sourcePath))
            SetFileDosTime(copyPath, *time);
    }
    return ok;
}

void SetFileDosTime(const std::string& path, ShortDosDateTime timeStamp) {
    const DosFields fields = UnpackDosDateTime(timeStamp);
    if (!PackDosDateTime(fields)) return;
    (void)platform::SetModificationTime(path, platform::LocalTime{fields.year, fields.month, fields.day,
                                                                  fields.hour, fields.minute, fields.second});
}

bool RunConversion(const ConversionRequest& request, const ConversionContext& context,
                   const CancelToken& cancel) {
    Seams& seams = context.seams;
    const std::string& target = request.ResultPath();
    const bool replacing = platform::EntryExists(target);
    if (replacing && !MayReplace(target, seams, cancel)) return false;
    // A symbolic link as the target is written through: the file it leads to is replaced.
    const std::optional<std::string> destination = platform::FollowLinks(target);
    EnterConvertingPhase(context);

    const std::string temporaryCopy = TemporaryCopyPath(context.run.ExtractionDir, request.source);
    ListedTemporaryFiles temporaryFiles(context.run);
    temporaryFiles.Add(temporaryCopy);
    bool copied = false;
    seams.work.RunAside([&](ProgressSink& progress) {
        copied = CopyFileKeepDate(request.source, temporaryCopy, cancel, progress);
    });
    std::optional<Result<OutputPlace>> output;  // sought once the copy is there
    std::optional<FinishedProgram> tool;
    if (!copied) {
        ShowError(seams, MessageWithName(messages::CouldNotCopyToTemp, temporaryCopy));
    } else {
        output = PrepareOutput(destination, target, request.source);
        // Without a place to write, the tool is not run and the run ends as one that produced nothing.
        if (*output) {
            temporaryFiles.Add((*output)->file);
            temporaryFiles.Add((*output)->directory);
            tool = RunPatchTool(temporaryCopy, (*output)->file, request.patch, context);
        }
    }
    DiscardCopy(temporaryCopy, seams);
    LeaveConvertingPhase(context);

    const bool placed = output && *output;
    // No copy, or a tool that could not be started: each has shown its own box.
    if (!copied || (placed && !tool)) {
        if (placed) DiscardOutput(**output);
        SetStatus(seams, messages::Idle, context.colours.FontColor, false);
        return false;
    }
    if (!placed) {
        ShowError(seams, std::string(messages::ConversionFailed), output->Reason());
        return true;
    }
    if (!platform::IsExistingFile((*output)->file)) {
        DiscardOutput(**output);
        ShowError(seams, std::string(messages::ConversionFailed), tool->lastErrorLine);
        return true;
    }
    SettleResult(**output, *destination, replacing, request, context, cancel);
    return true;
}

}  // namespace core
