#pragma once
// Keeping the window alive while a long job runs on the user-interface thread.
#include <QElapsedTimer>

// Runs every pending event of this thread, then returns 0.
int PumpMessages();

// The pump a job calls after every frame: it runs the events only when some milliseconds have
// passed since it last did, so event processing does not slow a cut down.
class CheapPump {
public:
    explicit CheapPump(int intervalMs = 25)
        : intervalMs_(intervalMs)
    {
    }
    // True when it pumped.
    bool Run();
    // True when the next Run() would pump.
    bool Due() const;

private:
    int intervalMs_;
    QElapsedTimer sinceLastPump_;
};
