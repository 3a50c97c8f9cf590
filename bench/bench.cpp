#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <httplib.h>

#include "loopback_site.h"
#include "page.h"
#include "result_scan.h"
#include "window_harness.h"

extern char** environ;

using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t MiB = 1 << 20;

// Results of timed work land here, so the compiler cannot drop the work.
volatile qsizetype kept;

struct Settings
{
    double waitSeconds = 5;
    size_t smallFetch = MiB, largeFetch = 32 * MiB;
    int waitReps = 5, reps = 7;
    // Fetches are short and the machine may be busy with other work, so they get more rounds for the median.
    int fetchReps = 15;
};

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peakKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6));
    throw std::runtime_error("no VmHWM");
}

std::string sizeText(size_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + " bytes";
    return bytes >= MiB ? std::to_string(bytes / MiB) + " MiB" : std::to_string(bytes >> 10) + " KiB";
}

std::string valueCell(const std::string& value)
{
    return "<TD><FONT FACE=Arial SIZE=2 COLOR=#000000>" + value + "<BR></FONT></TD>";
}

// A result page as sites write it, with `hits` hit rows, grown to about `size` bytes by repeating `filler` after
// them.
std::string resultPage(int hits, size_t size = 0, const std::string& filler = {})
{
    std::string page = "<HTML><BODY><TABLE>\r\n<TR><TD>ID</TD><TD>Track</TD><TD>Artist</TD><TD>Album</TD></TR>\r\n";
    for (int n = 1; n <= hits; ++n) {
        if (n > 1)
            page += "<TR><TD COLSPAN=4><HR></TD></TR>\r\n";
        const std::string id = std::to_string(100 + n);
        page += "<TR><TD><A HREF=\"mp3info.asp?ID=" + id + "\">" + id + "</A></TD>" +
                valueCell("Track " + std::to_string(n)) + valueCell("Artist") + valueCell("Album") + "</TR>\r\n";
    }
    page += "<TR><TD COLSPAN=4>End of list</TD></TR>\r\n";
    while (page.size() < size)
        page += filler;
    return page + "</TABLE></BODY></HTML>";
}

const std::string textFiller = "<P>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod.</P>\r\n";
const std::string rowFiller = "<TR><TD COLSPAN=4>Older uploads are listed on the archive pages.</TD></TR>\r\n";

// `head`, then text, then `tail`, exactly `size` bytes long.
std::string filledPage(std::string head, size_t size, const std::string& tail = {})
{
    while (head.size() + tail.size() < size)
        head += textFiller;
    head.resize(size - tail.size());
    return head + tail;
}

// A page without rows: the scan must read it to the end to learn that there is no row 2.
std::string plainPage(size_t size)
{
    return filledPage("<HTML><BODY>", size, "</BODY></HTML>");
}

// Rows 1 and 2 are empty, so the scan stops after a few characters and a Search costs the fetch alone.
std::string stopPage(size_t size)
{
    return filledPage("<TR<TR<TR", size);
}

// The search's own scan over a page, as a run makes it before it asks about any hit. Returns the hits found.
int cutRows(const QString& page)
{
    ResultScan scan(page);
    int hits = 0;
    qsizetype written = 0;
    while (const std::optional<HitRow> hit = scan.nextRow()) {
        written += hit->paneText().size();
        if (hit->isComplete()) {
            written += hit->promptText().size();
            ++hits;
        }
    }
    kept = written;
    return hits;
}

qsizetype countMarkers(QStringView page)
{
    qsizetype count = 0;
    for (qsizetype at = page.indexOf(u"<TR"); at >= 0; at = page.indexOf(u"<TR", at + 3))
        ++count;
    return count;
}

