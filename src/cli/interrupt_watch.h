#pragma once

#include <csignal>
#include <functional>
#include <memory>

#include <QtGlobal>

class QSocketNotifier;

// Turns Ctrl+C into a call on the event loop's thread, where a search can be stopped safely; a signal handler
// itself may do next to nothing. A second Ctrl+C, for when the event loop never saw the first, ends the process at
// once. One watch at a time; the default handling comes back when it ends.
class InterruptWatch
{
public:
    static constexpr int exitStatus = 130;

    explicit InterruptWatch(std::function<void()> onInterrupt);
    ~InterruptWatch();
    Q_DISABLE_COPY_MOVE(InterruptWatch)

    bool isInterrupted() const;

private:
    std::function<void()> m_onInterrupt;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous = {};
};
