#pragma once
// MS-DOS packed date and time: date in the high 16 bits, time in the low 16 bits,
// 2-second resolution. -1 means "no time stamp".
#include <cstdint>
#include <optional>
#include <string>

namespace core {

using ShortDosDateTime = std::int32_t;
inline constexpr ShortDosDateTime NoTimeStamp = -1;

struct DosFields {
    int year = 1980;  // 1980 to 2107
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;  // even
};

// Packs the fields; nullopt when they are out of the format's range.
[[nodiscard]] std::optional<ShortDosDateTime> PackDosDateTime(const DosFields& fields);
[[nodiscard]] DosFields UnpackDosDateTime(ShortDosDateTime value);

// "MM/DD/YYYY HH:MM:SS", the form the catalogue uses.
[[nodiscard]] std::string FormatTimeStamp(ShortDosDateTime value);

}  // namespace core