// The real transfer, counting what it hands out, so a run can be checked to have read the whole page.
struct CountingTransfer final : TransferComponent
{
    void setUserName(const QString& userName) override { real.setUserName(userName); }
    void setPassword(const QString& password) override { real.setPassword(password); }
    bool start(const QString& url, const QString& method, const std::optional<QString>& body,
               const QString& headerBlock) override
    {
        handedOut = 0;
        return real.start(url, method, body, headerBlock);
    }
    bool isRunning() const override { return real.isRunning(); }
    QByteArray takeBody() override
    {
        QByteArray body = real.takeBody();
        handedOut += body.size();
        return body;
    }
    QByteArray charset() const override { return real.charset(); }
    std::optional<TransferError> error() const override { return real.error(); }
    void abort() override { real.abort(); }

    QtTransferComponent real;
    qsizetype handedOut = 0;
};

// The real window with the real transfer component, fed from a loopback site.
struct Window
{
    explicit Window(const std::string& address, const std::string& path)
    {
        settings.setSite(1, u"Bench"_s, QString::fromStdString(address), QString::fromStdString(path));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            throw std::runtime_error("the window was never shown");
    }
    void search()
    {
        window.findChild<QLineEdit*>(u"txtQuery"_s)->setText(u"river"_s);
        window.findChild<QPushButton*>(u"cmdSearch"_s)->click();
    }

    TemporarySettings settings;
    CountingTransfer transfer;
    QtEventDelivery events;
    FakeMessageBoxes boxes;
    MainWindow window{settings.store, transfer, events, boxes};
};

size_t blockingGet(int port, const std::string& target)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect");
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    if (send(fd, request.data(), request.size(), 0) != static_cast<ssize_t>(request.size()))
        throw std::runtime_error("cannot send");
    std::vector<char> buffer(64 << 10);
    size_t total = 0;
    for (ssize_t n; (n = recv(fd, buffer.data(), buffer.size(), 0)) > 0;)
        total += static_cast<size_t>(n);
    close(fd);
    return total;
}

// Median wall and CPU seconds of work done over and over; CPU counts every thread of this process, which holds
// the client only.
struct Samples
{
    template <typename Work>
    void take(bool counted, Work&& work)
    {
        const double cpuBefore = cpuSeconds();
        const auto start = Clock::now();
        work();
        if (counted) {
            wall.push_back(secondsSince(start));
            cpu.push_back(cpuSeconds() - cpuBefore);
        }
    }
    std::string text() const
    {
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%.6f %.6f", median(wall), median(cpu));
        return numbers;
    }

    std::vector<double> wall, cpu;
};

// The page as a fetch takes it from the ended transfer, decoded whole so that it can be checked.
QString pageText(QtTransferComponent& transfer)
{
    return Page(transfer.takeBody(), transfer.charset()).text();
}

// Child modes; each prints one line of numbers.
int child(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const std::string mode = argv[1], address = argv[2], path = argv[3];
    const int reps = argc > 4 ? std::stoi(argv[4]) : 1;
    if (mode == "idle") {
        Window bench(address, path);
        std::printf("%.0f\n", peakKiB());
    } else if (mode == "memory") {
        Window bench(address, path);
        bench.search();
        std::printf("%.0f %lld\n", peakKiB(), static_cast<long long>(bench.transfer.handedOut));
    } else if (mode == "wait") {
        Window bench(address, path);
        std::vector<double> cpu, wall;
        for (int r = 0; r < reps; ++r) {
            const double cpuBefore = cpuSeconds();
            const auto start = Clock::now();
            bench.search();
            wall.push_back(secondsSince(start));
            cpu.push_back(cpuSeconds() - cpuBefore);
            if (bench.transfer.handedOut != u"<HTML>no hits</HTML>"_s.size())
                throw std::runtime_error("the silent site's answer was not read");
        }
        std::printf("%.6f %.6f\n", median(cpu), median(wall));
    } else if (mode == "fetch") {
        Window bench(address, path);
        const int port = std::stoi(address.substr(address.find(':') + 1));
        const qsizetype expected = std::stoll(argv[5]);
        Samples plain, real;
        // The first round warms up both paths and is not counted.
        for (int r = -1; r < reps; ++r) {
            plain.take(r >= 0, [&] {
                if (blockingGet(port, path + "search.asp") < static_cast<size_t>(expected))
                    throw std::runtime_error("short answer");
            });
            real.take(r >= 0, [&] { bench.search(); });
            if (bench.transfer.handedOut != expected)
                throw std::runtime_error("the page was not read whole");
        }
        std::printf("%s %s\n", plain.text().c_str(), real.text().c_str());
    } else if (mode == "parts") {
        const int port = std::stoi(address.substr(address.find(':') + 1));
        // The site serves this very page; decoding it here in one go is the least that building the text costs.
        const QByteArray body = QByteArray::fromStdString(stopPage(std::stoull(argv[5])));
        const QString url = QString::fromStdString("http://" + address + path + "search.asp");
        QtEventDelivery events;
        QtTransferComponent transfer;
        Samples plain, component, text, decode;
        for (int r = -1; r < reps; ++r) {
            plain.take(r >= 0, [&] { blockingGet(port, path + "search.asp"); });
            component.take(r >= 0, [&] {
                transfer.start(url, u"GET"_s, std::nullopt, {});
                while (transfer.isRunning())
                    events.waitAndDeliver();
            });
            QString page, once;
            text.take(r >= 0, [&] { page = pageText(transfer); });
            decode.take(r >= 0, [&] { once = QString::fromUtf8(body); });
            if (page != once)
                throw std::runtime_error("the parts did not read the whole page");
        }
        std::printf("%s %s %s %s\n", plain.text().c_str(), component.text().c_str(), text.text().c_str(),
                    decode.text().c_str());
    } else {
        throw std::runtime_error("unknown mode " + mode);
    }
    return 0;
}

