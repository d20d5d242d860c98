#include "cli/Commands.h"

#include <cstdio>

int RunJoin(const std::vector<std::string>&)
{
    std::fputs("sonicrop-cli join: not available yet\n", stderr);
    return kExitFailure;
}
