#include "pack/set_check.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <set>

#include "core/catalogue.h"
#include "core/catalogue_lines.h"
#include "core/identification.h"
#include "core/md5.h"
#include "core/patch_set.h"
#include "core/text.h"
#include "pack/patch_plan.h"
#include "pack/program_run.h"
#include "pack/set_files.h"

namespace pack {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view PatchExtension = ".bsdiff";

std::string VersionName(const core::FileInfo& info) { return info.FileName + " " + Quoted(info.Version); }

bool IsMd5Text(std::string_view text) {
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c));
           });
}

// The catalogue's bytes up to character 26, which ends it for the converter.
bool HasBareLineFeed(std::string_view text) {
    text = text.substr(0, text.find('\x1a'));
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return true;
    return false;
}

// What the line-by-line reading of the catalogue finds: faults that depend on where a line
// stands, and the patch plan the catalogue records.
struct LineFindings {
    std::vector<std::string> faults;
    std::optional<PatchPlan> plan;  // none for a set made by hand or by another tool
};

bool IsSingleValuedKeyLine(std::string_view line) {
    return std::any_of(
        std::begin(core::CatalogueKeys), std::end(core::CatalogueKeys) - 1,
        [line](std::string_view key) { return core::CatalogueKeyValue(line, key).has_value(); });
}

LineFindings ReadLines(std::string catalogue) {
    LineFindings findings;
    const TextStream file = OpenText(catalogue);
    if (!file) return findings;
    core::CatalogueLineReader reader(file.get());
    bool fileSection = false;
    bool continuation = false;
    std::string header;
    for (int number = 1; std::optional<std::string> raw = reader.Next(); ++number) {
        const std::string line = core::PrepareCatalogueLine(std::move(*raw));
        const std::string where = "line " + std::to_string(number) + ": ";
        if (core::IsCatalogueSectionHeader(line)) {
            const std::string text = core::Trim(std::string_view(line).substr(1, line.size() - 2));
            fileSection = !core::EqualIgnoringCase(text, core::AppNamesSection);
            continuation = false;
            header = line;
            const std::string version = core::SplitToken(core::SplitToken(text).rest).token;
            if (fileSection && version.empty())
                findings.faults.push_back(where + "the section header " + line + " gives an empty version");
            continue;
        }
        if (line.empty()) continue;
        if (core::IsCatalogueComment(line)) {
            if (const auto plan = PlanFromComment(line)) findings.plan = *plan;
            continue;
        }
        if (!fileSection) continue;
        if (continuation && IsSingleValuedKeyLine(line))
            findings.faults.push_back(where + Quoted(line) + " stands after Description2 in " + header +
                                      ": it also joins the description");
        if (const auto stamp = core::CatalogueKeyValue(line, "TimeStamp");
            stamp && !stamp->empty() && core::ParseTimeStamp(*stamp) == core::NoTimeStamp)
            findings.faults.push_back(where + "the TimeStamp " + Quoted(*stamp) +
                                      " does not read as month/day/year hours:minutes:seconds");
        if (core::CatalogueKeyValue(line, "Description2")) continuation = true;
    }
    return findings;
}

void CheckChecksums(const core::FileInfoList& infos, std::vector<std::string>& faults) {
    std::map<std::string, const core::FileInfo*> byMd5;
    for (const core::FileInfo& info : infos) {
        if (!IsMd5Text(info.Md5)) {
            faults.push_back(VersionName(info) + ": the md5 " + Quoted(info.Md5) +
                             " is not 32 hexadecimal digits, so no file is ever identified as it");
            continue;
        }
        const auto [other, added] = byMd5.emplace(core::LowerCase(info.Md5), &info);
        if (!added)
            faults.push_back(VersionName(*other->second) + " and " + VersionName(info) +
                             " have the same md5 " + info.Md5 + ": only the first is ever identified");
    }
}

// Positions of the entries of each file (names equal ignoring case), in catalogue order.
std::vector<std::vector<std::size_t>> VersionsByFile(const core::FileInfoList& infos) {
    std::vector<std::vector<std::size_t>> groups;
    std::map<std::string, std::size_t> groupOf;
    for (std::size_t i = 0; i < infos.size(); ++i) {
        const auto [group, added] = groupOf.emplace(core::LowerCase(infos[i].FileName), groups.size());
        if (added) groups.emplace_back();
        groups[group->second].push_back(i);
    }
    return groups;
}

