#include "cli/Commands.h"

#include <cstdio>

int RunInfo(const std::vector<std::string>&)
{
    std::fputs("sonicrop-cli info: not available yet\n", stderr);
    return kExitFailure;
}
