#pragma once
// The catalogue of known file versions (patchinfo.ini): its reader and its time stamp format.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "core/catalogue_types.h"
#include "core/dos_time.h"
#include "core/patch_set.h"
#include "core/program_state.h"
#include "core/result.h"
#include "core/seams.h"

namespace core {

// "month/day/year hours:minutes:seconds", blanks around each number allowed. -1 when the text
// cannot be read, 0 for a valid date and time outside the years 1980 to 2099, else the packed value.
[[nodiscard]] ShortDosDateTime ParseTimeStamp(std::string_view text);

struct CatalogueContents {
    FileInfoList fileInfos;
    AppInfoList appInfos;
};

// Reads the catalogue at `path`. Only a regular file is opened, without ever waiting (a FIFO is
// refused at once); one larger than MaxCatalogueSize, or with a line longer than
// MaxCatalogueLineLength, is a read error. Never ends the program; a failure's reason is the
// message to show, naming the path.
[[nodiscard]] Result<CatalogueContents> LoadCatalogue(const std::string& path);
// The same from a file that is already open, read from its current position to its end; nothing
// on a read error.
[[nodiscard]] std::optional<CatalogueContents> LoadCatalogueFrom(std::FILE* file);

// The catalogue file's bytes, opened and bounded as LoadCatalogue does it; nothing when it cannot be
// opened or read, is not a regular file or is larger than MaxCatalogueSize.
[[nodiscard]] std::optional<std::string> ReadCatalogueText(const std::string& path);

// Fills setup.FileInfos and setup.AppInfos from the catalogue in the extraction directory, or ends
// the program with a fatal error (removing the extraction directory) when it cannot be read.
void ReadCatalogue(ProgramSetup& setup, const RunRegister& run, Seams& seams);

}  // namespace core
