#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <httplib.h>

#include "http_transfer.h"
#include "loopback_site.h"
#include "network_module.h"
#include "page.h"
#include "result_scan.h"
#include "site_request.h"
#include "window_harness.h"

extern char** environ;

using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t KiB = 1 << 10, MiB = 1 << 20;

// Results of timed work land here, so the compiler cannot drop the work.
volatile qsizetype kept;

struct Settings
{
    double waitSeconds = 5;
    // How long each of the five slow sites takes to answer.
    double slowSeconds = 0.5;
    size_t bigPage = 32 * MiB;
    size_t promptPage = 150 * KiB;
    // Every figure is a median and a minimum over this many rounds, after one round that warms up and is not counted.
    // The differences are small beside the noise of a machine shared with other builds, and most rounds are short;
    // those that wait for slow sites are long.
    int waitReps = 5;
    int slowReps = 9;
    int reps = 21;
};

// The search's keywords and the request it sends for them, which curl sends too.
const QString keywords = u"x"_s;
const std::string searchForm = "album=x&Sort=ID";

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time (every thread) and minor page faults of this process so far.
struct Usage
{
    double cpu, faults;
};

Usage usage()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), static_cast<double>(usage.ru_minflt)};
}

double cpuSeconds()
{
    return usage().cpu;
}

struct Stat
{
    double median, min;
};

Stat stat(std::vector<double> values)
{
    if (values.empty())
        throw std::runtime_error("no samples");
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return {values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2, values.front()};
}

std::string sizeText(size_t bytes)
{
    if (bytes < KiB)
        return std::to_string(bytes) + " bytes";
    return bytes >= MiB ? std::to_string(bytes / MiB) + " MiB" : std::to_string(bytes / KiB) + " KiB";
}

// Filler text without row markers, exactly `size` bytes long.
std::string loremText(size_t size)
{
    static const std::string line =
        "<P>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod.</P>\r\n";
    std::string text;
    text.reserve(size + line.size());
    while (text.size() < size)
        text += line;
    text.resize(size);
    return text;
}

// A page without rows, `size` bytes long: a scan must read it to the end to learn that there is no row 2.
std::string plainPage(size_t size)
{
    const std::string head = "<HTML><BODY>", tail = "</BODY></HTML>";
    return head + loremText(size - head.size() - tail.size()) + tail;
}

std::string valueCell(const std::string& value)
{
    return "<TD><FONT FACE=Arial SIZE=2 COLOR=#000000>" + value + "<BR></FONT></TD>";
}

// A result page as sites write it, with `hits` hit rows, each separator row between them carrying `rowText` bytes
// of text, and after the list text up to `size` bytes.
std::string resultPage(int hits, size_t rowText, size_t size)
{
    std::string page = "<HTML><BODY><TABLE>\r\n<TR><TD>ID</TD><TD>Track</TD><TD>Artist</TD><TD>Album</TD></TR>\r\n";
    for (int n = 1; n <= hits; ++n) {
        if (n > 1)
            page += "<TR><TD COLSPAN=4>" + loremText(rowText) + "<HR></TD></TR>\r\n";
        const std::string id = std::to_string(100 + n);
        page += "<TR><TD><A HREF=\"mp3info.asp?ID=" + id + "\">" + id + "</A></TD>" +
                valueCell("Track " + std::to_string(n)) + valueCell("Artist") + valueCell("Album") + "</TR>\r\n";
    }
    page += "<TR><TD COLSPAN=4>End of list</TD></TR>\r\n";
    const std::string tail = "</TABLE></BODY></HTML>";
    return page + loremText(size > page.size() + tail.size() ? size - page.size() - tail.size() : 0) + tail;
}

// 51 hits spread over about `size` bytes, as a busy site's full page is.
std::string fullPage(size_t size)
{
    const size_t bare = resultPage(ResultScan::mostHits, 0, 0).size();
    return resultPage(ResultScan::mostHits, size > bare ? (size - bare) / (ResultScan::mostHits - 1) : 0, size);
}

// The scan a search makes of a page, every row's fields as the pane shows them and each hit's prompt text.
// Returns the hits found.
int scanRows(QByteArrayView body)
{
    int hits = 0;
    qsizetype written = 0;
    for (const HitRow& hit : ResultScan::rowsOf(body, {})) {
        for (const QString& field : hit.fields)
            written += HitRow::shownField(field).size() + 1;
        if (hit.isComplete()) {
            written += hit.promptText().size();
            ++hits;
        }
    }
    kept = written;
    return hits;
}

