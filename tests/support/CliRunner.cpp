#include "tests/support/CliRunner.h"

#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <sys/wait.h>

namespace {

std::string Quote(const std::string& arg)
{
    std::string quoted = "'";
    for (char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

CliResult RunCli(const std::vector<std::string>& args)
{
    const char* cli = std::getenv("SONICROP_CLI");
    if (!cli || !*cli)
        cli = SONICROP_CLI_PATH;
    TempDir capture;
    std::string command = Quote(cli);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    command += " >" + Quote(capture.File("out")) + " 2>" + Quote(capture.File("err")) + " </dev/null";
    const int status = std::system(command.c_str());
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const Bytes out = ReadFile(capture.File("out"));
    const Bytes err = ReadFile(capture.File("err"));
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
    return result;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}
