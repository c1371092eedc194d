#include "ScenarioLexer.h"

#include <charconv>

#include "ScenarioQuoting.h"

namespace {

using Token = ScenarioLexer::Token;
using Error = ScenarioLexer::Error;

bool isBlank(char character) { return character == ' ' || character == '\t'; }

int hexDigitValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

std::string columnText(std::size_t at) { return "column " + std::to_string(at + 1); }

// Raw control characters would be invisible in the file and in messages.
void rejectControlCharacters(const std::string& line, std::size_t lineNumber) {
    for (std::size_t at = 0; at < line.size(); ++at) {
        const auto byte = static_cast<unsigned char>(line[at]);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            throw Error(lineNumber, "control character " + ScenarioQuoting::quoted(std::string(1, line[at])) +
                                        " in " + columnText(at) + "; write it as an escape inside a quoted text");
        }
    }
}

std::size_t skipBlanks(const std::string& line, std::size_t at) {
    while (at < line.size() && isBlank(line[at])) {
        ++at;
    }
    return at;
}

char hexEscape(const std::string& line, std::size_t at, std::size_t lineNumber) {
    const int high = at + 1 < line.size() ? hexDigitValue(line[at + 1]) : -1;
    const int low = at + 2 < line.size() ? hexDigitValue(line[at + 2]) : -1;
    if (high < 0 || low < 0) {
        throw Error(lineNumber, "\\x in " + columnText(at - 1) + " needs exactly two hex digits");
    }
    if (high == 0 && low == 0) {
        throw Error(lineNumber, "\\x00 in " + columnText(at - 1) +
                                    ": a text cannot hold a NUL byte, it ends the C string");
    }
    return static_cast<char>(high * 16 + low);
}

// at is just past the backslash; answers the character and moves past the escape.
char escapedCharacter(const std::string& line, std::size_t& at, std::size_t lineNumber) {
    if (at == line.size()) {
        throw Error(lineNumber, "a backslash ends the line inside a quoted text");
    }
    switch (line[at++]) {
    case '"':
        return '"';
    case '\\':
        return '\\';
    case 'n':
        return '\n';
    case 't':
        return '\t';
    case 'r':
        return '\r';
    case 'x': {
        const char byte = hexEscape(line, at - 1, lineNumber);
        at += 2;
        return byte;
    }
    default:
        throw Error(lineNumber, "unknown escape \\" + std::string(1, line[at - 1]) + " in " + columnText(at - 2) +
                                    "; use \\\" \\\\ \\n \\t \\r or \\xNN");
    }
}

Token quotedToken(const std::string& line, std::size_t& at, std::size_t lineNumber) {
    const std::size_t opening = at++;
    std::string text;
    while (at < line.size() && line[at] != '"') {
        text += line[at] == '\\' ? escapedCharacter(line, ++at, lineNumber) : line[at++];
    }
    if (at == line.size()) {
        throw Error(lineNumber, "the text that starts in " + columnText(opening) + " has no closing double quote");
    }
    ++at;
    if (at < line.size() && !isBlank(line[at])) {
        throw Error(lineNumber, "a blank must follow the closing double quote in " + columnText(at - 1));
    }
    return Token{Token::Kind::quoted, text};
}

Token wordToken(const std::string& line, std::size_t& at, std::size_t lineNumber) {
    const std::size_t start = at;
    while (at < line.size() && !isBlank(line[at])) {
        if (line[at] == '"') {
            throw Error(lineNumber, "a double quote inside the word that starts in " + columnText(start) +
                                        "; quote the whole text");
        }
        ++at;
    }
    std::string word = line.substr(start, at - start);
    const auto kind = word == "->" ? Token::Kind::arrow : Token::Kind::word;
    return Token{kind, std::move(word)};
}

