#include "core/dos_time.h"

#include <cstdio>

namespace core {

namespace {

constexpr int FirstYear = 1980;
constexpr int LastYear = 2107;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDate(const DosFields& f) {
    return f.year >= FirstYear && f.year <= LastYear && f.month >= 1 && f.month <= 12 && f.day >= 1 &&
           f.day <= DaysInMonth(f.year, f.month);
}

bool IsValidTime(const DosFields& f) {
    return f.hour >= 0 && f.hour <= 23 && f.minute >= 0 && f.minute <= 59 && f.second >= 0 && f.second <= 59;
}

}  // namespace

// Date in the high half: day in bits 0-4, month in bits 5-8, year - 1980 in bits 9-15.
// Time in the low half: seconds / 2 in bits 0-4, minutes in bits 5-10, hours in bits 11-15.
// An odd second is rounded down, as the format keeps two-second steps.
std::optional<ShortDosDateTime> PackDosDateTime(const DosFields& fields) {
    if (!IsValidDate(fields) || !IsValidTime(fields)) return std::nullopt;
    const auto date =
        static_cast<std::uint32_t>(((fields.year - FirstYear) << 9) | (fields.month << 5) | fields.day);
    const auto time =
        static_cast<std::uint32_t>((fields.hour << 11) | (fields.minute << 5) | (fields.second / 2));
    return static_cast<ShortDosDateTime>((date << 16) | time);
}

DosFields UnpackDosDateTime(ShortDosDateTime value) {
    const auto bits = static_cast<std::uint32_t>(value);
    const std::uint32_t date = bits >> 16;
    const std::uint32_t time = bits & 0xFFFFu;
    return DosFields{
        .year = FirstYear + static_cast<int>(date >> 9),
        .month = static_cast<int>((date >> 5) & 0x0Fu),
        .day = static_cast<int>(date & 0x1Fu),
        .hour = static_cast<int>(time >> 11),
        .minute = static_cast<int>((time >> 5) & 0x3Fu),
        .second = static_cast<int>((time & 0x1Fu) * 2),
    };
}

// Writes whatever the bits hold, also for fields that name no calendar date (0 gives month 0, day 0).
std::string FormatTimeStamp(ShortDosDateTime value) {
    const DosFields f = UnpackDosDateTime(value);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", f.month, f.day, f.year, f.hour,
                  f.minute, f.second);
    return text;
}

}  // namespace core