std::string ownDirectory()
{
    std::vector<char> path(4096);
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    const std::string exe(path.data(), n > 0 ? static_cast<size_t>(n) : 0);
    return exe.substr(0, exe.rfind('/') + 1);
}

// Runs a program and returns its output; `started` is when it was spawned.
std::vector<double> run(const std::vector<std::string>& args, Clock::time_point* started = nullptr)
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (started)
        *started = Clock::now();
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(args.at(0) + " failed");
    std::vector<double> numbers;
    size_t at = 0;
    while (at < output.size()) {
        size_t used = 0;
        numbers.push_back(std::stod(output.substr(at), &used));
        at += used;
        while (at < output.size() && std::isspace(static_cast<unsigned char>(output[at])))
            ++at;
    }
    return numbers;
}

struct Row
{
    std::string measure, result, baseline, ratio, goal;
    int met; // -1 where there is no goal
};

std::string format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// Wall time, with CPU time after it.
std::string costText(double wall, double cpu)
{
    const char* pattern = wall < 0.01 ? "%.2f ms (CPU %.2f ms)" : "%.1f ms (CPU %.1f ms)";
    char text[64];
    std::snprintf(text, sizeof text, pattern, wall * 1e3, cpu * 1e3);
    return text;
}

template <typename Work>
double medianTime(int reps, int inner, Work&& work)
{
    std::vector<double> samples;
    for (int r = 0; r < reps; ++r) {
        const auto start = Clock::now();
        for (int i = 0; i < inner; ++i)
            work();
        samples.push_back(secondsSince(start) / inner);
    }
    return median(samples);
}

Row scanRow(const std::string& measure, const std::string& bytes, int expectedHits, int reps, int goal)
{
    const QString page = QString::fromStdString(bytes);
    const int inner = bytes.size() < MiB ? 2000 : 1;
    if (cutRows(page) != expectedHits)
        throw std::runtime_error("the scan found the wrong hits");
    const double cut = medianTime(reps, inner, [&] { cutRows(page); });
    const double plain = medianTime(reps, inner, [&] { kept = countMarkers(page); });
    return {measure,
            format("%.1f µs", cut * 1e6),
            format("%.1f µs", plain * 1e6),
            format("%.2f×", cut / plain),
            goal ? format("≤ %.0f×", goal) : "–",
            goal ? cut / plain <= goal : -1};
}

