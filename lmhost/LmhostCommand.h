// The lmhost command: options in, report out, exit status back.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

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

    // What lmhost was asked to do.
    struct Options {
        std::optional<std::string> plugin;
        // Without one, the built-in demo runs; `-` reads it from standard input.
        std::optional<std::string> scenario;
        bool json = false;
        bool quiet = false;
        bool help = false;

        bool readsStandardInput() const noexcept { return scenario == std::string("-"); }

        // Throws std::invalid_argument with a message for the user.
        static Options parse(const std::vector<std::string>& arguments);
        static const char* usage() noexcept;
    };

    // program is argv[0]; arguments are the rest; `in` is read for the
    // scenario `-`.
    static int run(const std::string& program, const std::vector<std::string>& arguments, std::istream& in,
                   std::ostream& out, std::ostream& err);

    // The plug-in given on the command line, made absolute against the
    // current folder as the user means it (the system loader would search
    // its library path for a bare file name), or else pluginBesideLmhost.
    static std::string pluginPath(const std::optional<std::string>& given, const std::string& program);
    // The platform's plug-in file in the folder of the running lmhost, which
    // the build puts beside it: Quayline.so, or Quayline.qvl on Windows.
    // program is argv[0], used where the system cannot tell the
    // executable's own path.
    static std::string pluginBesideLmhost(const std::string& program);

private:
    using Drive = std::function<RunOutcome(ScenarioRunner&)>;

    static int runFile(const Options& options, const std::string& plugin, TranscriptRenderer& renderer);
    static int runTyped(const Options& options, const std::string& plugin, TranscriptRenderer& renderer,
                        std::istream& in, std::ostream& err);
    static RunOutcome runLinesAsTheyArrive(ScenarioRunner& runner, TranscriptRenderer& renderer, std::istream& in);
    // Loads the plug-in and lets `drive` run the scenario on it.
    static int runOnPlugin(const std::string& plugin, const std::string& scenario, TranscriptRenderer& renderer,
                           const Drive& drive);
    static std::unique_ptr<TranscriptRenderer> renderer(const Options& options, std::ostream& out,
                                                        std::ostream& err);
    static int refuseOptions(const std::vector<std::string>& arguments, const std::string& message,
                             std::ostream& out, std::ostream& err);
    // Throws std::runtime_error saying why the file cannot be read.
    static std::string scenarioText(const std::string& path);
    static std::string executablePath(const std::string& program);
};
