#include "standard_stream.h"

#include <cerrno>
#include <csignal>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>

#include "interrupt_watch.h"

namespace {

// A closed standard stream would be handed to the next file or socket the program opens, and its output would go
// there. Each is held with /dev/null opened the wrong way round, so that writing to it still fails as on the closed
// one. This runs before main(), before anything is opened.
bool holdClosedStandardStreams()
{
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int held = ::open("/dev/null", descriptor == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != descriptor) {
            ::dup2(held, descriptor);
            ::close(held);
        }
    }
    return true;
}

[[maybe_unused]] const bool standardStreamsHeld = holdClosedStandardStreams();

[[noreturn]] void endAsBrokenPipe()
{
    ::signal(SIGPIPE, SIG_DFL);
    ::raise(SIGPIPE);
    _exit(128 + SIGPIPE);
}

} // namespace

StandardStream::StandardStream(int descriptor) : m_descriptor(descriptor), m_terminal(::isatty(descriptor) == 1)
{
}

bool StandardStream::write(QStringView text)
{
    if (!m_failure.isEmpty())
        return false;
    const QByteArray bytes = text.toUtf8();
    // Taken before the check, so that a Ctrl+C after it ends the process rather than wait behind this write.
    const InterruptWatch::Hearing blocking(false);
    if (InterruptWatch::isInterrupted() && !m_terminal)
        return false;
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline + 1;
        if (!writeWhole(QByteArrayView(bytes).sliced(start, end - start)))
            return false;
        start = end;
    }
    return true;
}

bool StandardStream::writeWhole(QByteArrayView bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(m_descriptor, bytes.data() + done, size_t(bytes.size() - done));
        if (written >= 0) {
            done += written;
        } else if (errno == EPIPE) {
            endAsBrokenPipe();
        } else if (errno != EINTR) {
            m_failure = QString::fromStdString(std::generic_category().message(errno));
            return false;
        }
    }
    return true;
}
