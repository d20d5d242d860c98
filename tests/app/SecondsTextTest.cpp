#include "app/SecondsText.h"

#include <gtest/gtest.h>

TEST(ParseTenths, ReadsOneDecimalAndIgnoresTheRest)
{
    EXPECT_EQ(ParseTenths("1.25", false), 12);
    EXPECT_EQ(ParseTenths("3", false), 30);
    EXPECT_EQ(ParseTenths(".5", false), 5);
    EXPECT_EQ(ParseTenths("7x", false), 70);
    EXPECT_EQ(ParseTenths("2.", false), 20);
    EXPECT_EQ(ParseTenths(" 4.5", false), 45);
}

TEST(ParseTenths, EmptyTextIsZeroOnlyWhenAsked)
{
    EXPECT_EQ(ParseTenths("", true), 0);
    EXPECT_FALSE(ParseTenths("", false).has_value());
}

TEST(ParseTenths, RefusesLettersNegativesAndOverflow)
{
    EXPECT_FALSE(ParseTenths("abc", true).has_value());
    EXPECT_FALSE(ParseTenths("-1.5", true).has_value());
    EXPECT_FALSE(ParseTenths("99999999999", true).has_value());
    EXPECT_EQ(ParseTenths("214748363.9", true), 2147483639);
}

TEST(FormatTenths, ShowsSecondsWithOneDecimal)
{
    EXPECT_EQ(FormatTenths(0), "0.0");
    EXPECT_EQ(FormatTenths(12), "1.2");
    EXPECT_EQ(FormatTenths(600), "60.0");
    EXPECT_EQ(FormatTenths(-5), "-0.5");
}
