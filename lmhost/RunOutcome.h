// What a scenario run found.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct RunFailure {
    // The scenario line; 0 for lmhost's own steps (automatic Startup...).
    std::size_t line = 0;
    std::string message;
    // What was asked for and what came instead, each as a scenario line;
    // empty when the failure is not about one call.
    std::string expected;
    std::string actual;
};

struct RunOutcome {
    std::size_t steps = 0;
    std::size_t expectationsHeld = 0;
    std::vector<RunFailure> failures;
    std::vector<std::string> violations;
    // Malformed lines of a scenario typed on standard input, reported and
    // passed over; a file with one never runs.
    std::size_t skippedLines = 0;

    bool passed() const noexcept { return failures.empty() && violations.empty(); }
};
