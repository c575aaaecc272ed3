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

bool RunProcess(const CommandLine& commandLine, const RunOptions& options, Seams& seams, RunRegister& run) {
    const std::optional<platform::ProgramId> program =
        platform::StartProgram(commandLine.arguments, options.workingDirectory);
    if (!program) {
        const std::string message = MessageWithName(messages::CouldNotExecute, ProgramName(commandLine));
        if (!options.nonFatal) FatalError(seams, run, message, true);
        ShowError(seams, message);
        return false;
    }
    // Known while it runs, so that an orderly end can stop it.
    run.RunningProgram = *program;
    const std::optional<std::uint32_t> exitCode = seams.work.AwaitProgram(*program);
    run.RunningProgram = NoProgram;
    if (options.checkExitCode && exitCode.value_or(0) != 0)
        ShowError(seams, ExitCodeMessage(ProgramName(commandLine), *exitCode));
    return true;
}

std::string ExitCodeMessage(std::string_view program, std::uint32_t exitCode) {
    return MessageWithName(program, std::string(messages::ReturnedExitCode) + ' ' + std::to_string(exitCode));
}

}  // namespace core