// One plain pass that finds every row marker in the bytes.
qsizetype countMarkers(std::string_view bytes)
{
    qsizetype count = 0;
    for (size_t at = bytes.find("<TR"); at != std::string_view::npos; at = bytes.find("<TR", at + 3))
        ++count;
    return count;
}

// The same pass with the find the scan uses.
qsizetype qtMarkers(QByteArrayView bytes)
{
    qsizetype count = 0;
    for (qsizetype at = bytes.indexOf("<TR"); at >= 0; at = bytes.indexOf("<TR", at + 3))
        ++count;
    return count;
}

// The real transfer, counting the body bytes it hands out, in the answer or to the request's reader, so a run can be
// checked to have read the whole answer.
struct CountingTransfer final : HttpTransfer
{
    struct Counter final : BodyReader
    {
        Counter(BodyReader* next, qsizetype& handedOut) : next(next), handedOut(handedOut) {}
        void bodyStarted(QByteArrayView charset) override
        {
            handedOut = 0;
            next->bodyStarted(charset);
        }
        void bodyRead(QByteArrayView piece) override
        {
            handedOut += piece.size();
            next->bodyRead(piece);
        }

        BodyReader* next;
        qsizetype& handedOut;
    };

    struct Reply final : HttpReply
    {
        Reply(std::unique_ptr<Counter> counter, qsizetype& handedOut)
            : counter(std::move(counter)), handedOut(handedOut)
        {
        }
        bool isFinished() const override { return real->isFinished(); }
        HttpAnswer takeAnswer() override
        {
            HttpAnswer answer = real->takeAnswer();
            handedOut += answer.body.size();
            return answer;
        }

        std::unique_ptr<Counter> counter;
        std::unique_ptr<HttpReply> real;
        qsizetype& handedOut;
    };

    std::unique_ptr<HttpReply> start(const HttpRequest& request) override
    {
        handedOut = 0;
        HttpRequest counted = request;
        auto counter = request.reader ? std::make_unique<Counter>(request.reader, handedOut) : nullptr;
        counted.reader = counter.get();
        auto reply = std::make_unique<Reply>(std::move(counter), handedOut);
        reply->real = real.start(counted);
        return reply;
    }

    NetworkModule real;
    qsizetype handedOut = 0;
};

// Runs `request` on `transfer` to its end and returns the answer.
HttpAnswer fetch(HttpTransfer& transfer, EventDelivery& events, const HttpRequest& request)
{
    const std::unique_ptr<HttpReply> reply = transfer.start(request);
    while (!reply->isFinished())
        events.waitAndDeliver();
    return reply->takeAnswer();
}

// The real window with the real transfer, fed from a loopback site; only the message boxes are scripted.
struct Window
{
    explicit Window(const std::string& address, const std::string& path)
    {
        settings.setSite(1, u"Bench"_s, QString::fromStdString(address), QString::fromStdString(path));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            throw std::runtime_error("the window was never shown");
    }
    // Types the keywords and clicks Search; returns when the run has ended.
    void search()
    {
        window.findChild<QLineEdit*>(u"txtQuery"_s)->setText(keywords);
        window.findChild<QPushButton*>(u"cmdSearch"_s)->click();
    }

    TemporarySettings settings;
    CountingTransfer transfer;
    QtEventDelivery events;
    FakeMessageBoxes boxes;
    MainWindow window{settings.store, transfer, events, boxes};
};

// How a blocking-socket read keeps the answer.
enum class Keep
{
    // In one small buffer used over and over, as curl writing to /dev/null does.
    Nothing,
    // In one buffer that holds it whole, as a program that keeps the page must: fresh from the system, so its pages
    // are first touched, and paid for, as the answer arrives.
    Whole,
    // The same, in transparent huge pages (madvise), which are paid for 2 MiB at a time instead of 4 KiB.
    WholeInHugePages
};

size_t blockingGet(int port, const std::string& target, Keep keep = Keep::Nothing, size_t size = 0)
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
    std::vector<char> small(64 * KiB);
    char* whole = nullptr;
    if (keep != Keep::Nothing) {
        void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            throw std::runtime_error("no memory");
        whole = static_cast<char*>(mapped);
        if (keep == Keep::WholeInHugePages)
            madvise(whole, size, MADV_HUGEPAGE);
    }
    size_t total = 0;
    for (ssize_t n; (n = recv(fd, whole ? whole + total : small.data(), whole ? size - total : small.size(), 0)) > 0;)
        total += static_cast<size_t>(n);
    close(fd);
    if (whole) {
        kept = whole[total / 2];
        munmap(whole, size);
    }
    return total;
}

