#pragma once

#include <functional>

struct Timing {
    double median = 0; // milliseconds of the clock on the wall
    double p95 = 0;
    // Milliseconds the program's thread ran on a processor, median: what the action costs
    // when other programs take turns on the machine's two cores, less the waits for the disk.
    double cpuMedian = 0;
};

// Runs prepare (not timed) then action (timed) `runs` times; the figures are in milliseconds.
Timing measure(int runs, const std::function<void()>& prepare, const std::function<void()>& action);

// Runs one timed action. Kept out of line so that a profiler can collect exactly the timed
// part: valgrind --tool=callgrind --collect-atstart=no --toggle-collect='timedAction*'.
void timedAction(const std::function<void()>& action);

// Delivers every event the window has pending, and those that delivering them brings, until
// a pass over the queue delivers nothing: what a user sees has then been laid out and painted.
void settle();

// The peak resident memory of this process so far, in kilobytes.
long peakResidentKilobytes();
