// What lmhost was asked to do.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CommandLineOptions {
    std::optional<std::string> plugin;
    // Without one, the built-in demo runs; `-` reads it from standard input.
    std::optional<std::string> scenario;
    bool json = false;
    bool quiet = false;
    bool help = false;

    bool readsStandardInput() const noexcept { return scenario == std::string("-"); }

    // Throws std::invalid_argument with a message for the user.
    static CommandLineOptions parse(const std::vector<std::string>& arguments);
    static const char* usage() noexcept;
};
