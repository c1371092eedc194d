// The scenario lmhost runs when it is given none.
#pragma once

#include <string>

class DemoScenario {
public:
    static constexpr const char* kName = "demo.lmh";
    // The text of lmhost/demo.lmh, built into lmhost.
    static const std::string& text();
};
