#pragma once

// Whether the program has ended a search run for good (Exit, the close box, Ctrl+C), and the one way out of a run so
// stopped: every wait and every listener call that returns into it throws Stopped, which is caught where the run
// began. Nothing between the two runs an event loop, so it never crosses one.
class RunStop
{
public:
    struct Stopped
    {
    };

    void stop() { m_stopped = true; }
    bool isStopped() const { return m_stopped; }
    // Leaves the run under way once it was stopped.
    void leaveIfStopped() const
    {
        if (m_stopped)
            throw Stopped();
    }

private:
    bool m_stopped = false;
};
