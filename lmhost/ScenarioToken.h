// One token of a scenario line.
#pragma once

#include <string>

struct ScenarioToken {
    enum class Kind { word, quoted, arrow };

    Kind kind;
    // A word as written, or a quoted text with its escapes resolved.
    std::string text;
};
