#include "TextRenderer.h"

#include <iomanip>

namespace {

std::string counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

TextRenderer::TextRenderer(std::ostream& out, std::ostream& err, bool quiet)
    : out(out), err(err), quiet(quiet) {}

std::string TextRenderer::location(std::size_t line) const {
    return line == 0 ? scenario : scenario + ":" + std::to_string(line);
}

void TextRenderer::start(const std::string& scenarioName, const std::string& plugin) {
    scenario = scenarioName;
    if (!quiet) {
        out << "lmhost: scenario " << scenario << ", plug-in " << plugin << "\n";
    }
}

void TextRenderer::step(std::size_t line, const std::string& source) {
    if (quiet) {
        return;
    }
    if (line == 0) {
        out << "-- " << source << "\n";
    } else {
        out << location(line) << "  " << source << "\n";
    }
    out.flush();
}

void TextRenderer::entry(const TranscriptEntry& entry) {
    if (!quiet) {
        out << "   " << std::left << std::setw(10) << entry.actorName()
            << entry.text() << "\n";
        // Someone may be watching a scenario typed line by line.
        out.flush();
    }
}

void TextRenderer::failure(const RunFailure& failure) {
    out.flush();
    err << location(failure.line) << ": " << failure.message << "\n";
    if (!failure.expected.empty()) {
        err << "  expected: " << failure.expected << "\n";
        err << "  actual:   " << failure.actual << "\n";
    }
    err.flush();
}

void TextRenderer::violation(const std::string& message) {
    out.flush();
    err << "lmhost: host contract violated: " << message << "\n";
    err.flush();
}

void TextRenderer::summary(const RunOutcome& outcome) {
    if (quiet) {
        return;
    }
    const std::string run = counted(outcome.steps, "step", "steps") + ", " +
                            counted(outcome.expectationsHeld, "expectation", "expectations") + " held";
    const std::string skipped =
        outcome.skippedLines == 0 ? "" : "; " + counted(outcome.skippedLines, "malformed line", "malformed lines") + " skipped";
    if (outcome.passed()) {
        out << "lmhost: passed: " << run << ", host contract kept" << skipped << "\n";
    } else {
        out << "lmhost: FAILED: " << counted(outcome.failures.size(), "failure", "failures") << ", "
            << counted(outcome.violations.size(), "host contract violation", "host contract violations") << " ("
            << run << ")" << skipped << "\n";
    }
    out.flush();
}

void TextRenderer::error(const std::string& scenarioName, std::size_t line, const std::string& message) {
    out.flush();
    if (scenarioName.empty()) {
        err << "lmhost: " << message << "\n";
    } else {
        err << scenarioName << ":" << line << ": " << message << "\n";
    }
    err.flush();
}
