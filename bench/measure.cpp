#include "measure.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <string>

Timing measure(int runs, const std::function<void()>& prepare, const std::function<void()>& action)
{
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        const auto start = std::chrono::steady_clock::now();
        action();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        const auto index = static_cast<std::size_t>(std::ceil(q * double(times.size()))) - 1;
        return times[std::min(index, times.size() - 1)];
    };
    return {at(0.5), at(0.95)};
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
