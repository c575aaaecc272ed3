#include "core/dos_time.h"

#include <gtest/gtest.h>

namespace {

using core::DosFields;

TEST(DosTime, PacksTheBitLayoutAndFormatsIt) {
    const auto packed = core::PackDosDateTime({2004, 3, 1, 13, 5, 9});  // odd seconds round down
    ASSERT_TRUE(packed);
    EXPECT_EQ(*packed, (((2004 - 1980) << 9 | 3 << 5 | 1) << 16) | (13 << 11 | 5 << 5 | 4));
    EXPECT_EQ(core::FormatTimeStamp(*packed), "03/01/2004 13:05:08");
    const auto last = core::PackDosDateTime({2107, 12, 31, 23, 59, 58});  // sets the sign bit, yet is no -1
    ASSERT_TRUE(last);
    EXPECT_NE(*last, core::NoTimeStamp);
    EXPECT_EQ(core::FormatTimeStamp(*last), "12/31/2107 23:59:58");
    EXPECT_EQ(core::UnpackDosDateTime(*last).year, 2107);
}

TEST(DosTime, RefusesFieldsOutsideTheFormat) {
    const DosFields invalid[] = {{1979, 12, 31, 23, 59, 58}, {2108, 1, 1, 0, 0, 0},  {2001, 2, 29, 0, 0, 0},
                                 {2004, 4, 31, 0, 0, 0},     {2004, 13, 1, 0, 0, 0}, {2004, 1, 0, 0, 0, 0},
                                 {2004, 1, 1, 24, 0, 0},     {2004, 1, 1, 0, 60, 0}, {2004, 1, 1, 0, 0, 60}};
    for (const DosFields& f : invalid)
        EXPECT_FALSE(core::PackDosDateTime(f)) << f.year << '-' << f.month << '-' << f.day << ' ' << f.hour;
    EXPECT_TRUE(core::PackDosDateTime({2000, 2, 29, 0, 0, 0}));
}

}  // namespace
