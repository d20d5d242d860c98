#pragma once
// The sub-commands of sonicrop-cli. Each returns the process exit code:
// 0 success, 1 failure (message on stderr), 2 bad usage.
#include <string>
#include <vector>

int RunInfo(const std::vector<std::string>& args);
int RunCut(const std::vector<std::string>& args);
int RunJoin(const std::vector<std::string>& args);
int RunLevels(const std::vector<std::string>& args);

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
