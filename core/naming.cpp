#include "core/naming.h"

#include <algorithm>

#include "core/messages.h"
#include "core/text.h"

namespace core {

namespace {

// Removes the suffix (compared ignoring case) from the end of `name`; nothing when it is not there.
std::optional<std::string> WithoutSuffix(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size() || !EqualIgnoringCase(name.substr(name.size() - suffix.size()), suffix))
        return std::nullopt;
    return std::string(name.substr(0, name.size() - suffix.size()));
}

std::string WithoutAsterisks(std::string text) {
    std::erase(text, '*');
    return text;
}

// The extension without its dot.
std::string ExtensionText(std::string_view path) {
    const std::string extension = Extension(path);
    return extension.empty() ? extension : extension.substr(1);
}

// The file name proposed for `chosen`, without a directory.
std::string ProposedFileName(std::string_view source, std::string_view version, const FileInfo& chosen) {
    const std::string sourceName = FileNamePart(source);
    if (!chosen.ProposedFileName.empty())
        return ApplyNamePattern(sourceName, MatchCaseOf(sourceName, chosen.ProposedFileName));
    return NameStem(source, version) + "_" + MatchCaseOf(BaseName(source), chosen.Version) +
           Extension(source);
}

}  // namespace

std::string BaseName(std::string_view path) { return ChangeExtension(FileNamePart(path), ""); }

std::string Extension(std::string_view path) {
    const std::string name = FileNamePart(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string NameStem(std::string_view path, std::optional<std::string_view> version) {
    std::string base = BaseName(path);
    if (!version) return base;
    std::optional<std::string> stem = WithoutSuffix(base, "_" + std::string(*version));
    if (!stem) stem = WithoutSuffix(base, messages::NewFileSuffix);
    return stem && !stem->empty() ? *stem : base;
}

std::string MatchCaseOf(std::string_view model, std::string_view text) {
    if (UpperCase(model) == model) return LowerCase(text) == text ? UpperCase(text) : std::string(text);
    if (LowerCase(model) == model) return LowerCase(text);
    return std::string(text);
}

std::string ApplyNamePattern(std::string_view reference, std::string_view pattern) {
    std::string base = BaseName(pattern);
    std::string extension = ExtensionText(pattern);
    ReplaceText(base, "*", true, WithoutAsterisks(BaseName(reference)));
    ReplaceText(extension, "*", true, WithoutAsterisks(ExtensionText(reference)));
    return DirectoryPart(reference) + base + "." + extension;
}

bool IsDerivedTargetName(std::string_view source, std::optional<std::string_view> version,
                         std::string_view target, const TargetChoice& previous) {
    const std::string name = FileNamePart(target);
    if (name.empty()) return false;
    const std::string sourceName = FileNamePart(source);
    const std::string stem = NameStem(source, version);
    const std::string extension = Extension(source);
    const auto matches = [&](std::string_view candidate) { return EqualIgnoringCase(name, candidate); };
    return (!previous.ProposedFileName.empty() &&
            matches(ApplyNamePattern(sourceName, previous.ProposedFileName))) ||
           matches(stem + "_" + previous.Version + extension) ||
           matches(stem + std::string(messages::NewFileSuffix) + extension) || matches(sourceName);
}

std::optional<std::string> ProposeTargetName(std::string_view source, std::string_view version,
                                             std::string_view currentTarget, const FileInfo& chosen,
                                             const TargetChoice& previous) {
    std::string directory;
    if (currentTarget.empty())
        directory = DirectoryPart(source);
    else if (IsDerivedTargetName(source, version, currentTarget, previous))
        directory = DirectoryPart(currentTarget);  // the user's directory stays
    else
        return std::nullopt;
    return directory + ProposedFileName(source, version, chosen);
}

std::string NewFileName(std::string_view source, std::optional<std::string_view> version) {
    return NameStem(source, version) + MatchCaseOf(BaseName(source), messages::NewFileSuffix) +
           Extension(source);
}

std::optional<std::string> IdentifiedVersion(const FileInfoList& fileInfos, int sourceIndex) {
    if (sourceIndex < 0 || static_cast<std::size_t>(sourceIndex) >= fileInfos.size()) return std::nullopt;
    return fileInfos[static_cast<std::size_t>(sourceIndex)].Version;
}

}  // namespace core