// The numbers in `text`, which holds nothing else.
std::vector<double> numbersIn(const std::string& text)
{
    std::vector<double> numbers;
    size_t at = 0;
    while (at < text.size()) {
        size_t used = 0;
        numbers.push_back(std::stod(text.substr(at), &used));
        at += used;
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
    }
    return numbers;
}

// Runs a program to its end with its standard output read through a pipe; `onRead` sees the output so far after
// each read. `started` is when it was spawned.
std::string runReading(const std::vector<std::string>& args, Clock::time_point& started,
                       const std::function<void(const std::string&)>& onRead = {})
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
    started = Clock::now();
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<size_t>(n));
        if (onRead)
            onRead(output);
    }
    close(fds[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(args.at(0) + " failed");
    return output;
}

// Runs a program to its end and returns the numbers it printed; `started` is when it was spawned.
std::vector<double> run(const std::vector<std::string>& args, Clock::time_point* started = nullptr)
{
    Clock::time_point spawned;
    const std::string output = runReading(args, spawned);
    if (started)
        *started = spawned;
    return numbersIn(output);
}

// Runs a program to its end and returns how long after it was spawned the first line of its output came; that line
// is left in `line`.
double untilFirstLine(const std::vector<std::string>& args, std::string& line)
{
    Clock::time_point started;
    double firstLine = -1;
    const std::string output = runReading(args, started, [&](const std::string& sofar) {
        if (firstLine < 0 && sofar.find('\n') != std::string::npos)
            firstLine = secondsSince(started);
    });
    if (firstLine < 0)
        throw std::runtime_error(args.at(0) + " wrote no line");
    line = output.substr(0, output.find('\n'));
    return firstLine;
}

// Column `column` of numbers printed `width` to a round.
std::vector<double> column(const std::vector<double>& numbers, size_t width, size_t column)
{
    std::vector<double> values;
    for (size_t at = column; at < numbers.size(); at += width)
        values.push_back(numbers[at]);
    return values;
}

// Child modes, each in a process of its own with the client alone; each prints its numbers, a line per round.
int child(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const std::string mode = argv[1], address = argv[2], path = argv[3];
    const int reps = std::stoi(argv[4]);
    const std::string url = "http://" + address + path + "search.asp";
    if (mode == "wait") {
        // CPU and wall time of a whole Search while the site says nothing.
        Window bench(address, path);
        for (int r = 0; r < reps; ++r) {
            const double cpuBefore = cpuSeconds();
            const auto start = Clock::now();
            bench.search();
            std::printf("%.6f %.6f\n", cpuSeconds() - cpuBefore, secondsSince(start));
            if (bench.transfer.handedOut != u"<HTML>no hits</HTML>"_s.size())
                throw std::runtime_error("the silent site's answer was not read");
        }
    } else if (mode == "prompt") {
        // Per round: curl's own transfer time; the transfer alone on the same request, as the search sends it; and
        // the time from the click of Search to the first prompt.
        Window bench(address, path);
        QtEventDelivery events;
        NetworkModule transfer;
        const SiteRequest search = searchRequest(keywords);
        const std::optional<QUrl> searchUrl =
            siteUrl(QString::fromStdString(address), QString::fromStdString(path), search.page);
        if (!searchUrl)
            throw std::runtime_error("no search address");
        const HttpRequest request{*searchUrl, search.method, search.headers, search.body, {}, {}, nullptr};
        Clock::time_point prompted;
        bench.boxes.whileShown = [&] {
            if (prompted == Clock::time_point{})
                prompted = Clock::now();
        };
        for (int r = -1; r < reps; ++r) {
            const double curl =
                run({"curl", "-s", "-o", "/dev/null", "-w", "%{time_total}", "-X", "POST", "-d", searchForm, url})
                    .at(0);
            auto start = Clock::now();
            kept = fetch(transfer, events, request).body.size();
            const double alone = secondsSince(start);
            prompted = {};
            bench.boxes.shown.clear();
            bench.boxes.answers = {Answer::Cancel};
            start = Clock::now();
            bench.search();
            if (bench.boxes.shown.size() != 1 || !bench.boxes.shown.first().startsWith(u"101\tTrack 1\t"_s))
                throw std::runtime_error("the first hit was not offered");
            if (r >= 0)
                std::printf("%.6f %.6f %.6f\n", curl, alone, std::chrono::duration<double>(prompted - start).count());
        }
    } else if (mode == "transfer") {
        // Per round, wall time, CPU time and page faults of: blocking-socket reads that keep the answer each way;
        // the transfer to the end of the answer.
        const int port = std::stoi(address.substr(address.find(':') + 1));
        const size_t expected = std::stoull(argv[5]);
        QtEventDelivery events;
        NetworkModule transfer;
        HttpRequest request;
        request.url = QUrl(QString::fromStdString(url));
        for (int r = -1; r < reps; ++r) {
            const auto timed = [r](auto&& work) {
                const Usage before = usage();
                const auto start = Clock::now();
                work();
                const double wall = secondsSince(start);
                const Usage after = usage();
                if (r >= 0)
                    std::printf("%.6f %.6f %.0f ", wall, after.cpu - before.cpu, after.faults - before.faults);
            };
            timed([&] {
                if (blockingGet(port, path + "search.asp") < expected)
                    throw std::runtime_error("short answer");
            });
            for (const Keep keep : {Keep::Whole, Keep::WholeInHugePages}) {
                timed([&] {
                    if (blockingGet(port, path + "search.asp", keep, expected + 64 * KiB) < expected)
                        throw std::runtime_error("short answer");
                });
            }
            timed([&] {
                const HttpAnswer answer = fetch(transfer, events, request);
                if (answer.error || static_cast<size_t>(answer.body.size()) != expected)
                    throw std::runtime_error("the transfer did not read the whole answer");
            });
            if (r >= 0)
                std::printf("\n");
        }
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

std::string readFile(const std::string& name)
{
    std::ifstream file(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// What runs of one program cost, as measure.cpp reports each.
struct Costs
{
    std::vector<double> wall, cpu, peakKiB, faults;
};

// Runs programs through measure.cpp, all alike.
struct Measurer
{
    // Runs the program and adds its costs when they count; returns when it was started, in monotonic nanoseconds.
    // The program's standard output is left in `output`.
    double run(const std::vector<std::string>& args, Costs* costs = nullptr) const
    {
        std::vector<std::string> command{program, output};
        command.insert(command.end(), args.begin(), args.end());
        const std::vector<double> numbers = ::run(command);
        if (numbers.size() != 6 || numbers[5] != 0)
            throw std::runtime_error(args.at(0) + " failed");
        if (costs) {
            costs->wall.push_back(numbers[1]);
            costs->cpu.push_back(numbers[2]);
            costs->peakKiB.push_back(numbers[3]);
            costs->faults.push_back(numbers[4]);
        }
        return numbers[0];
    }

    std::string program, output;
};

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

std::string timeText(Stat time)
{
    const bool small = time.min < 0.01;
    return format(small ? "%.2f ms" : "%.1f ms", time.median * 1e3) +
           format(small ? " (min %.2f)" : " (min %.1f)", time.min * 1e3);
}

// Wall time, with the CPU time that went with it (medians).
std::string costText(Stat wall, Stat cpu)
{
    return timeText(wall) + format(cpu.median < 0.01 ? ", CPU %.2f ms" : ", CPU %.1f ms", cpu.median * 1e3);
}

// A process's wall and CPU time, with its page faults.
std::string costText(const Costs& costs)
{
    return costText(stat(costs.wall), stat(costs.cpu)) + format(", %.0f page faults", stat(costs.faults).median);
}

// A row comparing times; the goal, when there is one, applies to the ratio of the medians.
Row timeRow(const std::string& measure, const std::string& result, Stat time, const std::string& baseline, Stat base,
            double goal = 0)
{
    const double ratio = time.median / base.median;
    return {measure,
            result,
            baseline,
            format("%.2f×", ratio) + format(" (min %.2f×)", time.min / base.min),
            goal ? format("≤ %.2f×", goal) : "–",
            goal ? ratio <= goal : -1};
}

// Time per pass of each piece of work, the pieces taking turns round by round.
template <typename... Work>
std::vector<Stat> interleaved(int reps, int inner, Work&&... work)
{
    std::vector<std::vector<double>> samples(sizeof...(Work));
    const auto timed = [&](auto& piece, size_t n, bool counted) {
        const auto start = Clock::now();
        for (int i = 0; i < inner; ++i)
            piece();
        if (counted)
            samples[n].push_back(secondsSince(start) / inner);
    };
    for (int r = -1; r < reps; ++r) {
        size_t n = 0;
        (timed(work, n++, r >= 0), ...);
    }
    std::vector<Stat> stats;
    for (const std::vector<double>& values : samples)
        stats.push_back(stat(values));
    return stats;
}

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

// Five sites that each answer only after a pause, all asked by one search, against a search of one of them.
Row slowSitesRow(const Settings& settings, const Measurer& measurer, const std::string& temp)
{
    const std::string page = resultPage(3, 0, 0);
    const auto pause = std::chrono::duration<double>(settings.slowSeconds);
    std::vector<std::unique_ptr<LoopbackSite>> sites;
    std::string records;
    for (int n = 1; n <= 5; ++n) {
        sites.push_back(std::make_unique<LoopbackSite>());
        sites.back()->setHandler([&](const httplib::Request&, httplib::Response& response) {
            std::this_thread::sleep_for(pause);
            response.set_content(page, "text/html");
        });
        records += "[Site" + std::to_string(n) + "]\nName=Slow " + std::to_string(n) +
                   "\nAddr=" + sites.back()->address().toStdString() + "\nPath=/slow/\n";
    }
    const std::string config = temp + "/slow.conf";
    std::ofstream(config) << records;
    const auto searchOf = [&](const std::vector<std::string>& only, size_t siteCount, Costs* costs) {
        std::vector<std::string> args{TUNEDROP_BENCH_PROGRAM, "search", "--json", "--config", config};
        args.insert(args.end(), only.begin(), only.end());
        args.push_back(keywords.toStdString());
        measurer.run(args, costs);
        const std::string output = readFile(measurer.output);
        if (occurrences(output, "\"outcome\":\"answered\"") != siteCount ||
            occurrences(output, "\"hits\":3") != siteCount)
            throw std::runtime_error("the search of the slow sites did not list every hit: " + output);
    };
    Costs all, one;
    for (int r = -1; r < settings.slowReps; ++r) {
        searchOf({}, 5, r >= 0 ? &all : nullptr);
        searchOf({"--site", "1"}, 1, r >= 0 ? &one : nullptr);
    }
    return timeRow("Search of five sites that each answer after " + format("%.0f ms", pause.count() * 1e3) +
                       ", 3 hits each (`tunedrop search`)",
                   costText(stat(all.wall), stat(all.cpu)), stat(all.wall),
                   "one of them (`--site 1`): " + costText(stat(one.wall), stat(one.cpu)), stat(one.wall), 1.2);
}

void printTable(const char* title, const std::vector<Row>& rows)
{
    std::printf("## %s\n\n| Measure | Result | Baseline | Ratio | Goal | Met |\n|---|---|---|---|---|---|\n", title);
    for (const Row& row : rows) {
        const char* met = row.met < 0 ? "–" : row.met ? "yes" : "**no**";
        std::printf("| %s | %s | %s | %s | %s | %s |\n", row.measure.c_str(), row.result.c_str(), row.baseline.c_str(),
                    row.ratio.c_str(), row.goal.c_str(), met);
    }
}

// What the start-up programs took, each kind of run under its own key.
struct StartUp
{
    std::map<std::string, std::vector<double>> shown;
    std::map<std::string, Costs> costs;
    std::vector<double> iconSet, moduleLoad;
};

StartUp startUp(const Settings& settings, const Measurer& measurer, const std::string& dir)
{
    // The program to run, and what it is asked to do after its first frame.
    struct StartRun
    {
        std::string program, then;
    };
    // "launch" is the command line's own start, which becomes the program's window in the same process.
    const std::vector<StartRun> runs{{"app", ""},     {"label", ""},      {"icon", ""},
                                     {"app", "icon"}, {"app", "network"}, {"launch", ""}};
    StartUp result;
    for (int r = -1; r < settings.reps; ++r) {
        for (const StartRun& start : runs) {
            const std::string key = start.program + start.then;
            Costs* costs = r >= 0 ? &result.costs[key] : nullptr;
            std::vector<std::string> args{dir + "tunedrop_bench_start_" + start.program};
            if (!start.then.empty())
                args.push_back(start.then);
            const double started = measurer.run(args, costs);
            const std::vector<double> times = numbersIn(readFile(measurer.output));
            if (times.size() != (start.then.empty() ? 1 : 2))
                throw std::runtime_error("start-up of " + key + " printed no time");
            if (!costs)
                continue;
            result.shown[key].push_back((times[0] - started) / 1e9);
            if (start.then == "icon")
                result.iconSet.push_back((times[1] - started) / 1e9);
            else if (start.then == "network")
                result.moduleLoad.push_back(times[1] / 1e9);
        }
    }
    return result;
}

void addStartRows(const StartUp& startUp, const std::string& platform, std::vector<Row>& goals,
                  std::vector<Row>& details)
{
    const auto shown = [&](const std::string& key) { return stat(startUp.shown.at(key)); };
    const auto text = [&](const std::string& key) {
        return timeText(shown(key)) + format(", CPU %.1f ms", stat(startUp.costs.at(key).cpu).median * 1e3);
    };
    goals.push_back(timeRow("Start-up: process start to the main window's first frame (" + platform + ")", text("app"),
                            shown("app"), "window with one label, same font: " + text("label"), shown("label"), 1.10));
    details.push_back(timeRow("Start-up through `tunedrop`, which becomes the window program (" + platform + ")",
                              text("launch"), shown("launch"), "the window program started itself: " + text("app"),
                              shown("app")));
    details.push_back(
        timeRow("Start-up of the window with one label, the program's icon set before it is shown (" + platform + ")",
                text("icon"), shown("icon"), "without the icon: " + text("label"), shown("label")));
    details.push_back(timeRow("Start-up of the main window to its icon set, after the first frame (" + platform + ")",
                              timeText(stat(startUp.iconSet)), stat(startUp.iconSet),
                              "to the first frame, same runs: " + timeText(shown("appicon")), shown("appicon")));
}

int driver(const Settings& settings)
{
    const std::string dir = ownDirectory();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The programs read and create settings files, so they get a folder of their own, removed also after a failure.
    char tempDir[] = "/tmp/tunedrop-bench-XXXXXX";
    if (!mkdtemp(tempDir))
        throw std::runtime_error("no temporary folder");
    const std::string temp = tempDir;
    const std::unique_ptr<const std::string, void (*)(const std::string*)> removed(
        &temp, [](const std::string* folder) { std::filesystem::remove_all(*folder); });
    setenv("XDG_CONFIG_HOME", tempDir, 1);
    setenv("XDG_RUNTIME_DIR", tempDir, 1);

    const size_t big = settings.bigPage;
    const std::map<std::string, std::string> pages{{"/wait/", "<HTML>no hits</HTML>"},
                                                   {"/empty/", plainPage(27)},
                                                   {"/norows/", plainPage(big)},
                                                   {"/full/", fullPage(settings.promptPage)},
                                                   {"/hits/", resultPage(5, 0, big)}};
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
    const Measurer measurer{dir + "tunedrop_bench_measure", temp + "/output"};
    // The goals, then the figures that explain them.
    std::vector<Row> goals, details;

    // The search as a user runs it from a shell, against curl: both processes, spawned and timed alike.
    std::fprintf(stderr, "searching from the command line...\n");
    // Site 1 serves the big page, site 2 an almost empty one, site 3 a full result page. The file is where the user's
    // own settings live, and is named with --config as well, so the search reads it either way.
    const std::string config = temp + "/Tunedrop/Tunedrop.conf";
    std::filesystem::create_directories(temp + "/Tunedrop");
    std::ofstream(config) << "[Site1]\nName=Big\nAddr=" << address
                          << "\nPath=/norows/\n[Site2]\nName=Empty\nAddr=" << address
                          << "\nPath=/empty/\n[Site3]\nName=Full\nAddr=" << address << "\nPath=/full/\n";
    const auto searchOf = [&](const std::string& site, Costs* costs) {
        measurer.run(
            {TUNEDROP_BENCH_PROGRAM, "search", "--json", "--config", config, "--site", site, keywords.toStdString()},
            costs);
        // Answered and read to the end: an answer cut short, or over the size limit, reports the site as failed.
        const std::string summary = readFile(measurer.output);
        if (summary.find("\"outcome\":\"answered\"") == std::string::npos ||
            summary.find("\"hits\":0") == std::string::npos)
            throw std::runtime_error("the command-line search did not read the page: " + summary);
    };
    const auto curlOf = [&](const std::string& path, Costs* costs) {
        measurer.run({"curl", "-s", "-o", "/dev/null", "-X", "POST", "-d", searchForm,
                      "http://" + address + path + "search.asp"},
                     costs);
    };
    Costs search, curl, emptySearch, emptyCurl;
    for (int r = -1; r < settings.reps; ++r) {
        const bool counted = r >= 0;
        curlOf("/norows/", counted ? &curl : nullptr);
        searchOf("1", counted ? &search : nullptr);
        curlOf("/empty/", counted ? &emptyCurl : nullptr);
        searchOf("2", counted ? &emptySearch : nullptr);
    }
    goals.push_back(timeRow("Search of a " + sizeText(big) + " page without rows (`tunedrop search`)", costText(search),
                            stat(search.wall), "`curl`: " + costText(curl), stat(curl.wall), 1.5));
    const Stat faults = stat(search.faults);
    goals.push_back({"Minor page faults of that search",
                     format("%.0f", faults.median) + format(" (min %.0f)", faults.min),
                     format("`curl`: %.0f", stat(curl.faults).median),
                     format("%.1f×", faults.median / stat(curl.faults).median), "≤ 1,000", faults.median <= 1000});

    // The big search's peak above the same search of the almost empty page, round by round.
    std::vector<double> extra;
    for (size_t n = 0; n < search.peakKiB.size(); ++n)
        extra.push_back((search.peakKiB[n] - emptySearch.peakKiB[n]) * KiB);
    const Stat added = stat(extra);
    const double pageSize = static_cast<double>(big);
    goals.push_back({"Peak memory of that search above the search of an almost empty page",
                     format("%+.1f MiB", added.median / MiB) + format(" (min %+.1f)", added.min / MiB),
                     format("%.1f MiB page; ", pageSize / MiB) +
                         format("peaks %.1f MiB and ", stat(search.peakKiB).median / KiB) +
                         format("%.1f MiB", stat(emptySearch.peakKiB).median / KiB),
                     format("%.2f×", added.median / pageSize) + format(" (min %.2f×)", added.min / pageSize), "≤ 0.10×",
                     added.median / pageSize <= 0.1});
    goals.push_back(timeRow(
        "Search of an almost empty page (" + sizeText(pages.at("/empty/").size()) + ", `tunedrop search`)",
        costText(emptySearch), stat(emptySearch.wall), "`curl`: " + costText(emptyCurl), stat(emptyCurl.wall), 1.5));

    // The first hit line of a full result page, as a script reading the command line gets it, against curl fetching
    // the same page; both from their spawn, with curl's own time_total beside it.
    std::fprintf(stderr, "first hit line...\n");
    Costs fullCurl;
    std::vector<double> firstLines, curlTotals;
    for (int r = -1; r < settings.reps; ++r) {
        const bool counted = r >= 0;
        measurer.run({"curl", "-s", "-o", "/dev/null", "-w", "%{time_total}", "-X", "POST", "-d", searchForm,
                      "http://" + address + "/full/search.asp"},
                     counted ? &fullCurl : nullptr);
        const double total = numbersIn(readFile(measurer.output)).at(0);
        std::string line;
        const double first = untilFirstLine(
            {TUNEDROP_BENCH_PROGRAM, "search", "--config", config, "--site", "3", keywords.toStdString()}, line);
        if (line.rfind("3\t101\tTrack 1\t", 0) != 0)
            throw std::runtime_error("the command line's first hit line was " + line);
        if (counted) {
            firstLines.push_back(first);
            curlTotals.push_back(total);
        }
    }
    const Stat firstLine = stat(firstLines), fullCurlWall = stat(fullCurl.wall);
    goals.push_back(timeRow("Command line, spawn to the first hit line, 51 hits in " +
                                sizeText(pages.at("/full/").size()) + " (`tunedrop search`)",
                            timeText(firstLine), firstLine,
                            "`curl` for the same page, spawn to exit: " + timeText(fullCurlWall) + "; its time_total " +
                                timeText(stat(curlTotals)),
                            fullCurlWall, 2.0));

    std::fprintf(stderr, "start-up...\n");
    const StartUp offscreen = startUp(settings, measurer, dir);
    addStartRows(offscreen, "offscreen", goals, details);
    details.push_back({"Loading the network module at the first search (libcurl and TLS set up)",
                       timeText(stat(offscreen.moduleLoad)), "–", "–", "–", -1});
    // On X11 the window manager is handed the icon, rendered, and the window is drawn by a server on the same cores.
    if (const char* display = std::getenv("TUNEDROP_BENCH_X_DISPLAY")) {
        std::fprintf(stderr, "start-up on X11...\n");
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("DISPLAY", display, 1);
        addStartRows(startUp(settings, measurer, dir), "X11, Xvfb", goals, details);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    std::fprintf(stderr, "first prompt...\n");
    const std::vector<double> prompt = run({self, "prompt", address, "/full/", std::to_string(settings.reps)});
    const Stat curlTotal = stat(column(prompt, 3, 0)), alone = stat(column(prompt, 3, 1)),
               firstPrompt = stat(column(prompt, 3, 2));
    const std::string fullSize = sizeText(pages.at("/full/").size());
    goals.push_back(timeRow("Search to the first prompt, 51 hits in " + fullSize + " (window)", timeText(firstPrompt),
                            firstPrompt, "`curl` time_total: " + timeText(curlTotal), curlTotal, 2.5));
    details.push_back(timeRow("Transfer of that page alone (libcurl module, to the end)", timeText(alone), alone,
                              "`curl` time_total: " + timeText(curlTotal), curlTotal));

    std::fprintf(stderr, "waiting...\n");
    const std::vector<double> wait = run({self, "wait", address, "/wait/", std::to_string(settings.waitReps)});
    std::vector<double> share;
    for (size_t n = 0; n + 1 < wait.size(); n += 2)
        share.push_back(wait[n] / wait[n + 1]);
    const Stat waitShare = stat(share), waitCpu = stat(column(wait, 2, 0)), waitWall = stat(column(wait, 2, 1));
    goals.push_back(
        {"CPU while the site is silent " + format("%.1f s", settings.waitSeconds) + " (window)",
         format("%.1f ms CPU", waitCpu.median * 1e3) + format(" (min %.1f)", waitCpu.min * 1e3),
         format("%.2f s wall", waitWall.median),
         format("%.3f %% of a core", 100 * waitShare.median) + format(" (min %.3f %%)", 100 * waitShare.min), "< 0.5 %",
         waitShare.median < 0.005});

    std::fprintf(stderr, "five slow sites...\n");
    goals.push_back(slowSitesRow(settings, measurer, temp));

    std::fprintf(stderr, "scanning...\n");
    const QByteArray hitsBody = QByteArray::fromStdString(pages.at("/hits/"));
    const std::string_view hitsBytes(hitsBody.constData(), static_cast<size_t>(hitsBody.size()));
    if (scanRows(hitsBody) != 5 || !Page(hitsBody, {}).charset().keepsAscii() ||
        countMarkers(hitsBytes) != qtMarkers(hitsBody))
        throw std::runtime_error("the scan found the wrong hits");
    // A small page (a smoke run's) is passed over many times, so that each sample is long enough to time.
    const int inner = static_cast<int>(std::max<size_t>(1, 32 * MiB / big));
    const std::vector<Stat> scan = interleaved(
        settings.reps, inner, [&] { kept = countMarkers(hitsBytes); }, [&] { kept = scanRows(hitsBody); },
        [&] { kept = qtMarkers(hitsBody); }, [&] { kept = Page(hitsBody, {}).isEmpty(); });
    const std::string findPass = "one find pass (std::string_view::find): ";
    details.push_back(timeRow("Scanning a " + sizeText(big) +
                                  " page, 5 hits then text (ResultScan over the bytes, with the UTF-8 check)",
                              timeText(scan[1]), scan[1], findPass + timeText(scan[0]), scan[0], 1.5));
    details.push_back(timeRow("One find pass with QByteArrayView::indexOf, which the scan used before",
                              timeText(scan[2]), scan[2], findPass + timeText(scan[0]), scan[0]));
    details.push_back(timeRow("Page from the " + sizeText(big) + " body (its charset: the UTF-8 check)",
                              timeText(scan[3]), scan[3], findPass + timeText(scan[0]), scan[0]));

    std::fprintf(stderr, "transfer...\n");
    const std::vector<double> parts = run({self, "transfer", address, "/norows/", std::to_string(settings.reps),
                                           std::to_string(pages.at("/norows/").size())});
    const auto partWall = [&](size_t n) { return stat(column(parts, 12, 3 * n)); };
    const auto partText = [&](size_t n) {
        return costText(partWall(n), stat(column(parts, 12, 3 * n + 1))) +
               format(", %.0f page faults", stat(column(parts, 12, 3 * n + 2)).median);
    };
    const std::string smallBuffer = "blocking socket, one 64 KiB buffer: ";
    details.push_back(timeRow(
        "Transfer of the " + sizeText(big) + " page alone (libcurl module, to the end)", partText(3), partWall(3),
        "blocking socket, one buffer for the whole answer in huge pages: " + partText(2), partWall(2)));
    details.push_back(timeRow("Blocking socket, one buffer for the whole " + sizeText(big) + " answer", partText(1),
                              partWall(1), smallBuffer + partText(0), partWall(0)));
    details.push_back(timeRow("Blocking socket, one buffer for the whole " + sizeText(big) + " answer, in huge pages",
                              partText(2), partWall(2), smallBuffer + partText(0), partWall(0)));

    printTable("Goals", goals);
    std::printf("\n");
    printTable("Details", details);
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
            settings = {0.2, 0.05, 256 * KiB, 150 * KiB, 1, 1, 1};
        return driver(settings);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tunedrop_bench: %s\n", failure.what());
        return 1;
    }
}
