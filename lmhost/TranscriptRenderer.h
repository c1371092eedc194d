// Where a run reports what happens, as it happens.
#pragma once

#include <cstddef>
#include <string>

#include "RunOutcome.h"
#include "TranscriptEntry.h"

class TranscriptRenderer {
public:
    virtual ~TranscriptRenderer() = default;

    virtual void start(const std::string& scenario, const std::string& plugin) = 0;
    // A scenario line about to run, or (line 0) one of lmhost's own steps.
    virtual void step(std::size_t line, const std::string& source) = 0;
    virtual void entry(const TranscriptEntry& entry) = 0;
    virtual void failure(const RunFailure& failure) = 0;
    virtual void violation(const std::string& message) = 0;
    virtual void summary(const RunOutcome& outcome) = 0;
    // Something that keeps the scenario, or one of its lines, from running:
    // at `scenario`:`line`, or lmhost's own when scenario is empty.
    virtual void error(const std::string& scenario, std::size_t line, const std::string& message) = 0;
};
