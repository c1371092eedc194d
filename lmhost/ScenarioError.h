// A scenario line that cannot be read, with its line number.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

class ScenarioError : public std::runtime_error {
public:
    ScenarioError(std::size_t line, const std::string& message)
        : std::runtime_error(message), lineNumber(line) {}

    std::size_t line() const noexcept { return lineNumber; }

private:
    std::size_t lineNumber;
};
