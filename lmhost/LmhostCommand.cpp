#include "LmhostCommand.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "DemoScenario.h"
#include "JsonLinesRenderer.h"
#include "PluginLocation.h"
#include "PluginModule.h"
#include "ScenarioError.h"
#include "ScenarioParser.h"
#include "TextRenderer.h"

namespace {

// How a scenario read from standard input is named in messages.
constexpr const char* kStandardInputName = "<stdin>";

}  // namespace

int LmhostCommand::run(const std::string& program, const std::vector<std::string>& arguments, std::istream& in,
                       std::ostream& out, std::ostream& err) {
    CommandLineOptions options;
    try {
        options = CommandLineOptions::parse(arguments);
    } catch (const std::invalid_argument& error) {
        return refuseOptions(arguments, error.what(), out, err);
    }
    if (options.help) {
        out << CommandLineOptions::usage();
        return kPassed;
    }
    const std::unique_ptr<TranscriptRenderer> report = renderer(options, out, err);
    const std::string plugin = PluginLocation::resolve(options.plugin, program);
    if (options.readsStandardInput()) {
        return runTyped(options, plugin, *report, in, err);
    }
    return runFile(options, plugin, *report);
}

int LmhostCommand::runFile(const CommandLineOptions& options, const std::string& plugin,
                           TranscriptRenderer& renderer) {
    const std::string name = options.scenario.value_or(DemoScenario::kName);
    Scenario scenario;
    try {
        scenario = ScenarioParser::parse(name, options.scenario ? scenarioText(name) : DemoScenario::text());
    } catch (const ScenarioError& error) {
        renderer.error(name, error.line(), error.what());
        return kCannotRun;
    } catch (const std::runtime_error& error) {
        renderer.error("", 0, error.what());
        return kCannotRun;
    }
    return runOnPlugin(plugin, name, renderer, [&scenario](ScenarioRunner& runner) { return runner.run(scenario); });
}

int LmhostCommand::runTyped(const CommandLineOptions& options, const std::string& plugin,
                            TranscriptRenderer& renderer, std::istream& in, std::ostream& err) {
    if (!options.json && !options.quiet) {
        err << "lmhost: reading scenario lines from standard input, each run as it arrives; end of input "
               "shuts the plug-in down\n";
    }
    return runOnPlugin(plugin, kStandardInputName, renderer, [&renderer, &in](ScenarioRunner& runner) {
        return runLinesAsTheyArrive(runner, renderer, in);
    });
}

// Someone typing makes mistakes: a malformed line is reported and skipped.
// The plug-in starts with the first command, so that `manual` can come first.
RunOutcome LmhostCommand::runLinesAsTheyArrive(ScenarioRunner& runner, TranscriptRenderer& renderer,
                                               std::istream& in) {
    ScenarioParser parser(kStandardInputName);
    bool begun = false;
    bool running = true;
    std::string line;
    for (std::size_t number = 1; running && std::getline(in, line); ++number) {
        std::optional<ScenarioCommand> command;
        try {
            command = parser.parseLine(line, number);
        } catch (const ScenarioError& error) {
            renderer.error(kStandardInputName, error.line(), error.what());
            runner.skipLine();
            continue;
        }
        if (!command) {
            continue;
        }
        if (!std::exchange(begun, true)) {
            runner.begin(parser.manual());
        }
        running = runner.step(*command);
    }
    if (!begun) {
        runner.begin(parser.manual());
    }
    return runner.end();
}

int LmhostCommand::runOnPlugin(const std::string& plugin, const std::string& scenario, TranscriptRenderer& renderer,
                               const Drive& drive) {
    PluginModule module(plugin);
    if (module.error().failed()) {
        renderer.error("", 0, module.error().message);
        return kCannotRun;
    }
    renderer.start(scenario, plugin);
    ScenarioRunner runner(module.entryPoint(), renderer);
    const RunOutcome outcome = drive(runner);
    // A host never unloads a plug-in it has not shut down.
    if (runner.pluginStillRunning()) {
        module.keepLoaded();
    }
    if (!outcome.passed()) {
        return kFailed;
    }
    return outcome.skippedLines == 0 ? kPassed : kCannotRun;
}

std::unique_ptr<TranscriptRenderer> LmhostCommand::renderer(const CommandLineOptions& options, std::ostream& out,
                                                            std::ostream& err) {
    if (options.json) {
        return std::make_unique<JsonLinesRenderer>(out, options.quiet);
    }
    return std::make_unique<TextRenderer>(out, err, options.quiet);
}

// Options that cannot be read still promised JSON if they asked for it.
int LmhostCommand::refuseOptions(const std::vector<std::string>& arguments, const std::string& message,
                                 std::ostream& out, std::ostream& err) {
    if (std::find(arguments.begin(), arguments.end(), "--json") != arguments.end()) {
        JsonLinesRenderer(out, false).error("", 0, message);
    }
    err << "lmhost: " << message << "\n" << CommandLineOptions::usage();
    return kCannotRun;
}

std::string LmhostCommand::scenarioText(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        const bool missing = !std::filesystem::exists(path, error);
        throw std::runtime_error("cannot read the scenario " + path + ": " +
                                 (missing ? "no such file" : "not a regular file"));
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file.is_open() || file.bad()) {
        throw std::runtime_error("cannot read the scenario " + path + ": the file cannot be read");
    }
    return text.str();
}
