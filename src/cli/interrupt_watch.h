#pragma once

#include <csignal>
#include <functional>
#include <memory>

#include <QtGlobal>

class QSocketNotifier;

// Turns Ctrl+C into a call on the event loop's thread, where a search can be stopped safely; a signal handler
// itself may do next to nothing. Where the loop cannot hear it, the first Ctrl+C ends the process at once, as does
// a second one, for when the loop never came to the first. One watch at a time; the default handling comes back
// when it ends.
class InterruptWatch
{
public:
    static constexpr int exitStatus = 130;

    explicit InterruptWatch(std::function<void()> onInterrupt);
    ~InterruptWatch();
    Q_DISABLE_COPY_MOVE(InterruptWatch)

    // Whether a Ctrl+C has been heard and its call is due or made.
    static bool isInterrupted();

    // Whether the event loop hears Ctrl+C while one lives: it does during a search, which the loop alone can stop
    // cleanly, and not during a call the loop cannot interrupt, such as a write to a full pipe.
    class Hearing
    {
    public:
        explicit Hearing(bool heard);
        ~Hearing();
        Q_DISABLE_COPY_MOVE(Hearing)

    private:
        bool m_previous;
    };

private:
    std::function<void()> m_onInterrupt;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous = {};
};
