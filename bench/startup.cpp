// Prints, in monotonic nanoseconds, when the window's first frame was painted; the caller knows when it started the
// process. Then, asked with "icon", when the application's icon was set as well, and asked with "network", how long
// loading the network module took, as the first search does.
#include <chrono>
#include <cstdio>
#include <string>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#ifdef TUNEDROP_BENCH_REAL_WINDOW
#include "network_module.h"
#include "program_window.h"
#else
#include <QLabel>

#include "window_style.h"
#endif
#ifdef TUNEDROP_BENCH_ICON
#include <QIcon>
#endif

using namespace Qt::StringLiterals;

namespace {

long long now()
{
    const auto time = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(time).count();
}

// Notes the time, and ends the event loop, once the window's first frame is painted: its expose event paints and
// flushes the frame, and a call queued while it is filtered runs after that. Filters run newest first, so this call
// comes before any that the program queued at the same event.
class FirstFrame final : public QObject
{
public:
    explicit FirstFrame(QWindow* window) { window->installEventFilter(this); }

    long long shownAt = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(
                this,
                [this] {
                    shownAt = now();
                    QCoreApplication::quit();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const std::string then = argc > 1 ? argv[1] : "";
#ifdef TUNEDROP_BENCH_REAL_WINDOW
    // The name is the program's, so that the window reads the same settings file as it would.
    QCoreApplication::setApplicationName(u"Tunedrop"_s);
    ProgramWindow program;
    program.show();
    QWidget& window = program.window();
#else
    // One label in the main window's font: the least any window with text pays, font set-up included.
    QWidget window;
    window.setFont(windowFont());
    QLabel label(u"Keywords"_s, &window);
#ifdef TUNEDROP_BENCH_ICON
    // The program's icon, set before the window is shown.
    QApplication::setWindowIcon(QIcon::fromTheme(u"tunedrop"_s, QIcon(u":/tunedrop.svg"_s)));
#endif
    window.show();
#endif
    FirstFrame firstFrame(window.windowHandle());
    QTimer::singleShot(std::chrono::seconds(10), &app, [] { QCoreApplication::exit(1); });
    if (QApplication::exec() != 0)
        return 1;
    std::printf("%lld\n", firstFrame.shownAt);

    if (then == "icon") {
        while (QApplication::windowIcon().isNull())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        std::printf("%lld\n", now());
    }
#ifdef TUNEDROP_BENCH_REAL_WINDOW
    if (then == "network") {
        // A request that ends at once without a connection: what is timed is loading the module and setting up
        // libcurl.
        NetworkModule transfer;
        HttpRequest request;
        request.url = QUrl(u"bench:"_s);
        const long long start = now();
        transfer.start(request);
        std::printf("%lld\n", now() - start);
        return transfer.isLoaded() ? 0 : 1;
    }
#endif
    return 0;
}
