#include "LmhostCommand.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "DemoScenario.h"
#include "JsonLinesRenderer.h"
#include "PluginLocation.h"
#include "PluginModule.h"
#include "ScenarioError.h"
#include "ScenarioParser.h"
#include "ScenarioRunner.h"
#include "TextRenderer.h"

int LmhostCommand::run(const std::string& program, const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err) {
    CommandLineOptions options;
    try {
        options = CommandLineOptions::parse(arguments);
    } catch (const std::invalid_argument& error) {
        err << "lmhost: " << error.what() << "\n" << CommandLineOptions::usage();
        return kCannotRun;
    }
    if (options.help) {
        out << CommandLineOptions::usage();
        return kPassed;
    }
    const std::string name = options.scenario.value_or(DemoScenario::kName);
    Scenario scenario;
    try {
        scenario = ScenarioParser::parse(name, options.scenario ? scenarioText(name) : DemoScenario::text());
    } catch (const ScenarioError& error) {
        err << name << ":" << error.line() << ": " << error.what() << "\n";
        return kCannotRun;
    } catch (const std::runtime_error& error) {
        err << "lmhost: " << error.what() << "\n";
        return kCannotRun;
    }
    return runScenario(options, PluginLocation::resolve(options.plugin, program), scenario, out, err);
}

int LmhostCommand::runScenario(const CommandLineOptions& options, const std::string& plugin,
                               const Scenario& scenario, std::ostream& out, std::ostream& err) {
    PluginModule module(plugin);
    if (module.error().failed()) {
        err << "lmhost: " << module.error().message << "\n";
        return kCannotRun;
    }
    std::unique_ptr<TranscriptRenderer> renderer;
    if (options.json) {
        renderer = std::make_unique<JsonLinesRenderer>(out, options.quiet);
    } else {
        renderer = std::make_unique<TextRenderer>(out, err, options.quiet);
    }
    renderer->start(scenario.name, plugin);
    ScenarioRunner runner(module.entryPoint(), *renderer);
    const bool passed = runner.run(scenario).passed();
    // A host never unloads a plug-in it has not shut down.
    if (runner.pluginStillRunning()) {
        module.keepLoaded();
    }
    return passed ? kPassed : kFailed;
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
