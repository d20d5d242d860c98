#pragma once
// A PulseAudio server of the test's own, with one null sink: the real audio path (QAudioSink, the
// sound server's clock) runs without sound hardware, without a session bus, and as root in CI.
// Start it before anything asks Qt for audio devices: the client connects once per process.
#include "tests/support/TempDir.h"

#include <string>
#include <sys/types.h>

class NullSinkAudioServer {
public:
    NullSinkAudioServer();
    ~NullSinkAudioServer();
    NullSinkAudioServer(const NullSinkAudioServer&) = delete;
    NullSinkAudioServer& operator=(const NullSinkAudioServer&) = delete;

    bool Started() const { return started_; }
    // Why it did not start, for the skip message.
    const std::string& Problem() const { return problem_; }

private:
    TempDir folder_;
    pid_t pid_ = -1;
    bool started_ = false;
    std::string problem_;
};
