#pragma once
// The system's special folders, asked for by their Windows shell folder number (CSIDL), so that
// settings written for any platform name the same folders.
#include <string>

namespace platform {

// The folder's path without a trailing "/", or the empty text for a folder that has no path
// here (the virtual folders among them).
[[nodiscard]] std::string SpecialFolderPath(int csidl);

}  // namespace platform
