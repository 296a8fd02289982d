// Times the program's start from outside: the program and the bare Qt window of bare_window.cpp
// are each started as a new process, again and again, on an empty book and on one of 32,767
// contacts, and timed from the start of the process to its first painted frame, reported by
// the preloaded first_frame library, which then ends the process. The starts take turns, so
// that whatever else the machine does falls on all of them alike. Prints the medians side by
// side and as multiples of the bare window's.
//
// ZARVOTH_BENCH_STARTS  starts of each program on each book (default 21)
// ZARVOTH_BENCH_ALSO    further builds of the program to start beside this one, for a before
//                       and after in one run: paths separated by ":"
// QT_QPA_PLATFORM       where the windows are shown (default offscreen; xcb under Xvfb)
#include "address_book.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t seed = 20261208;
constexpr int largest = 32767;
constexpr int patienceMs = 30000;

[[noreturn]] void giveUp(const std::string& why)
{
    std::fprintf(stderr, "start_bench: %s\n", why.c_str());
    std::exit(1);
}

long long monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Start {
    double toFrameMs = 0; // on the wall clock, from before the process was made
    double cpuMs = 0;     // the process's processor time, every thread, until then
};

// Waits for the line the preloaded library writes at the first frame, or for the end.
std::string frameReport(int fd)
{
    std::string text;
    char buffer[64];
    for (;;) {
        pollfd wanted{fd, POLLIN, 0};
        if (::poll(&wanted, 1, patienceMs) <= 0)
            return {};
        const auto n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return text;
        text.append(buffer, std::size_t(n));
    }
}

[[noreturn]] void becomeProgram(const std::string& program, const std::string& folder, int fd)
{
    const int nothing = ::open("/dev/null", O_RDWR);
    if (::chdir(folder.c_str()) != 0 || nothing < 0)
        ::_exit(126);
    ::dup2(nothing, STDIN_FILENO);
    ::dup2(nothing, STDOUT_FILENO);
    ::dup2(nothing, STDERR_FILENO);
    ::setenv("ZARVOTH_FIRST_FRAME_FD", std::to_string(fd).c_str(), 1);
    ::setenv("LD_PRELOAD", FIRST_FRAME_LIBRARY, 1);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
}

Start startOnce(const std::string& program, const std::string& folder)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        giveUp("cannot make a pipe");
    const long long before = monotonicNs();
    const pid_t child = ::fork();
    if (child < 0)
        giveUp("cannot start a process");
    if (child == 0) {
        const int fd = ::dup(pipeEnds[1]); // the copy outlives the exec
        becomeProgram(program, folder, fd);
    }
    ::close(pipeEnds[1]);
    const std::string report = frameReport(pipeEnds[0]);
    ::close(pipeEnds[0]);
    if (report.empty())
        ::kill(child, SIGKILL);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (report.empty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        giveUp(program + " in " + folder + " showed no frame (exit status " +
               std::to_string(status) + ")");
    const auto cpuMs = [](const timeval& t) { return double(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
    return {double(std::stoll(report) - before) / 1e6,
            cpuMs(usage.ru_utime) + cpuMs(usage.ru_stime)};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Program {
    std::string label;
    std::string path;
    std::vector<Start> starts[2]; // on the empty book, on the largest
};

std::vector<Program> programsToStart()
{
    std::vector<Program> programs{{"bare Qt window", BARE_WINDOW_PROGRAM, {}},
                                  {"Zarvoth", ZARVOTH_PROGRAM, {}}};
    const char* const also = std::getenv("ZARVOTH_BENCH_ALSO");
    std::string rest = also ? also : "";
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(':'), rest.size());
        const std::string path = rest.substr(0, end);
        rest.erase(0, std::min(end + 1, rest.size()));
        if (path.empty())
            continue;
        if (::access(path.c_str(), X_OK) != 0)
            giveUp("ZARVOTH_BENCH_ALSO: cannot start " + path);
        programs.push_back({"Zarvoth at " + path, path, {}});
    }
    return programs;
}

// Two scratch folders: one whose data file is empty, one with the largest book.
struct Books {
    Books()
    {
        char pattern[] = "/tmp/zarvoth-start-XXXXXX";
        if (!::mkdtemp(pattern))
            giveUp("cannot make a scratch folder");
        root = pattern;
        folders[0] = root / "empty";
        folders[1] = root / "largest";
        for (const auto& folder : folders)
            std::filesystem::create_directory(folder);
        writeFileSynced(folders[0] / "datphone", "");
        writeFileSynced(folders[1] / "datphone", dataFileBytes(generateAddressBook(largest, seed)));
    }
    ~Books() { std::filesystem::remove_all(root); }
    Books(const Books&) = delete;
    Books& operator=(const Books&) = delete;

    std::filesystem::path root;
    std::filesystem::path folders[2];
};

void printTable(const std::vector<Program>& programs, int starts, const char* platform)
{
    std::printf("\nStart to the first painted frame, %d starts of each on the %s platform: median "
                "milliseconds on the wall clock (as a multiple of the bare window's), and the "
                "median processor time of the process.\n\n"
                "| program | empty book | %d contacts |\n|---|---|---|\n",
                starts, platform, largest);
    double bare[2];
    for (int book = 0; book < 2; ++book) {
        std::vector<double> walls;
        for (const Start& start : programs[0].starts[book])
            walls.push_back(start.toFrameMs);
        bare[book] = median(walls);
    }
    for (const Program& program : programs) {
        std::printf("| %s |", program.label.c_str());
        for (int book = 0; book < 2; ++book) {
            std::vector<double> walls;
            std::vector<double> cpus;
            for (const Start& start : program.starts[book]) {
                walls.push_back(start.toFrameMs);
                cpus.push_back(start.cpuMs);
            }
            std::printf(" %.1f ms (%.3fx) cpu %.1f ms |", median(walls), median(walls) / bare[book],
                        median(cpus));
        }
        std::printf("\n");
    }
}

} // namespace

int main()
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int starts = std::getenv("ZARVOTH_BENCH_STARTS")
                           ? std::max(1, std::atoi(std::getenv("ZARVOTH_BENCH_STARTS")))
                           : 21;
    std::vector<Program> programs = programsToStart();
    const Books books;
    std::fprintf(stderr, "starting %zu programs %d times on each book...\n", programs.size(),
                 starts);
    // One start of each program before the timed ones, so that every library they load is in
    // memory: a cold disk would time the disk.
    for (Program& program : programs)
        startOnce(program.path, books.folders[1]);
    for (int round = 0; round < starts; ++round) {
        for (int book = 0; book < 2; ++book) {
            for (std::size_t i = 0; i < programs.size(); ++i) {
                // Each round begins with another program, so none is always first after a pause.
                Program& program = programs[(i + std::size_t(round)) % programs.size()];
                program.starts[book].push_back(startOnce(program.path, books.folders[book]));
            }
        }
    }
    printTable(programs, starts, std::getenv("QT_QPA_PLATFORM"));
    return 0;
}
