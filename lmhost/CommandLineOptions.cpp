#include "CommandLineOptions.h"

#include <stdexcept>

namespace {

constexpr const char* kPluginOption = "--plugin";

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

CommandLineOptions CommandLineOptions::parse(const std::vector<std::string>& arguments) {
    CommandLineOptions options;
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

const char* CommandLineOptions::usage() noexcept {
    return "usage: lmhost [--plugin PATH] [--json] [--quiet] [SCENARIO | -]\n"
           "Loads the plug-in into a stand-in host with a stand-in bus, starts it, runs the\n"
           "scenario (the built-in demo without one), shuts the plug-in down, checks the host\n"
           "contract and prints every bus event and host call.\n"
           "  -              read the scenario from standard input and run each line as it\n"
           "                 arrives; a malformed line is reported and skipped\n"
           "  --plugin PATH  the plug-in to load (default: the one built beside lmhost)\n"
           "  --json         the transcript as JSON Lines\n"
           "  --quiet        print only failures\n"
           "exit status: 0 passed, 1 an expectation failed or the host contract was violated,\n"
           "2 the plug-in or the scenario could not be used\n";
}
