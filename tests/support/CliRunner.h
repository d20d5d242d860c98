#pragma once
// Runs sonicrop-cli (path from $SONICROP_CLI) and captures its exit code and output.
#include <string>
#include <vector>

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliResult RunCli(const std::vector<std::string>& args);
// Splits output into lines (without their newline).
std::vector<std::string> Lines(const std::string& text);
