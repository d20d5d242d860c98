#include "tests/gui_support/NullSinkAudioServer.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

NullSinkAudioServer::NullSinkAudioServer()
{
    const std::string root = folder_.Path().string();
    const std::string socket = root + "/native";
    std::vector<std::string> arguments = { "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
        "--disable-shm=yes", "--use-pid-file=no", "--system=false", "--log-target=stderr", "-L",
        "module-native-protocol-unix socket=" + socket + " auth-anonymous=1", "-L",
        "module-null-sink sink_name=sonicrop_test_sink" };
    // Everything the server keeps goes into the test's folder; no session bus is needed.
    std::vector<std::string> environment = { "HOME=" + root, "XDG_RUNTIME_DIR=" + root, "XDG_CONFIG_HOME=" + root,
        "PULSE_RUNTIME_PATH=" + root + "/runtime", "PULSE_STATE_PATH=" + root + "/state",
        "PATH=/usr/local/bin:/usr/bin:/bin" };
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = root + "/server.log";
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int spawned = posix_spawnp(&pid_, "pulseaudio", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        problem_ = "pulseaudio could not be started (is the package installed?)";
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(socket) && std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            problem_ = "pulseaudio exited at once; see its messages in " + log;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!std::filesystem::exists(socket)) {
        problem_ = "pulseaudio opened no socket within 10 s";
        return;
    }
    ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    started_ = true;
}

NullSinkAudioServer::~NullSinkAudioServer()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (started_)
        ::unsetenv("PULSE_SERVER");
}
