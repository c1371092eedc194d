// Reads the tokens of one scenario line in order, failing with a message
// that names what was expected and what stood there instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ScenarioToken.h"

class ScenarioTokenReader {
public:
    ScenarioTokenReader(std::vector<ScenarioToken> tokens, std::size_t line);

    bool atEnd() const noexcept { return next == tokens.size(); }
    bool nextIsNumber() const;

    // Each of these throws ScenarioError, saying what is expected.
    std::string word(const std::string& what);
    // A quoted text or a bare word; `null` is refused.
    std::string text(const std::string& what);
    // Like text, and the bare word `null` gives std::nullopt.
    std::optional<std::string> textOrNull(const std::string& what);
    // Decimal or 0x hex, within [lowest, highest].
    std::int64_t number(const std::string& what, std::int64_t lowest, std::int64_t highest);
    // Any 32-bit value, signed or unsigned (-1 and 0xFFFFFFFF are the same
    // status), as the 32-bit signed value it stands for.
    std::int32_t status(const std::string& what);
    // `-> STATUS` when the next token is the arrow.
    std::optional<std::int32_t> arrowStatus(const std::string& what);
    void arrow(const std::string& what);
    // Refuses anything left on the line.
    void end();
    [[noreturn]] void fail(const std::string& message) const;

private:
    const ScenarioToken* peek() const noexcept;
    std::string found() const;
    [[noreturn]] void expected(const std::string& what) const;

    std::vector<ScenarioToken> tokens;
    std::size_t next = 0;
    std::size_t line;
};
