#pragma once

#include <functional>

struct Timing {
    double median = 0; // milliseconds
    double p95 = 0;
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
