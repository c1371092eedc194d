// Reads one scenario line: its tokens, then typed reads of them in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Tokens are separated by blanks (spaces, tabs). A token is a double-quoted
// text with the escapes \" \\ \n \t \r \xNN (exactly two hex digits), the
// arrow `->`, or a bare word: any run of other characters without a double
// quote. `#` at the start of a token comments out the rest of the line.
// The whole line is split first, so a malformed token is reported before
// anything is read; a read that finds the wrong token names what it expected
// and what stood there instead.
class ScenarioLexer {
public:
    // A line that cannot be read, with its line number.
    class Error : public std::runtime_error {
    public:
        Error(std::size_t line, const std::string& message) : std::runtime_error(message), lineNumber(line) {}
        std::size_t line() const noexcept { return lineNumber; }

    private:
        std::size_t lineNumber;
    };

    struct Token {
        enum class Kind { word, quoted, arrow };
        Kind kind;
        // A word as written, or a quoted text with its escapes resolved.
        std::string text;
    };

    // Throws Error for a malformed line.
    static std::vector<Token> split(const std::string& line, std::size_t lineNumber);

    ScenarioLexer(const std::string& line, std::size_t lineNumber);

    bool atEnd() const noexcept { return next == tokens.size(); }
    bool nextIsNumber() const;

    // Each of these throws Error, saying what is expected.
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
    const Token* peek(Token::Kind kind) const noexcept;
    std::string found() const;
    [[noreturn]] void expected(const std::string& what) const;

    std::vector<Token> tokens;
    std::size_t next = 0;
    std::size_t lineNumber;
};
