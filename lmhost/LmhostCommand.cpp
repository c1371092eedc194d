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

#if defined(_WIN32)
#include <windows.h>
#endif

#include "DemoScenario.h"
#include "JsonLinesRenderer.h"
#include "PluginModule.h"
#include "ScenarioLexer.h"
#include "ScenarioParser.h"
#include "TextRenderer.h"

namespace {

// How a scenario read from standard input is named in messages.
constexpr const char* kStandardInputName = "<stdin>";

constexpr const char* kPluginOption = "--plugin";

#if defined(_WIN32)
constexpr const char* kPluginFile = "Quayline.qvl";
#elif defined(__APPLE__)
constexpr const char* kPluginFile = "Quayline";
#else
constexpr const char* kPluginFile = "Quayline.so";
#endif

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

int LmhostCommand::run(const std::string& program, const std::vector<std::string>& arguments, std::istream& in,
                       std::ostream& out, std::ostream& err) {
    Options options;
    try {
        options = Options::parse(arguments);
    } catch (const std::invalid_argument& error) {
        return refuseOptions(arguments, error.what(), out, err);
    }
    if (options.help) {
        out << Options::usage();
        return kPassed;
    }
    const std::unique_ptr<TranscriptRenderer> report = renderer(options, out, err);
    const std::string plugin = pluginPath(options.plugin, program);
    if (options.readsStandardInput()) {
        return runTyped(options, plugin, *report, in, err);
    }
    return runFile(options, plugin, *report);
}

int LmhostCommand::runFile(const Options& options, const std::string& plugin,
                           TranscriptRenderer& renderer) {
    const std::string name = options.scenario.value_or(DemoScenario::kName);
    Scenario scenario;
    try {
        scenario = ScenarioParser::parse(name, options.scenario ? scenarioText(name) : DemoScenario::text());
    } catch (const ScenarioLexer::Error& error) {
        renderer.error(name, error.line(), error.what());
        return kCannotRun;
    } catch (const std::runtime_error& error) {
        renderer.error("", 0, error.what());
        return kCannotRun;
    }
    return runOnPlugin(plugin, name, renderer, [&scenario](ScenarioRunner& runner) { return runner.run(scenario); });
}

int LmhostCommand::runTyped(const Options& options, const std::string& plugin,
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
        std::optional<Scenario::Command> command;
        try {
            command = parser.parseLine(line, number);
        } catch (const ScenarioLexer::Error& error) {
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

std::unique_ptr<TranscriptRenderer> LmhostCommand::renderer(const Options& options, std::ostream& out,
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
    err << "lmhost: " << message << "\n" << Options::usage();
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

LmhostCommand::Options LmhostCommand::Options::parse(const std::vector<std::string>& arguments) {
    Options options;
    for (auto argument = arguments.begin(); argument != arguments.end(); ++argument) {
        if (*argument == "--json") {
            options.json = true;
        } else if (*argument == "--quiet") {
            options.quiet = true;
        } else if (*argument == "--help" || *argument == "-h") {
            options.help = true;
        } else if (*argument == kPluginOption) {
            if (++argument == arguments.end()) {
                throw std::invalid_argument("--plugin needs the path of the plug-in");
            }
            options.plugin = *argument;
        } else if (startsWith(*argument, std::string(kPluginOption) + "=")) {
            options.plugin = argument->substr(std::string(kPluginOption).size() + 1);
        } else if (startsWith(*argument, "-") && *argument != "-") {
            throw std::invalid_argument("unknown option " + *argument);
        } else if (options.scenario) {
            throw std::invalid_argument("one scenario at a time: " + *options.scenario + " and " + *argument);
        } else {
            options.scenario = *argument;
        }
    }
    return options;
}

const char* LmhostCommand::Options::usage() noexcept {
    return "usage: lmhost [--plugin PATH] [--json] [--quiet] [SCENARIO | -]\n"
           "Loads the plug-in into a stand-in host with a stand-in bus, starts it, runs the\n"
           "scenario (the built-in demo without one), shuts the plug-in down, checks the host\n"
           "contract and prints every bus event and host call.\n"
           "  -              read the scenario from standard input and run each line as it\n"
           "                 arrives; a malformed line is reported and skipped\n"
           "  --plugin PATH  the plug-in to load (default: the one built beside lmhost); a\n"
           "                 macOS .plugin bundle runs through the stand-in Mach-O loader\n"
           "  --json         the transcript as JSON Lines\n"
           "  --quiet        print only failures\n"
           "exit status: 0 passed, 1 an expectation failed or the host contract was violated,\n"
           "2 the plug-in or the scenario could not be used\n";
}

std::string LmhostCommand::pluginPath(const std::optional<std::string>& given, const std::string& program) {
    if (!given) {
        return pluginBesideLmhost(program);
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(*given, error);
    return error ? *given : absolute.string();
}

std::string LmhostCommand::pluginBesideLmhost(const std::string& program) {
    const std::filesystem::path folder = std::filesystem::path(executablePath(program)).parent_path();
    return (folder / kPluginFile).string();
}

std::string LmhostCommand::executablePath(const std::string& program) {
#if defined(_WIN32)
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        return std::string(path, length);
    }
#elif defined(__linux__)
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        return path.string();
    }
#endif
    return program;
}
