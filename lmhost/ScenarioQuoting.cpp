#include "ScenarioQuoting.h"

namespace {

bool isPrintableAscii(unsigned char byte) { return byte > 0x20 && byte < 0x7F; }

std::string hexEscape(unsigned char byte) {
    constexpr char digits[] = "0123456789ABCDEF";
    return std::string("\\x") + digits[byte >> 4] + digits[byte & 0x0F];
}

std::string escaped(char character, ScenarioQuoting::ByteEscape otherBytes) {
    switch (character) {
    case '"':
        return "\\\"";
    case '\\':
        return "\\\\";
    case '\n':
        return "\\n";
    case '\t':
        return "\\t";
    case '\r':
        return "\\r";
    case ' ':
        return " ";
    default:
        break;
    }
    const auto byte = static_cast<unsigned char>(character);
    return isPrintableAscii(byte) ? std::string(1, character) : otherBytes(byte);
}

}  // namespace

std::string ScenarioQuoting::quoted(const std::string& text) { return quoted(text, hexEscape); }

std::string ScenarioQuoting::quoted(const std::string& text, ByteEscape otherBytes) {
    std::string result = "\"";
    for (const char character : text) {
        result += escaped(character, otherBytes);
    }
    return result + "\"";
}

bool ScenarioQuoting::isBareWord(const std::string& text) {
    if (text.empty() || text.front() == '#' || text == "null" || text == "->") {
        return false;
    }
    for (const char character : text) {
        if (!isPrintableAscii(static_cast<unsigned char>(character)) || character == '"') {
            return false;
        }
    }
    return true;
}
