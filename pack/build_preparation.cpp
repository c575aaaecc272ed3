#include "pack/build_preparation.h"

#include <limits.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "core/catalogue.h"
#include "core/checksum.h"
#include "core/dos_time.h"
#include "core/identification.h"
#include "core/md5.h"
#include "core/text.h"
#include "pack/catalogue_writer.h"
#include "pack/memory_need.h"
#include "pack/resource_library_writer.h"
#include "pack/set_files.h"
#include "pack/settings_writer.h"
#include "platform/files.h"

namespace pack {

namespace {

namespace fs = std::filesystem;

bool IsControl(char c) { return static_cast<unsigned char>(c) < 32 || c == 127; }

// A name the file system cannot hold would fail only after every patch was made.
std::optional<std::string> NameLengthProblem(const std::string& what, const std::string& name) {
    if (name.size() <= NAME_MAX) return std::nullopt;
    return what + " " + name.substr(0, 40) + "... would be " + std::to_string(name.size()) +
           " bytes long, more than the " + std::to_string(NAME_MAX) + " a file name may have";
}

std::optional<std::string> ReadableFileProblem(const std::string& what, const std::string& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return what + " " + path + " is missing or not a regular file";
    if (!std::ifstream(path, std::ios::binary)) return what + " " + path + " cannot be read";
    return std::nullopt;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    const std::string text = ReadFileText(path).value_or(std::string());
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

core::ShortDosDateTime FileTimeStamp(const std::string& path) {
    const std::optional<platform::LocalTime> time = platform::ModificationTime(path);
    if (!time) return core::NoTimeStamp;
    const auto packed = core::PackDosDateTime(
        {time->year, time->month, time->day, time->hour, time->minute, time->second & ~1});
    // The catalogue's time stamps end with 2099; a later file gets none rather than a wrong one.
    return packed && time->year <= 2099 ? *packed : core::NoTimeStamp;
}

core::Status CheckNames(const BuildRequest& request) {
    if (auto problem = NameProblem("--name", request.fileName)) return core::Failure{*problem};
    if (auto problem = NameProblem("--base", request.base)) return core::Failure{*problem};
    if (request.base == "." || request.base == "..")
        return core::Failure{"--base " + Quoted(request.base) + " is no file name"};
    if (auto problem = NameLengthProblem("the file name", request.fileName)) return core::Failure{*problem};
    if (auto problem = NameLengthProblem("the archive", request.base + ".sfx"))
        return core::Failure{*problem};
    for (const VersionInput& version : request.versions)
        if (auto problem = NameProblem("label", version.label)) return core::Failure{*problem};
    return core::Succeeded;
}

core::Status CheckInputFiles(const BuildRequest& request) {
    for (const VersionInput& version : request.versions)
        if (auto problem = ReadableFileProblem("version file", version.path)) return core::Failure{*problem};
    for (const auto& file : {request.branding.pictureOpen, request.branding.pictureClose,
                             request.branding.soundOpen, request.branding.soundClose})
        if (file)
            if (auto problem = ReadableFileProblem("branding file", *file)) return core::Failure{*problem};
    return core::Succeeded;
}

// OUT_DIR may be missing or empty; a full one only with --force. Its parent must exist, since
// the set is made beside it.
core::Result<bool> CheckOutDir(const BuildRequest& request) {
    std::error_code error;
    const fs::path out(request.outDir);
    const fs::path parent = fs::absolute(out, error).parent_path();
    if (!fs::is_directory(parent, error))
        return core::Failure{"the directory " + parent.string() + " for OUT_DIR does not exist"};
    if (!fs::exists(fs::symlink_status(out, error))) return false;
    if (!fs::is_directory(fs::symlink_status(out, error)))
        return core::Failure{"OUT_DIR " + request.outDir + " exists and is no directory"};
    if (fs::is_empty(out, error)) return false;
    if (!request.force)
        return core::Failure{"OUT_DIR " + request.outDir + " exists and is not empty (--force replaces it)"};
    return true;
}

core::FileInfo VersionEntry(const BuildRequest& request, const VersionInput& version) {
    core::FileInfo info;
    info.FileName = request.fileName;
    info.Version = version.label;
    info.ProposedFileName = request.pattern.value_or("");
    info.Description1 = version.label;
    for (const auto& [label, text] : request.descriptions)
        if (label == version.label) info.Description2.push_back(text);
    return info;
}

core::Result<std::vector<PatchJob>> PlanJobs(const BuildRequest& request, const core::FileInfoList& entries) {
    std::vector<PatchJob> jobs;
    std::map<std::string, std::string> pairsByName;
    for (const VersionPair& pair : PlannedPairs(request.plan, static_cast<int>(entries.size()))) {
        const auto from = static_cast<std::size_t>(pair.from);
        const auto to = static_cast<std::size_t>(pair.to);
        const std::string name = PatchName(entries[from], entries[to]);
        const std::string labels = Quoted(entries[from].Version) + " to " + Quoted(entries[to].Version);
        if (auto problem = NameLengthProblem("the patch from " + labels, name))
            return core::Failure{*problem};
        if (const auto [other, added] = pairsByName.emplace(name, labels); !added)
            return core::Failure{"the patches " + other->second + " and " + labels + " would both be named " +
                                 name};
        jobs.push_back({request.versions[from].path, request.versions[to].path, name});
    }
    return jobs;
}

core::Result<int> ParallelJobs(const std::vector<PatchJob>& jobs, const Machine& machine, PatchMaker maker) {
    if (!machine.availableMemory) return machine.cores;
    std::vector<std::uint64_t> needs;
    std::uint64_t largest = 0;
    for (const PatchJob& job : jobs) {
        needs.push_back(PatchMakerMemory(fs::file_size(job.oldFile), fs::file_size(job.newFile), maker));
        largest = std::max(largest, needs.back());
    }
    const int parallel = JobsThatFit(needs, *machine.availableMemory, machine.cores);
    if (parallel == 0)
        return core::Failure{"not enough memory for bsdiff: the largest pair needs about " +
                             std::to_string(largest >> 20) + " MiB, the machine has " +
                             std::to_string(*machine.availableMemory >> 20) + " MiB available"};
    return parallel;
}

// Fills in the checksums and time stamps; two versions with the same checksum are refused. Ends
// early once `shouldStop` answers true, which it is asked before every piece read.
core::Status ReadVersions(const BuildRequest& request, core::FileInfoList& entries,
                          const std::function<bool()>& shouldStop) {
    std::map<std::string, std::string> labelsByMd5;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::optional<std::string> md5 = Md5OfFile(request.versions[i].path, shouldStop);
        if (!md5 && shouldStop()) return core::Failure{"interrupted"};
        if (!md5) return core::Failure{"version file " + request.versions[i].path + " cannot be read"};
        if (const auto [other, added] = labelsByMd5.emplace(*md5, entries[i].Version); !added)
            return core::Failure{"versions " + Quoted(other->second) + " and " + Quoted(entries[i].Version) +
                                 " have the same md5 " + *md5 + ": they are the same file"};
        entries[i].Md5 = *md5;
        if (request.timeStamps) entries[i].TimeStamp = FileTimeStamp(request.versions[i].path);
    }
    return core::Succeeded;
}

// The catalogue's text, refused unless the converter's own reader gives back exactly the records.
core::Result<std::string> CatalogueFor(const core::CatalogueContents& contents, PatchPlan plan) {
    std::string text = CatalogueText(contents, PlanComment(plan));
    const std::optional<core::CatalogueContents> read = ReadCatalogue(text);
    if (!read) return core::Failure{"the catalogue could not be read back"};
    if (const std::string difference = FirstDifference(contents, *read); !difference.empty())
        return core::Failure{"the catalogue cannot hold " + difference + " as given"};
    return text;
}

core::Result<std::optional<std::vector<std::uint8_t>>> LibraryFor(const BrandingRequest& branding) {
    if (branding.empty()) return std::optional<std::vector<std::uint8_t>>();
    struct Item {
        const std::optional<std::string>& path;
        std::string_view option;
        std::string_view name;
        bool picture;
    };
    const Item items[] = {{branding.pictureOpen, "--picture-open", "IMAGE1", true},
                          {branding.pictureClose, "--picture-close", "IMAGE2", true},
                          {branding.soundOpen, "--sound-open", "SOUND1", false},
                          {branding.soundClose, "--sound-close", "SOUND2", false}};
    std::vector<Resource> resources;
    for (const Item& item : items) {
        if (!item.path) continue;
        const std::vector<std::uint8_t> file = ReadBytes(*item.path);
        core::Result<std::vector<std::uint8_t>> data =
            item.picture ? BitmapResourceFromFile(file) : SoundResourceFromFile(file);
        if (!data) return core::Failure{std::string(item.option) + " " + *item.path + " " + data.Reason()};
        resources.push_back({item.picture ? core::ResourceKey(core::BitmapResourceType)
                                          : core::ResourceKey(std::string(core::WaveResourceType)),
                             std::string(item.name), std::move(*data)});
    }
    return std::optional(ResourceLibraryBytes(resources));
}

}  // namespace

std::optional<std::string> NameProblem(std::string_view what, std::string_view name) {
    const std::string subject = std::string(what) + " " + Quoted(name);
    if (name.empty()) return std::string(what) + " is empty";
    if (name.find('/') != std::string_view::npos)
        return subject + " holds a /, which cannot stand in a file name";
    if (name.find_first_of("*?") != std::string_view::npos)
        return subject + " holds a * or ?, which the converter reads as a wildcard when it looks for a file";
    if (std::any_of(name.begin(), name.end(), IsControl)) return subject + " holds a control character";
    if (name.back() == ' ') return subject + " ends with a blank";
    return std::nullopt;
}

core::Result<BuildPlan> PrepareBuild(const BuildRequest& request, const ToolPaths& tools,
                                     const Machine& machine, const std::function<bool()>& shouldStop) {
    if (auto names = CheckNames(request); !names) return names.AsFailure();
    if (auto files = CheckInputFiles(request); !files) return files.AsFailure();
    core::Result<bool> replace = CheckOutDir(request);
    if (!replace) return replace.AsFailure();

    core::CatalogueContents contents;
    for (const VersionInput& version : request.versions)
        contents.fileInfos.push_back(VersionEntry(request, version));
    if (request.appName) contents.appInfos.push_back({request.fileName, *request.appName});
    core::Result<std::vector<PatchJob>> jobs = PlanJobs(request, contents.fileInfos);
    if (!jobs) return jobs.AsFailure();
    core::Result<int> parallel =
        ParallelJobs(*jobs, machine, request.systemBsdiff ? PatchMaker::System : PatchMaker::Ours);
    if (!parallel) return parallel.AsFailure();

    std::optional<std::string> settings;
    if (!request.settings.empty()) {
        core::Result<std::string> text = SettingsText(request.settings);
        if (!text) return text.AsFailure();
        settings = std::move(*text);
    }
    auto library = LibraryFor(request.branding);
    if (!library) return library.AsFailure();

    if (auto read = ReadVersions(request, contents.fileInfos, shouldStop); !read) return read.AsFailure();
    core::Result<std::string> catalogue = CatalogueFor(contents, request.plan);
    if (!catalogue) return catalogue.AsFailure();

    return BuildPlan{request.outDir,        request.base,        *replace,
                     std::move(*catalogue), std::move(*jobs),    *parallel,
                     std::move(settings),   std::move(*library), tools};
}

}  // namespace pack
