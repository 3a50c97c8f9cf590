#include "interrupt_watch.h"

#include <atomic>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace {

int wakePipe[2] = {-1, -1};
// Atomics, as a thread of a library may take the signal while the main thread sets them.
std::atomic<bool> interrupted = false;
std::atomic<bool> heard = false;
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler may only touch lock-free atomics");

void onInterruptSignal(int)
{
    // Only async-signal-safe calls here: the event loop does the rest when the pipe wakes it.
    if (interrupted || !heard)
        _exit(InterruptWatch::exitStatus);
    interrupted = true;
    const int savedErrno = errno;
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &wake, 1);
    errno = savedErrno;
}

} // namespace

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : m_onInterrupt(std::move(onInterrupt))
{
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "no pipe to hear Ctrl+C on");
    m_notifier = std::make_unique<QSocketNotifier>(wakePipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
        m_notifier->setEnabled(false);
        m_onInterrupt();
    });
    struct sigaction action = {};
    action.sa_handler = onInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &m_previous);
}

InterruptWatch::~InterruptWatch()
{
    ::sigaction(SIGINT, &m_previous, nullptr);
    m_notifier.reset();
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

bool InterruptWatch::isInterrupted()
{
    return interrupted;
}

InterruptWatch::Hearing::Hearing(bool isHeard) : m_previous(heard.exchange(isHeard))
{
}

InterruptWatch::Hearing::~Hearing()
{
    heard = m_previous;
}
