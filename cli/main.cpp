// sonicrop-cli: cut, join and inspect MP3 files and their levels from a terminal.
#include "cli/Commands.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

const char* const kUsage = "Usage: sonicrop-cli COMMAND [OPTIONS] FILE...\n"
                           "\n"
                           "Commands:\n"
                           "  info [--json] FILE...      show the stream facts and ID3v1 tag of MP3 files\n"
                           "  cut (--size KB | --count N | --time MIN:SEC | --points T1,T2,...) [OPTIONS] FILE...\n"
                           "                             split MP3 files into pieces without re-encoding\n"
                           "  cut --cue SHEET.cue [OPTIONS]\n"
                           "                             split the file a CUE sheet names into its tracks\n"
                           "  cut --silence [--silence-threshold DB] [--silence-min S] [OPTIONS] FILE...\n"
                           "                             split MP3 files at their silences\n"
                           "  join -o OUT [OPTIONS] FILE...\n"
                           "                             join MP3 files into one\n"
                           "  levels [--window MS] [--json] FILE\n"
                           "                             show the level over time, read without decoding\n"
                           "\n"
                           "Run 'sonicrop-cli COMMAND --help' for the options of a command.\n";

} // namespace

int main(int argc, char** argv)
{
    // A write past the file-size limit (ulimit -f) then fails like a full disk, so the job removes
    // its partial output and says so, instead of the program being killed mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "info")
        return RunInfo(args);
    if (command == "cut")
        return RunCut(args);
    if (command == "join")
        return RunJoin(args);
    if (command == "levels")
        return RunLevels(args);
    std::fprintf(stderr, "sonicrop-cli: unknown command '%s'\n\n%s", command.c_str(), kUsage);
    return kExitUsage;
}