struct UsablePatch {
    std::size_t from;
    std::size_t to;
};

// Finds the pair of versions a patch file name belongs to, without listing every pair: a check
// stays linear in memory however many versions the catalogue holds.
class PatchNameIndex {
  public:
    explicit PatchNameIndex(const core::FileInfoList& infos) : groupOf_(infos.size()) {
        const auto groups = VersionsByFile(infos);
        for (std::size_t group = 0; group < groups.size(); ++group)
            for (const std::size_t version : groups[group]) {
                groupOf_[version] = group;
                byGroupAndVersion_[{group, core::LowerCase(infos[version].Version)}].push_back(version);
                // The name up to the target's label, as the converter makes it.
                const std::string stem = PatchName(infos[version], infos[version]);
                byNameStart_[stem.substr(0,
                                         stem.size() - infos[version].Version.size() - PatchExtension.size())]
                    .push_back(version);
            }
    }

    // The pair whose patch has exactly this name; nothing when no pair has.
    [[nodiscard]] std::optional<UsablePatch> Find(std::string_view name) const {
        if (!name.ends_with(PatchExtension)) return std::nullopt;
        name.remove_suffix(PatchExtension.size());
        for (std::size_t cut = name.find('_'); cut != std::string_view::npos; cut = name.find('_', cut + 1)) {
            const auto froms = byNameStart_.find(std::string(name.substr(0, cut + 1)));
            if (froms == byNameStart_.end()) continue;
            for (const std::size_t from : froms->second) {
                const auto tos = byGroupAndVersion_.find({groupOf_[from], std::string(name.substr(cut + 1))});
                if (tos == byGroupAndVersion_.end()) continue;
                for (const std::size_t to : tos->second)
                    if (to != from) return UsablePatch{from, to};
            }
        }
        return std::nullopt;
    }

  private:
    std::vector<std::size_t> groupOf_;
    std::map<std::pair<std::size_t, std::string>, std::vector<std::size_t>> byGroupAndVersion_;
    std::map<std::string, std::vector<std::size_t>> byNameStart_;  // "<stem>_<from>_"
};

std::set<std::string> PatchFilesIn(const std::string& directory) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && core::LowerCase(fs::path(name).extension().string()) == PatchExtension)
            names.insert(name);
    }
    return names;
}

// One line for each version some of whose planned patches are missing.
void CheckPlannedPatches(const std::set<std::string>& present, const core::FileInfoList& infos,
                         PatchPlan plan, std::vector<std::string>& faults) {
    for (const auto& group : VersionsByFile(infos)) {
        const int count = static_cast<int>(group.size());
        for (int from = 0; from < count; ++from) {
            const core::FileInfo& source = infos[group[static_cast<std::size_t>(from)]];
            std::size_t missing = 0;
            std::string target;  // the first missing patch's target and name
            std::string name;
            for (const int to : PlannedTargets(plan, count, from)) {
                const core::FileInfo& info = infos[group[static_cast<std::size_t>(to)]];
                const std::string candidate = PatchName(source, info);
                if (present.contains(candidate)) continue;
                if (missing++ == 0) {
                    target = Quoted(info.Version);
                    name = candidate;
                }
            }
            if (missing == 1)
                faults.push_back("the patch from " + VersionName(source) + " to " + target +
                                 " is missing: " + name + " is not in the set");
            if (missing > 1)
                faults.push_back(std::to_string(missing) + " patches from " + VersionName(source) +
                                 " are missing, the first to " + target + ": " + name + " is not in the set");
        }
    }
}

// Without a recorded plan only the patches that exist are judged; a version no patch leaves or
// reaches is worth a note, since the converter can do nothing with it but name it.
void NoteUnconnectedVersions(const std::set<std::string>& present, const PatchNameIndex& index,
                             const core::FileInfoList& infos, std::vector<std::string>& notes) {
    std::vector<bool> connected(infos.size(), false);
    for (const std::string& name : present)
        if (const auto patch = index.Find(name)) connected[patch->from] = connected[patch->to] = true;
    for (std::size_t i = 0; i < infos.size(); ++i)
        if (!connected[i])
            notes.push_back(VersionName(infos[i]) +
                            " has no patch from or to it: the converter can only identify it");
}

