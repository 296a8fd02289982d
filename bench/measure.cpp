#include "measure.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Counts every event delivered in the program, so that settle() knows when the queue is dry.
class EventCounter final : public QObject {
public:
    bool eventFilter(QObject*, QEvent*) override
    {
        ++delivered;
        return false;
    }
    unsigned long long delivered = 0;
};

double threadCpuMilliseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace

[[gnu::noinline]] void timedAction(const std::function<void()>& action)
{
    action();
}

Timing measure(int runs, const std::function<void()>& prepare, const std::function<void()>& action)
{
    std::vector<double> times;
    std::vector<double> cpuTimes;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        const double cpuStart = threadCpuMilliseconds();
        const auto start = std::chrono::steady_clock::now();
        timedAction(action);
        const auto end = std::chrono::steady_clock::now();
        cpuTimes.push_back(threadCpuMilliseconds() - cpuStart);
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    // The nearest-rank percentile: the smallest time that at least q of the runs stay within.
    const auto at = [&](double q) {
        const auto rank = static_cast<std::size_t>(std::ceil(q * double(times.size())));
        return times[std::clamp<std::size_t>(rank, 1, times.size()) - 1];
    };
    const double cpuMedian =
        cpuTimes[std::clamp<std::size_t>(std::size_t(std::ceil(0.5 * double(cpuTimes.size()))), 1,
                                         cpuTimes.size()) -
                 1];
    return {at(0.5), at(0.95), cpuMedian};
}

void settle()
{
    static EventCounter* const counter = [] {
        auto* filter = new EventCounter;
        QCoreApplication::instance()->installEventFilter(filter);
        return filter;
    }();
    // One pass delivers only the events that were queued when it began; a layout request
    // queues a repaint for the next. A blinking caret could keep the queue busy for ever,
    // hence the bound.
    for (int pass = 0; pass < 20; ++pass) {
        const auto before = counter->delivered;
        QCoreApplication::processEvents();
        if (counter->delivered == before)
            return;
    }
}

long peakResidentKilobytes()
{
    // VmHWM starts afresh with the program; getrusage's figure would include the parent's
    // memory at the fork that started it.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}
