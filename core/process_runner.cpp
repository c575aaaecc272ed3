#include "core/process_runner.h"

#include <optional>

#include "core/errors.h"
#include "core/messages.h"
#include "core/text.h"
#include "platform/process.h"

namespace core {

namespace {

// The program as a reader of the command line sees it: its first token.
std::string ProgramName(const CommandLine& commandLine) { return SplitToken(commandLine.text).token; }

}  // namespace

std::optional<FinishedProgram> RunProcess(const CommandLine& commandLine, const RunOptions& options,
                                          Seams& seams, RunRegister& run) {
    std::optional<platform::ErrorCapture> errors;
    if (options.checkExitCode) errors.emplace();
    const std::optional<platform::ProgramId> program =
        platform::StartProgram(commandLine.arguments, options.workingDirectory, errors ? &*errors : nullptr);
    if (!program) {
        const std::string message = MessageWithName(messages::CouldNotExecute, ProgramName(commandLine));
        if (!options.nonFatal) FatalError(seams, run, message, true);
        ShowError(seams, message);
        return std::nullopt;
    }
    // Known while it runs, so that an orderly end can stop it.
    run.RunningProgram = *program;
    FinishedProgram finished{.exitCode = seams.work.AwaitProgram(*program), .lastErrorLine = {}};
    run.RunningProgram = NoProgram;
    if (errors) finished.lastErrorLine = errors->LastLine();
    if (options.checkExitCode && finished.exitCode.value_or(0) != 0)
        ShowError(seams, ExitCodeMessage(ProgramName(commandLine), *finished.exitCode),
                  finished.lastErrorLine);
    return finished;
}

std::string ExitCodeMessage(std::string_view program, std::uint32_t exitCode) {
    return MessageWithName(program, std::string(messages::ReturnedExitCode) + ' ' + std::to_string(exitCode));
}

}  // namespace core
