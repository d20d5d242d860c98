// Parsing arbitrary bytes as a ".lnk" shortcut: no crash, no read outside the bytes, and a target
// only with a path to follow.
#include "fuzz/FuzzSupport.h"
#include "platform/ShellLink.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto target = ParseShellLink(std::span(data, size));
    if (target) {
        Require(!target->absolutePath.empty() || !target->relativePath.empty(), "a target naming no path");
        Require(target->absolutePath.find('\0') == std::string::npos
                && target->relativePath.find('\0') == std::string::npos,
            "a path holding a NUL byte");
    }
    return 0;
}
