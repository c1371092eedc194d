// The transcript for tools: one JSON object per line.
#pragma once

#include <ostream>
#include <string>

#include "TranscriptRenderer.h"

// Every line has "record": start, step, call, failure, violation, summary or
// error.
// Texts are byte strings: a byte above 0x7F is written as the code point of
// the same number (\u0080 to \u00ff), so every text reads back byte for byte.
// Quiet keeps only the failure and violation records.
class JsonLinesRenderer final : public TranscriptRenderer {
public:
    JsonLinesRenderer(std::ostream& out, bool quiet);

    void start(const std::string& scenario, const std::string& plugin) override;
    void step(std::size_t line, const std::string& source) override;
    void entry(const TranscriptEntry& entry) override;
    void failure(const RunFailure& failure) override;
    void violation(const std::string& message) override;
    void summary(const RunOutcome& outcome) override;
    void error(const std::string& scenario, std::size_t line, const std::string& message) override;

    static std::string quoted(const std::string& text);

private:
    void write(const std::string& object);

    std::ostream& out;
    bool quiet;
};