void CheckPatches(const std::string& directory, const core::FileInfoList& infos,
                  std::optional<PatchPlan> plan, CheckReport& report) {
    const std::set<std::string> present = PatchFilesIn(directory);
    const PatchNameIndex index(infos);
    for (const std::string& name : present)
        if (!index.Find(name))
            report.faults.push_back("the patch " + name +
                                    " is one no version can use: no pair of versions has that name");
    if (plan)
        CheckPlannedPatches(present, infos, *plan, report.faults);
    else
        NoteUnconnectedVersions(present, index, infos, report.notes);
}

}  // namespace

CheckReport CheckSetDirectory(const std::string& setDirectory) {
    CheckReport report;
    const std::string toolPath = core::PatchToolPath(setDirectory);
    if (access(toolPath.c_str(), X_OK) != 0)
        report.faults.push_back("the set has no runnable " + std::string(core::PatchToolName) +
                                ": the converter will not start");
    const std::optional<std::string> text = core::ReadCatalogueText(core::CataloguePath(setDirectory));
    const std::optional<core::CatalogueContents> contents = text ? ReadCatalogue(*text) : std::nullopt;
    if (!contents) {
        report.faults.push_back("the set has no readable " + std::string(core::CatalogueFileName) +
                                ": the converter will not start");
        return report;
    }
    if (HasBareLineFeed(*text))
        report.faults.push_back(
            std::string(core::CatalogueFileName) +
            " separates lines with bare line feeds: the converter reads it as one line and "
            "identifies nothing (lines must end with CR LF)");
    LineFindings lines = ReadLines(*text);
    report.faults.insert(report.faults.end(), lines.faults.begin(), lines.faults.end());
    CheckChecksums(contents->fileInfos, report.faults);
    CheckPatches(setDirectory, contents->fileInfos, lines.plan, report);
    return report;
}

CheckReport ApplyEveryPatch(const std::string& setDirectory, const std::string& versionDirectory,
                            const std::string& workDirectory, const std::function<bool()>& shouldStop) {
    CheckReport report;
    const std::optional<std::string> text = core::ReadCatalogueText(core::CataloguePath(setDirectory));
    const std::optional<core::CatalogueContents> contents = text ? ReadCatalogue(*text) : std::nullopt;
    if (!contents) return report;
    std::map<std::string, std::string> fileByMd5;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(versionDirectory, error)) {
        if (shouldStop()) return report;
        if (entry.is_regular_file())
            if (const auto md5 = Md5OfFile(entry.path().string(), shouldStop))
                fileByMd5.emplace(*md5, entry.path().string());
    }

    const PatchNameIndex index(contents->fileInfos);
    std::set<std::size_t> missingVersions;
    int number = 0;
    for (const std::string& name : PatchFilesIn(setDirectory)) {
        if (shouldStop()) break;
        const std::optional<UsablePatch> patch = index.Find(name);
        if (!patch) continue;
        const core::FileInfo& from = contents->fileInfos[patch->from];
        const core::FileInfo& to = contents->fileInfos[patch->to];
        const auto source = fileByMd5.find(core::LowerCase(from.Md5));
        if (source == fileByMd5.end()) {
            if (missingVersions.insert(patch->from).second)
                report.notes.push_back("no file in " + versionDirectory + " is " + VersionName(from) +
                                       ": the patches from it were not applied");
            continue;
        }
        const std::string result = workDirectory + "/result-" + std::to_string(number++);
        const ProgramRun run =
            RunProgram({core::PatchToolPath(setDirectory), source->second, result, setDirectory + "/" + name},
                       std::string(), shouldStop);
        if (run.end == ProgramRun::End::Stopped) {
            fs::remove(result, error);
            break;
        }
        if (!run.Succeeded()) {
            report.faults.push_back("the patch " + name + " could not be applied to " + source->second);
        } else if (const auto md5 = Md5OfFile(result, shouldStop);
                   !md5 || !core::EqualIgnoringCase(*md5, to.Md5)) {
            report.faults.push_back("the patch " + name + " turns " + source->second +
                                    " into a file with md5 " + md5.value_or("(unreadable)") + ", not " +
                                    VersionName(to) + "'s " + to.Md5);
        }
        fs::remove(result, error);
    }
    return report;
}

}  // namespace pack
