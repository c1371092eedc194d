// The lmhost command: options in, report out, exit status back.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "CommandLineOptions.h"
#include "Scenario.h"

class LmhostCommand {
public:
    static constexpr int kPassed = 0;
    // An expectation failed or the host contract was violated.
    static constexpr int kFailed = 1;
    // The options, the scenario or the plug-in could not be used.
    static constexpr int kCannotRun = 2;

    // program is argv[0]; arguments are the rest.
    static int run(const std::string& program, const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err);

private:
    static int runScenario(const CommandLineOptions& options, const std::string& plugin, const Scenario& scenario,
                           std::ostream& out, std::ostream& err);
    // Throws std::runtime_error saying why the file cannot be read.
    static std::string scenarioText(const std::string& path);
};
