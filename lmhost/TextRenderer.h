// The readable transcript: calls on one stream, failures on another.
#pragma once

#include <ostream>
#include <string>

#include "TranscriptRenderer.h"

// Failures read like a compiler's (`scenario.lmh:12: ...`) and go to the
// error stream, so they stay visible when the transcript is redirected.
// Quiet leaves out everything else.
class TextRenderer final : public TranscriptRenderer {
public:
    TextRenderer(std::ostream& out, std::ostream& err, bool quiet);

    void start(const std::string& scenario, const std::string& plugin) override;
    void step(std::size_t line, const std::string& source) override;
    void entry(const TranscriptEntry& entry) override;
    void failure(const RunFailure& failure) override;
    void violation(const std::string& message) override;
    void summary(const RunOutcome& outcome) override;
    void error(const std::string& scenario, std::size_t line, const std::string& message) override;

private:
    std::string location(std::size_t line) const;

    std::ostream& out;
    std::ostream& err;
    bool quiet;
    std::string scenario;
};
