#include "core/dos_time.h"

#include <gtest/gtest.h>

namespace {

using core::DosFields;

TEST(DosTime, PacksTheBitLayoutAndFormatsIt) {
    const auto packed = core::PackDosDateTime({2004, 3, 1, 13, 5, 8});
    ASSERT_TRUE(packed);
    EXPECT_EQ(*packed, (((2004 - 1980) << 9 | 3 << 5 | 1) << 16) | (13 << 11 | 5 << 5 | 4));
    EXPECT_EQ(core::FormatTimeStamp(*packed), "03/01/2004 13:05:08");
}

TEST(DosTime, RoundTripsAtTheEndsOfTheRange) {
    for (const DosFields fields : {DosFields{1980, 1, 1, 0, 0, 0}, DosFields{2107, 12, 31, 23, 59, 58},
                                   DosFields{2000, 2, 29, 12, 30, 30}}) {
        const auto packed = core::PackDosDateTime(fields);
        ASSERT_TRUE(packed) << fields.year;
        EXPECT_NE(*packed, core::NoTimeStamp);
        const DosFields back = core::UnpackDosDateTime(*packed);
        EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second),
                  std::tie(fields.year, fields.month, fields.day, fields.hour, fields.minute, fields.second));
    }
    EXPECT_EQ(core::FormatTimeStamp(*core::PackDosDateTime({2107, 12, 31, 23, 59, 58})), "12/31/2107 23:59:58");
}

TEST(DosTime, OddSecondsRoundDown) {
    EXPECT_EQ(core::UnpackDosDateTime(*core::PackDosDateTime({1999, 5, 6, 7, 8, 59})).second, 58);
}

TEST(DosTime, RefusesFieldsOutsideTheFormat) {
    const DosFields invalid[] = {{1979, 12, 31, 23, 59, 58}, {2108, 1, 1, 0, 0, 0}, {2001, 2, 29, 0, 0, 0},
                                 {2004, 4, 31, 0, 0, 0},     {2004, 13, 1, 0, 0, 0}, {2004, 1, 0, 0, 0, 0},
                                 {2004, 1, 1, 24, 0, 0},     {2004, 1, 1, 0, 60, 0}, {2004, 1, 1, 0, 0, 60},
                                 {2004, 1, 1, -1, 0, 0}};
    for (const DosFields& fields : invalid) {
        EXPECT_FALSE(core::PackDosDateTime(fields)) << fields.year << '-' << fields.month << '-' << fields.day << ' '
                                                    << fields.hour << ':' << fields.minute << ':' << fields.second;
    }
}

TEST(DosTime, ZeroFormatsAsItsRawFields) { EXPECT_EQ(core::FormatTimeStamp(0), "00/00/1980 00:00:00"); }

}  // namespace
