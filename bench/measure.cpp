// Runs one program and prints what it cost: "start wall-seconds CPU-seconds peak-KiB page-faults exit-status", where
// start is the monotonic clock in nanoseconds just before the fork and the wall time runs from there to the program's
// exit. Its standard output goes to the file named first. Usage: measure OUTPUT PROGRAM ARGUMENT...
//
// The benchmark runs every timed program through this small process rather than spawning it itself: a program
// spawned straight from a large process (posix_spawn shares that process's memory until exec) is given that
// process's peak as its own in ru_maxrss, while one forked from a small process starts from almost nothing.

#include <chrono>
#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    const int output = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (output < 0) {
        std::perror(argv[1]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(output, STDOUT_FILENO);
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        std::perror(argv[2]);
        return 2;
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    std::printf(
        "%lld %.6f %.6f %ld %ld %d\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count()),
        wall, seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss, usage.ru_minflt,
        WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
