// Ends a differential run at the first difference between product and model.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Both sides are compared as canonical texts, so a report shows each in full.
// A difference aborts the process: libFuzzer keeps the input as a crash and a
// replay run fails.
class Divergence {
public:
    static void check(std::size_t step, const char* what, const std::string& expected,
                      const std::string& actual);
    // As lmhost quotes a text: escapes for everything but printable ASCII,
    // in double quotes, so no two texts look alike.
    static std::string quoted(const std::string& text);
    // The same, or null.
    static std::string quoted(const std::optional<std::string>& text);
    static std::string quoted(const std::vector<std::string>& texts);
};
