// file-converter-pack: makes a finished patch set for the converter in one command (`build`),
// and checks any set for the mistakes that hide versions from the converter (`check`).
#include <algorithm>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "pack/build_arguments.h"
#include "pack/build_preparation.h"
#include "pack/check_command.h"
#include "pack/exit_codes.h"
#include "pack/memory_need.h"
#include "pack/set_maker.h"
#include "pack/stop_latch.h"
#include "pack/tool_paths.h"
#include "pack/usage.h"

namespace {

int Refused(const std::string& message) {
    std::cerr << "file-converter-pack: " << message << "\n";
    return pack::RefusedExit;
}

int Build(std::span<const std::string> arguments, pack::StopLatch& stop) {
    core::Result<pack::BuildRequest> request = pack::ParseBuildArguments(arguments);
    if (!request) return Refused(request.Reason());
    core::Result<pack::ToolPaths> tools = pack::FindTools(request->systemBsdiff, request->systemBspatch);
    if (!tools) return Refused(tools.Reason());
    const pack::Machine machine{pack::AvailableMemory(),
                                static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))};
    core::Result<pack::BuildPlan> plan =
        pack::PrepareBuild(*request, *tools, machine, [&stop] { return stop.Requested(); });
    if (stop.Requested()) return 128 + *stop.Signal();  // asked to end while the versions were read
    if (!plan) return Refused(plan.Reason());

    const core::Status made = pack::MakeSet(*plan, {[&stop] { return stop.Requested(); }, &std::cerr});
    if (stop.Signal()) return 128 + *stop.Signal();
    if (!made) {
        std::cerr << "file-converter-pack: " << made.Reason() << "; nothing was written\n";
        return pack::FailedExit;
    }
    std::cerr << "file-converter-pack: the set is in " << plan->outDir << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (const std::optional<std::string> information = pack::InformationAskedFor(arguments)) {
        std::cout << *information;
        return 0;
    }
    if (arguments.empty()) {
        std::cerr << pack::ShortUsage;
        return pack::RefusedExit;
    }
    const std::span<const std::string> rest = std::span(arguments).subspan(1);
    pack::StopLatch stop;
    if (arguments[0] == "build") return Build(rest, stop);
    if (arguments[0] == "check") {
        const int status =
            pack::CheckCommand(rest, std::cout, std::cerr, [&stop] { return stop.Requested(); });
        return stop.Signal() ? 128 + *stop.Signal() : status;
    }
    std::cerr << pack::ShortUsage;
    return pack::RefusedExit;
}
