#pragma once

#include <functional>
#include <string>
#include <vector>

struct Timing {
    double median = 0; // milliseconds
    double p95 = 0;
};

// Runs prepare (not timed) then action (timed) `runs` times; the figures are in milliseconds.
Timing measure(int runs, const std::function<void()>& prepare, const std::function<void()>& action);

// The peak resident memory of this process so far, in kilobytes.
long peakResidentKilobytes();