std::optional<std::int64_t> parsedNumber(const std::string& word) {
    const bool negative = !word.empty() && word.front() == '-';
    const std::size_t start = negative ? 1 : 0;
    const bool hex = word.compare(start, 2, "0x") == 0 || word.compare(start, 2, "0X") == 0;
    const char* first = word.data() + start + (hex ? 2 : 0);
    const char* last = word.data() + word.size();
    std::int64_t magnitude = 0;
    const auto [end, error] = std::from_chars(first, last, magnitude, hex ? 16 : 10);
    if (first == last || end != last || error != std::errc() || magnitude < 0) {
        return std::nullopt;
    }
    return negative ? -magnitude : magnitude;
}

bool isNull(const Token* token) { return token != nullptr && token->text == "null"; }

}  // namespace

std::vector<Token> ScenarioLexer::split(const std::string& line, std::size_t lineNumber) {
    rejectControlCharacters(line, lineNumber);
    std::vector<Token> tokens;
    for (std::size_t at = skipBlanks(line, 0); at < line.size() && line[at] != '#'; at = skipBlanks(line, at)) {
        tokens.push_back(line[at] == '"' ? quotedToken(line, at, lineNumber) : wordToken(line, at, lineNumber));
    }
    return tokens;
}

ScenarioLexer::ScenarioLexer(const std::string& line, std::size_t lineNumber)
    : tokens(split(line, lineNumber)), lineNumber(lineNumber) {}

bool ScenarioLexer::nextIsNumber() const {
    const Token* token = peek(Token::Kind::word);
    return token != nullptr && parsedNumber(token->text);
}

std::string ScenarioLexer::word(const std::string& what) {
    const Token* token = peek(Token::Kind::word);
    if (token == nullptr) {
        expected(what);
    }
    ++next;
    return token->text;
}

std::string ScenarioLexer::text(const std::string& what) {
    const Token* word = peek(Token::Kind::word);
    const Token* token = word != nullptr ? word : peek(Token::Kind::quoted);
    if (token == nullptr || isNull(word)) {
        expected(what);
    }
    ++next;
    return token->text;
}

std::optional<std::string> ScenarioLexer::textOrNull(const std::string& what) {
    if (isNull(peek(Token::Kind::word))) {
        ++next;
        return std::nullopt;
    }
    return text(what + " (or null)");
}

std::int64_t ScenarioLexer::number(const std::string& what, std::int64_t lowest, std::int64_t highest) {
    const Token* token = peek(Token::Kind::word);
    const std::optional<std::int64_t> value = token != nullptr ? parsedNumber(token->text) : std::nullopt;
    if (!value || *value < lowest || *value > highest) {
        expected(what + " (a number from " + std::to_string(lowest) + " to " + std::to_string(highest) + ")");
    }
    ++next;
    return *value;
}

std::int32_t ScenarioLexer::status(const std::string& what) {
    constexpr std::int64_t twoTo32 = std::int64_t{1} << 32;
    const std::int64_t value = number(what, INT32_MIN, twoTo32 - 1);
    return static_cast<std::int32_t>(value > INT32_MAX ? value - twoTo32 : value);
}

std::optional<std::int32_t> ScenarioLexer::arrowStatus(const std::string& what) {
    if (peek(Token::Kind::arrow) == nullptr) {
        return std::nullopt;
    }
    ++next;
    return status(what);
}

void ScenarioLexer::arrow(const std::string& what) {
    if (peek(Token::Kind::arrow) == nullptr) {
        expected("-> " + what);
    }
    ++next;
}

void ScenarioLexer::end() {
    if (!atEnd()) {
        fail("unexpected " + found() + " at the end of the line");
    }
}

void ScenarioLexer::fail(const std::string& message) const { throw Error(lineNumber, message); }

// The next token if it is of this kind.
const Token* ScenarioLexer::peek(Token::Kind kind) const noexcept {
    return !atEnd() && tokens[next].kind == kind ? &tokens[next] : nullptr;
}

std::string ScenarioLexer::found() const {
    if (atEnd()) {
        return "the end of the line";
    }
    const Token& token = tokens[next];
    return token.kind == Token::Kind::quoted ? ScenarioQuoting::quoted(token.text) : "'" + token.text + "'";
}

void ScenarioLexer::expected(const std::string& what) const { fail("expected " + what + ", found " + found()); }
