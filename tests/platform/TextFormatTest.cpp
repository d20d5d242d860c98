#include "platform/TextFormat.h"

#include <gtest/gtest.h>

TEST(FormatSize, SwitchesUnitsAtDecimalThresholdsWithBinaryDivisors)
{
    EXPECT_EQ(FormatSize(999), "999 B");
    EXPECT_EQ(FormatSize(1000), "1.0 KB");
    EXPECT_EQ(FormatSize(1023999), "1000.0 KB");
    EXPECT_EQ(FormatSize(1024000), "0.98 MB");
    EXPECT_EQ(FormatSize(1048575999u), "1000.00 MB");
    EXPECT_EQ(FormatSize(1048576000u), "0.98 GB");
    EXPECT_EQ(FormatSize(4294967295u), "4.00 GB");
    EXPECT_EQ(FormatSize(5ull << 30), "5.00 GB"); // not the low 32 bits
}

TEST(FormatTime, ShowsHoursOnlyFromOneHour)
{
    EXPECT_EQ(FormatTime(0), "0:00");
    EXPECT_EQ(FormatTime(59), "0:59");
    EXPECT_EQ(FormatTime(3599), "59:59");
    EXPECT_EQ(FormatTime(3600), "1:00:00");
    EXPECT_EQ(FormatTime(86399), "23:59:59");
}
