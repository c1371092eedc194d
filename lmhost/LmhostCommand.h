// The lmhost command: options in, report out, exit status back.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "CommandLineOptions.h"
#include "RunOutcome.h"
#include "ScenarioRunner.h"
#include "TranscriptRenderer.h"

class LmhostCommand {
public:
    static constexpr int kPassed = 0;
    // An expectation failed or the host contract was violated.
    static constexpr int kFailed = 1;
    // The options, the scenario or the plug-in could not be used.
    static constexpr int kCannotRun = 2;

    // program is argv[0]; arguments are the rest; `in` is read for the
    // scenario `-`.
    static int run(const std::string& program, const std::vector<std::string>& arguments, std::istream& in,
                   std::ostream& out, std::ostream& err);

private:
    using Drive = std::function<RunOutcome(ScenarioRunner&)>;

    static int runFile(const CommandLineOptions& options, const std::string& plugin, TranscriptRenderer& renderer);
    static int runTyped(const CommandLineOptions& options, const std::string& plugin, TranscriptRenderer& renderer,
                        std::istream& in, std::ostream& err);
    static RunOutcome runLinesAsTheyArrive(ScenarioRunner& runner, TranscriptRenderer& renderer, std::istream& in);
    // Loads the plug-in and lets `drive` run the scenario on it.
    static int runOnPlugin(const std::string& plugin, const std::string& scenario, TranscriptRenderer& renderer,
                           const Drive& drive);
    static std::unique_ptr<TranscriptRenderer> renderer(const CommandLineOptions& options, std::ostream& out,
                                                        std::ostream& err);
    static int refuseOptions(const std::vector<std::string>& arguments, const std::string& message,
                             std::ostream& out, std::ostream& err);
    // Throws std::runtime_error saying why the file cannot be read.
    static std::string scenarioText(const std::string& path);
};
