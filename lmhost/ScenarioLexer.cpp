#include "ScenarioLexer.h"

#include "ScenarioError.h"
#include "ScenarioQuoting.h"

namespace {

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
            throw ScenarioError(lineNumber, "control character " +
                                                ScenarioQuoting::quoted(std::string(1, line[at])) +
                                                " in " + columnText(at) +
                                                "; write it as an escape inside a quoted text");
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
        throw ScenarioError(lineNumber, "\\x in " + columnText(at - 1) + " needs exactly two hex digits");
    }
    if (high == 0 && low == 0) {
        throw ScenarioError(lineNumber, "\\x00 in " + columnText(at - 1) +
                                            ": a text cannot hold a NUL byte, it ends the C string");
    }
    return static_cast<char>(high * 16 + low);
}

// at is just past the backslash; answers the character and moves past the escape.
char escapedCharacter(const std::string& line, std::size_t& at, std::size_t lineNumber) {
    if (at == line.size()) {
        throw ScenarioError(lineNumber, "a backslash ends the line inside a quoted text");
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
        throw ScenarioError(lineNumber, "unknown escape \\" + std::string(1, line[at - 1]) + " in " +
                                            columnText(at - 2) + "; use \\\" \\\\ \\n \\t \\r or \\xNN");
    }
}

ScenarioToken quotedToken(const std::string& line, std::size_t& at, std::size_t lineNumber) {
    const std::size_t opening = at++;
    std::string text;
    while (at < line.size() && line[at] != '"') {
        text += line[at] == '\\' ? escapedCharacter(line, ++at, lineNumber) : line[at++];
    }
    if (at == line.size()) {
        throw ScenarioError(lineNumber, "the text that starts in " + columnText(opening) +
                                            " has no closing double quote");
    }
    ++at;
    if (at < line.size() && !isBlank(line[at])) {
        throw ScenarioError(lineNumber, "a blank must follow the closing double quote in " +
                                            columnText(at - 1));
    }
    return ScenarioToken{ScenarioToken::Kind::quoted, text};
}

ScenarioToken wordToken(const std::string& line, std::size_t& at, std::size_t lineNumber) {
    const std::size_t start = at;
    while (at < line.size() && !isBlank(line[at])) {
        if (line[at] == '"') {
            throw ScenarioError(lineNumber, "a double quote inside the word that starts in " +
                                                columnText(start) + "; quote the whole text");
        }
        ++at;
    }
    std::string word = line.substr(start, at - start);
    const auto kind = word == "->" ? ScenarioToken::Kind::arrow : ScenarioToken::Kind::word;
    return ScenarioToken{kind, std::move(word)};
}

}  // namespace

std::vector<ScenarioToken> ScenarioLexer::split(const std::string& line, std::size_t lineNumber) {
    rejectControlCharacters(line, lineNumber);
    std::vector<ScenarioToken> tokens;
    for (std::size_t at = skipBlanks(line, 0); at < line.size() && line[at] != '#';
         at = skipBlanks(line, at)) {
        tokens.push_back(line[at] == '"' ? quotedToken(line, at, lineNumber)
                                         : wordToken(line, at, lineNumber));
    }
    return tokens;
}
