#include <gtest/gtest.h>
#include <cstdlib>
#include <string>

TEST(Cli, HelpExitsZeroAndUnknownCommandIsUsageError)
{
    const char* cli = std::getenv("SONICROP_CLI");
    ASSERT_NE(cli, nullptr);
    EXPECT_EQ(WEXITSTATUS(std::system((std::string(cli) + " --help >/dev/null").c_str())), 0);
    EXPECT_EQ(WEXITSTATUS(std::system((std::string(cli) + " frobnicate 2>/dev/null").c_str())), 2);
}
