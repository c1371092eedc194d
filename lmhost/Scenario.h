// A parsed scenario: its commands in order.
#pragma once

#include <string>
#include <vector>

#include "ScenarioCommand.h"

struct Scenario {
    // Shown in messages before the line number, e.g. "ping.lmh".
    std::string name;
    // Written `manual` first: lmhost then calls neither Startup nor Shutdown
    // and sends no idle notification on its own.
    bool manual = false;
    std::vector<ScenarioCommand> commands;
};