int driver(const Settings& settings)
{
    const std::string dir = ownDirectory();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The start-up program reads and creates the real settings file, so it gets a folder of its own.
    char configDir[] = "/tmp/tunedrop-bench-XXXXXX";
    if (!mkdtemp(configDir))
        throw std::runtime_error("no temporary folder");
    setenv("XDG_CONFIG_HOME", configDir, 1);
    setenv("XDG_RUNTIME_DIR", configDir, 1);

    const size_t bigSize = settings.largeFetch;
    std::map<std::string, std::string> pages{
        {"/wait/", "<HTML>no hits</HTML>"},           {"/tiny/", stopPage(9)},
        {"/small/", stopPage(settings.smallFetch)},   {"/large/", stopPage(settings.largeFetch)},
        {"/norows/", plainPage(settings.largeFetch)}, {"/hits/", resultPage(5, bigSize, textFiller)}};
    LoopbackSite site;
    const auto waitFor = std::chrono::duration<double>(settings.waitSeconds);
    site.setHandler([&](const httplib::Request& request, httplib::Response& response) {
        const std::string key = request.path.substr(0, request.path.find('/', 1) + 1);
        if (key == "/wait/")
            std::this_thread::sleep_for(waitFor);
        const std::string& body = pages.at(key);
        // Served from the one copy, so neither client pays for copying the answer on the server.
        response.set_content_provider(body.size(), "text/html",
                                      [&body](size_t offset, size_t length, httplib::DataSink& sink) {
                                          return sink.write(body.data() + offset, std::min(length, MiB));
                                      });
    });
    const std::string self = dir + "tunedrop_bench", address = "127.0.0.1:" + std::to_string(site.port());
    std::vector<Row> rows;

    std::fprintf(stderr, "waiting...\n");
    const std::vector<double> wait = run({self, "wait", address, "/wait/", std::to_string(settings.waitReps)});
    rows.push_back({"Waiting: CPU while the site is silent " + format("%.1f s", settings.waitSeconds),
                    format("%.1f ms CPU", wait[0] * 1e3), format("%.2f s wall", wait[1]),
                    format("%.3f %% of a core", 100 * wait[0] / wait[1]), "< 1 %", wait[0] / wait[1] < 0.01});

    const auto fetch = [&](const std::string& mode, const std::string& path) {
        std::fprintf(stderr, "%s %s...\n", mode.c_str(), path.c_str());
        const std::string length = std::to_string(pages.at(path).size());
        return run({self, mode, address, path, std::to_string(settings.fetchReps), length});
    };
    // A goal of 0 means the row has none.
    const auto fetchRow = [&](const std::string& measure, const std::vector<double>& times, double goal) {
        const double ratio = times[2] / times[0];
        rows.push_back({measure, costText(times[2], times[3]), costText(times[0], times[1]) + " blocking socket",
                        format("%.2f×", ratio), goal ? format("≤ %.1f×", goal) : "–", goal ? ratio <= goal : -1});
    };
    for (const auto& [path, size] : {std::pair{"/small/", settings.smallFetch}, {"/large/", settings.largeFetch}})
        fetchRow("Fetching " + sizeText(size) + " (Search, scan stops at once)", fetch("fetch", path), 1.5);
    fetchRow("Fetching " + sizeText(bigSize) + " and scanning it, no rows (Search)", fetch("fetch", "/norows/"), 0);
    fetchRow("Fetching " + sizeText(pages.at("/tiny/").size()) + " (Search, scan stops at once)",
             fetch("fetch", "/tiny/"), 0);
    const std::vector<double> parts = fetch("parts", "/large/");
    const std::string blocking = costText(parts[0], parts[1]) + " blocking socket";
    rows.push_back({"Fetching " + sizeText(bigSize) + ", transfer only (QNetworkAccessManager, to the end)",
                    costText(parts[2], parts[3]), blocking, format("%.2f×", parts[2] / parts[0]), "–", -1});
    rows.push_back({"Fetching " + sizeText(bigSize) + ", page text only (from 1024-character chunks)",
                    costText(parts[4], parts[5]), costText(parts[6], parts[7]) + " one QString::fromUtf8",
                    format("%.2f×", parts[4] / parts[6]), "–", -1});

    std::fprintf(stderr, "scanning...\n");
    rows.push_back(scanRow("Scanning 51 hits", resultPage(51), 51, settings.reps, 0));
    rows.push_back(
        scanRow("Scanning " + sizeText(bigSize) + ", 5 hits then text", pages.at("/hits/"), 5, settings.reps, 3));
    rows.push_back(scanRow("Scanning " + sizeText(bigSize) + ", 5 hits then other rows",
                           resultPage(5, bigSize, rowFiller), 5, settings.reps, 3));

    std::fprintf(stderr, "memory...\n");
    std::vector<double> idle, busy;
    for (int r = 0; r < settings.reps; ++r) {
        idle.push_back(run({self, "idle", address, "/hits/"})[0]);
        const std::vector<double> used = run({self, "memory", address, "/hits/"});
        if (used[1] != static_cast<double>(pages.at("/hits/").size()))
            throw std::runtime_error("the page was not read whole");
        busy.push_back(used[0]);
    }
    const double extra = (median(busy) - median(idle)) * 1024;
    const double answer = static_cast<double>(pages.at("/hits/").size());
    rows.push_back({"Memory: peak while fetching and scanning " + sizeText(bigSize), format("+%.1f MiB", extra / MiB),
                    format("%.1f MiB answer", answer / MiB), format("%.2f× the answer", extra / answer), "≤ 4×",
                    extra / answer <= 4});

    std::fprintf(stderr, "start-up...\n");
    std::vector<double> app, empty, label, network;
    const std::string startApp = dir + "tunedrop_bench_start_app", startEmpty = dir + "tunedrop_bench_start_empty",
                      startNetwork = dir + "tunedrop_bench_start_network";
    const std::vector<std::pair<std::vector<std::string>, std::vector<double>*>> programs{
        {{startApp}, &app},
        {{startEmpty}, &empty},
        {{startEmpty, "label"}, &label},
        {{startNetwork, "label"}, &network}};
    for (int r = -1; r < settings.reps; ++r) {
        for (const auto& [args, samples] : programs) {
            Clock::time_point started;
            const double shownNs = run(args, &started)[0];
            // The first round only warms the file cache.
            if (r >= 0)
                samples->push_back(shownNs / 1e9 - std::chrono::duration<double>(started.time_since_epoch()).count());
        }
    }
    const double appTime = median(app), emptyTime = median(empty), labelTime = median(label),
                 networkTime = median(network);
    rows.push_back({"Start-up: process start to main window shown", format("%.1f ms", appTime * 1e3),
                    format("%.1f ms empty QWidget", emptyTime * 1e3), format("%.2f×", appTime / emptyTime), "≤ 1.2×",
                    appTime / emptyTime <= 1.2});
    rows.push_back({"Start-up, against a window with one label", format("%.1f ms", appTime * 1e3),
                    format("%.1f ms QWidget + QLabel", labelTime * 1e3), format("%.2f×", appTime / labelTime), "–",
                    -1});
    rows.push_back({"Start-up, against a window with one label and QtNetwork", format("%.1f ms", appTime * 1e3),
                    format("%.1f ms QWidget + QLabel + QNetworkAccessManager", networkTime * 1e3),
                    format("%.2f×", appTime / networkTime), "–", -1});

    std::printf("| Measure | Result | Baseline | Ratio | Goal | Met |\n|---|---|---|---|---|---|\n");
    for (const Row& row : rows) {
        const char* met = row.met < 0 ? "–" : row.met ? "yes" : "**no**";
        std::printf("| %s | %s | %s | %s | %s | %s |\n", row.measure.c_str(), row.result.c_str(), row.baseline.c_str(),
                    row.ratio.c_str(), row.goal.c_str(), met);
    }
    std::filesystem::remove_all(configDir);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        if (argc > 1 && argv[1][0] != '-')
            return child(argc, argv);
        Settings settings;
        if (argc > 1 && std::string(argv[1]) == "--smoke")
            settings = {0.2, 64 << 10, 256 << 10, 1, 1, 1};
        return driver(settings);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tunedrop_bench: %s\n", failure.what());
        return 1;
    }
}
