// One value in a transcript entry or an expectation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Texts and words both hold characters and compare by them alone: a word is
// only a text that is shown without quotes (event types, labels such as
// "plugin" or "notifier2").
class TranscriptValue {
public:
    enum class Kind { null, text, word, number, boolean };

    static TranscriptValue null() { return TranscriptValue(Kind::null, {}, 0); }
    static TranscriptValue text(std::string characters);
    static TranscriptValue word(std::string characters);
    static TranscriptValue number(std::int64_t value) { return TranscriptValue(Kind::number, {}, value); }
    static TranscriptValue boolean(bool value) { return TranscriptValue(Kind::boolean, {}, value ? 1 : 0); }
    // Null for a null pointer's text, else the text.
    static TranscriptValue textOrNull(const std::optional<std::string>& characters);
    // Like textOrNull, but shown bare where the text reads as a bare word.
    static TranscriptValue name(const std::optional<std::string>& characters);

    Kind kind() const noexcept { return valueKind; }
    const std::string& characters() const noexcept { return chars; }
    // The number, or 1 and 0 for true and false.
    std::int64_t numberValue() const noexcept { return integer; }

    bool operator==(const TranscriptValue& other) const noexcept;
    bool operator!=(const TranscriptValue& other) const noexcept { return !(*this == other); }

private:
    TranscriptValue(Kind kind, std::string characters, std::int64_t value);

    bool holdsCharacters() const noexcept { return valueKind == Kind::text || valueKind == Kind::word; }

    Kind valueKind;
    std::string chars;
    std::int64_t integer;
};
