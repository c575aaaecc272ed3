#include "core/identification.h"

#include "core/text.h"
#include "platform/files.h"

namespace core {

int FindSourceIndex(const FileInfoList& fileInfos, std::string_view md5Hex) {
    if (md5Hex.empty()) return -1;
    for (std::size_t i = 0; i < fileInfos.size(); ++i)
        if (EqualIgnoringCase(fileInfos[i].Md5, md5Hex)) return static_cast<int>(i);
    return -1;
}

namespace {

// The patch file's name inside the extraction directory, made of the catalogue's texts.
std::string PatchName(const FileInfo& source, const FileInfo& target) {
    return ChangeExtension(LowerCase(source.FileName), "") + "_" + LowerCase(source.Version) + "_" +
           LowerCase(target.Version) + ".bsdiff";
}

// Whether a relative path has a ".." component, which could lead out of the directory it is in.
bool ClimbsOut(std::string_view path) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find_first_of(PathSeparators, start);
        if (path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start) == "..")
            return true;
        if (end == std::string_view::npos) return false;
        start = end + 1;
    }
}

}  // namespace

std::string PatchFileName(const std::string& extractionDir, const FileInfo& source, const FileInfo& target) {
    return extractionDir + "/" + PatchName(source, target);
}

bool PatchFileExists(const std::string& extractionDir, const FileInfo& source, const FileInfo& target) {
    return !ClimbsOut(PatchName(source, target)) &&
           platform::IsExistingFile(PatchFileName(extractionDir, source, target));
}

std::vector<int> ReachableTargets(const FileInfoList& fileInfos, int sourceIndex,
                                  const std::string& extractionDir) {
    std::vector<int> targets;
    if (sourceIndex < 0 || sourceIndex >= static_cast<int>(fileInfos.size())) return targets;
    const FileInfo& source = fileInfos[static_cast<std::size_t>(sourceIndex)];
    for (std::size_t i = 0; i < fileInfos.size(); ++i) {
        const FileInfo& candidate = fileInfos[i];
        if (static_cast<int>(i) == sourceIndex) continue;
        if (!EqualIgnoringCase(candidate.FileName, source.FileName)) continue;
        if (PatchFileExists(extractionDir, source, candidate)) targets.push_back(static_cast<int>(i));
    }
    return targets;
}

std::string ApplicationNameFor(const AppInfoList& appInfos, std::string_view fileName) {
    for (const AppInfo& app : appInfos)
        if (EqualIgnoringCase(app.Name, fileName)) return app.Value;
    return {};
}

std::vector<std::string> TargetDescriptionLines(const FileInfo& target) {
    std::vector<std::string> lines = target.Description2;
    // A stamp of 0 stands for a date outside the format's calendar range: there is no date to show.
    if (target.TimeStamp > 0) {
        lines.emplace_back();
        lines.push_back("Time stamp: " + FormatTimeStamp(target.TimeStamp));
    }
    return lines;
}

}  // namespace core
