// How texts are written in a scenario and shown in a transcript.
#pragma once

#include <string>

// What quoted() writes, the scenario parser reads back byte for byte, so a
// transcript line can be pasted into an expectation as it stands.
class ScenarioQuoting {
public:
    // Writes one byte outside printable ASCII that has no escape of its own.
    using ByteEscape = std::string (*)(unsigned char byte);

    // In double quotes, with \" \\ \n \t \r, and \xNN for every other byte
    // outside printable ASCII.
    static std::string quoted(const std::string& text);
    // The same with another escape for those other bytes; JSON shares the
    // rest of the syntax.
    static std::string quoted(const std::string& text, ByteEscape otherBytes);
    // Whether the text can stand unquoted and reads back as the same text:
    // printable ASCII without blanks or double quotes, not a comment, and not
    // one of the words that mean something else (null, ->).
    static bool isBareWord(const std::string& text);
};
