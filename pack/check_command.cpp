#include "pack/check_command.h"

#include <stdlib.h>

#include <filesystem>
#include <optional>

#include "pack/exit_codes.h"
#include "pack/program_run.h"
#include "pack/set_check.h"
#include "platform/files.h"

namespace pack {

namespace {

namespace fs = std::filesystem;

struct CheckRequest {
    std::string set;
    std::optional<std::string> versionDirectory;
};

std::optional<CheckRequest> ParseCheckArguments(std::span<const std::string> arguments) {
    CheckRequest request;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--apply" && i + 1 < arguments.size())
            request.versionDirectory = arguments[++i];
        else if (request.set.empty() && !arguments[i].starts_with("--"))
            request.set = arguments[i];
        else
            return std::nullopt;
    }
    if (request.set.empty()) return std::nullopt;
    return request;
}

// A private directory under the temporary folder, removed with everything in it at the end.
class PrivateDirectory {
  public:
    PrivateDirectory() {
        std::string pattern = platform::TempFolder() + "/file-converter-check-XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~PrivateDirectory() {
        if (!path_.empty()) platform::DeleteDirectoryTree(path_);
    }
    PrivateDirectory(const PrivateDirectory&) = delete;
    PrivateDirectory& operator=(const PrivateDirectory&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Runs the archive as the converter does: <archive> -overwrite <directory>. A fault line, or nothing.
std::optional<std::string> Unpack(const std::string& archive, const std::string& directory,
                                  const std::function<bool()>& shouldStop) {
    const ProgramRun run =
        RunProgram({fs::absolute(archive).string(), "-overwrite", directory}, directory, shouldStop);
    if (run.end == ProgramRun::End::NotStarted) return "the archive " + archive + " cannot be run";
    if (run.end == ProgramRun::End::Stopped) return "the archive " + archive + " was stopped";
    if (!run.Succeeded()) return "the archive " + archive + " did not unpack (" + run.StatusText() + ")";
    return std::nullopt;
}

void Print(std::ostream& out, const CheckReport& report) {
    for (const std::string& fault : report.faults) out << fault << "\n";
    for (const std::string& note : report.notes) out << "note: " << note << "\n";
}

}  // namespace

int CheckCommand(std::span<const std::string> arguments, std::ostream& out, std::ostream& err,
                 const std::function<bool()>& shouldStop) {
    const std::optional<CheckRequest> request = ParseCheckArguments(arguments);
    if (!request) {
        err << "usage: file-converter-pack check SET [--apply VERSION_DIR]\n";
        return RefusedExit;
    }
    std::error_code error;
    const bool isDirectory = fs::is_directory(request->set, error);
    if (!isDirectory && !fs::is_regular_file(request->set, error)) {
        err << "file-converter-pack: " << request->set << " is neither a .sfx archive nor a directory\n";
        return RefusedExit;
    }
    if (request->versionDirectory && !fs::is_directory(*request->versionDirectory, error)) {
        err << "file-converter-pack: " << *request->versionDirectory << " is no directory\n";
        return RefusedExit;
    }
    const PrivateDirectory work;
    if (work.path().empty()) {
        err << "file-converter-pack: cannot create a directory under " << platform::TempFolder() << "\n";
        return RefusedExit;
    }

    std::string setDirectory = request->set;
    std::optional<std::string> unpackFault;
    if (!isDirectory) {
        setDirectory = work.path() + "/set";
        fs::create_directory(setDirectory, error);
        unpackFault = Unpack(request->set, setDirectory, shouldStop);
    }
    CheckReport report;
    if (unpackFault)
        report.faults.push_back(*unpackFault);
    else
        report = CheckSetDirectory(setDirectory);
    if (request->versionDirectory && !unpackFault) {
        CheckReport applied =
            ApplyEveryPatch(setDirectory, *request->versionDirectory, work.path(), shouldStop);
        report.faults.insert(report.faults.end(), applied.faults.begin(), applied.faults.end());
        report.notes = std::move(applied.notes);
    }
    if (shouldStop()) return FailedExit;  // an incomplete check reports nothing
    Print(out, report);
    if (report.faults.empty()) {
        out << "check: no problems found in " << request->set << "\n";
        return 0;
    }
    out << "check: " << report.faults.size() << (report.faults.size() == 1 ? " problem" : " problems")
        << " in " << request->set << "\n";
    return FailedExit;
}

}  // namespace pack
