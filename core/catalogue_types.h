#pragma once
// The records of the catalogue of known file versions.
#include <string>
#include <vector>

#include "core/dos_time.h"

namespace core {

// One version of one file.
struct FileInfo {
    std::string FileName;
    std::string Version;
    std::string Md5;
    std::string ProposedFileName;
    std::string Description1;
    ShortDosDateTime TimeStamp = NoTimeStamp;
    std::vector<std::string> Description2;
};

// An application name shown for a file name.
struct AppInfo {
    std::string Name;
    std::string Value;
};

using FileInfoList = std::vector<FileInfo>;
using AppInfoList = std::vector<AppInfo>;

}  // namespace core
