#include "TranscriptValue.h"

#include <utility>

#include "ScenarioQuoting.h"

TranscriptValue::TranscriptValue(Kind kind, std::string characters, std::int64_t value)
    : valueKind(kind), chars(std::move(characters)), integer(value) {}

TranscriptValue TranscriptValue::text(std::string characters) {
    return TranscriptValue(Kind::text, std::move(characters), 0);
}

TranscriptValue TranscriptValue::word(std::string characters) {
    return TranscriptValue(Kind::word, std::move(characters), 0);
}

TranscriptValue TranscriptValue::textOrNull(const std::optional<std::string>& characters) {
    return characters ? text(*characters) : null();
}

TranscriptValue TranscriptValue::name(const std::optional<std::string>& characters) {
    if (characters && ScenarioQuoting::isBareWord(*characters)) {
        return word(*characters);
    }
    return textOrNull(characters);
}

bool TranscriptValue::operator==(const TranscriptValue& other) const noexcept {
    if (holdsCharacters() || other.holdsCharacters()) {
        return holdsCharacters() && other.holdsCharacters() && chars == other.chars;
    }
    return valueKind == other.valueKind && integer == other.integer;
}
