// Splits one scenario line into tokens.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ScenarioToken.h"

// Tokens are separated by blanks (spaces, tabs). A token is a double-quoted
// text with the escapes \" \\ \n \t \r \xNN (exactly two hex digits), the
// arrow `->`, or a bare word: any run of other characters without a double
// quote. `#` at the start of a token comments out the rest of the line.
class ScenarioLexer {
public:
    // Throws ScenarioError with the line number for a malformed line.
    static std::vector<ScenarioToken> split(const std::string& line, std::size_t lineNumber);
};
