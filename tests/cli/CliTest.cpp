#include "tests/support/CliRunner.h"

#include <gtest/gtest.h>

TEST(Cli, HelpExitsZeroAndBadUsageExitsTwo)
{
    EXPECT_EQ(RunCli({ "--help" }).exitCode, 0);
    EXPECT_EQ(RunCli({}).exitCode, 2);
    EXPECT_EQ(RunCli({ "frobnicate" }).exitCode, 2);
    EXPECT_EQ(RunCli({ "info" }).exitCode, 2);
    EXPECT_EQ(RunCli({ "info", "--bogus", "x.mp3" }).exitCode, 2);
}
