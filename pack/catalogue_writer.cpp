#include "pack/catalogue_writer.h"

#include "core/dos_time.h"

namespace pack {

namespace {

constexpr std::string_view LineEnd = "\r\n";

void AppendLine(std::string& text, std::string_view line) { text.append(line).append(LineEnd); }

void AppendKey(std::string& text, std::string_view key, std::string_view value) {
    text.append(key).append("=").append(value).append(LineEnd);
}

void AppendSection(std::string& text, const core::FileInfo& info) {
    AppendLine(text, "");
    AppendLine(text, "[" + CatalogueToken(info.FileName) + " " + CatalogueToken(info.Version) + "]");
    AppendKey(text, "md5", info.Md5);
    if (info.TimeStamp != core::NoTimeStamp)
        AppendKey(text, "TimeStamp", core::FormatTimeStamp(info.TimeStamp));
    if (!info.ProposedFileName.empty()) AppendKey(text, "ProposedFileName", info.ProposedFileName);
    AppendKey(text, "Description1", info.Description1);
    // Every line after Description2 in its section would join the description: it comes last.
    if (info.Description2.empty()) return;
    std::string tokens;
    for (const std::string& line : info.Description2) {
        if (!tokens.empty()) tokens += ' ';
        tokens += CatalogueToken(line);
    }
    AppendKey(text, "Description2", tokens);
}

}  // namespace

std::string CatalogueToken(std::string_view text) {
    const bool bare = !text.empty() && text.find_first_of(" \"") == std::string_view::npos;
    if (bare) return std::string(text);
    std::string token = "\"";
    for (const char c : text) {
        if (c == '"') token += '\\';
        token += c;
    }
    token += '"';
    return token;
}

std::string CatalogueText(const core::CatalogueContents& contents, std::string_view comment) {
    std::string text;
    if (!comment.empty()) AppendLine(text, comment);
    if (!contents.appInfos.empty()) {
        AppendLine(text, "[AppNames]");
        for (const core::AppInfo& app : contents.appInfos) AppendKey(text, app.Name, app.Value);
    }
    for (const core::FileInfo& info : contents.fileInfos) AppendSection(text, info);
    return text;
}

std::string FirstDifference(const core::CatalogueContents& intended, const core::CatalogueContents& read) {
    if (intended.fileInfos.size() != read.fileInfos.size()) return "the number of versions";
    for (std::size_t i = 0; i < intended.fileInfos.size(); ++i) {
        const core::FileInfo& a = intended.fileInfos[i];
        const core::FileInfo& b = read.fileInfos[i];
        const std::string where = " of " + a.FileName + " " + a.Version;
        if (a.FileName != b.FileName) return "the file name" + where;
        if (a.Version != b.Version) return "the version label" + where;
        if (a.Md5 != b.Md5) return "the md5" + where;
        if (a.TimeStamp != b.TimeStamp) return "the time stamp" + where;
        if (a.ProposedFileName != b.ProposedFileName) return "the proposed file name" + where;
        if (a.Description1 != b.Description1) return "Description1" + where;
        if (a.Description2 != b.Description2) return "Description2" + where;
    }
    if (intended.appInfos.size() != read.appInfos.size()) return "the application names";
    for (std::size_t i = 0; i < intended.appInfos.size(); ++i) {
        if (intended.appInfos[i].Name != read.appInfos[i].Name ||
            intended.appInfos[i].Value != read.appInfos[i].Value)
            return "the application name of " + intended.appInfos[i].Name;
    }
    return {};
}

}  // namespace pack
