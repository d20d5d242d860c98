#include "cli/Commands.h"

#include <cstdio>

int RunCut(const std::vector<std::string>&)
{
    std::fputs("sonicrop-cli cut: not available yet\n", stderr);
    return kExitFailure;
}
