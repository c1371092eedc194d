#include "EntryText.h"

#include "ScenarioQuoting.h"

std::string EntryText::describe(const TranscriptEntry& entry) {
    std::string line = keyword(entry);
    for (const TranscriptField& argument : entry.arguments) {
        line += " " + describe(argument.value);
    }
    if (entry.result) {
        line += " -> " + describe(entry.result->value);
    }
    return line + shownDetails(entry);
}

std::string EntryText::describe(const TranscriptValue& value) {
    switch (value.kind()) {
    case TranscriptValue::Kind::null:
        return "null";
    case TranscriptValue::Kind::text:
        return ScenarioQuoting::quoted(value.characters());
    case TranscriptValue::Kind::word:
        return value.characters();
    case TranscriptValue::Kind::number:
        return std::to_string(value.numberValue());
    case TranscriptValue::Kind::boolean:
        return value.numberValue() != 0 ? "true" : "false";
    }
    return "?";
}

const char* EntryText::actorName(TranscriptActor actor) noexcept {
    switch (actor) {
    case TranscriptActor::host:
        return "host";
    case TranscriptActor::extension:
        return "extension";
    case TranscriptActor::plugin:
        return "plug-in";
    }
    return "?";
}

const char* EntryText::calleeName(const TranscriptEntry& entry) noexcept {
    switch (entry.stream) {
    case TranscriptStream::host:
    case TranscriptStream::sameString:
        return "host";
    case TranscriptStream::bus:
    case TranscriptStream::subscribe:
        return "bus";
    case TranscriptStream::none:
        break;
    }
    return entry.actor == TranscriptActor::extension ? "bus" : "plug-in";
}

const char* EntryText::streamName(TranscriptStream stream) noexcept {
    switch (stream) {
    case TranscriptStream::bus:
        return "bus";
    case TranscriptStream::subscribe:
        return "subscribe";
    case TranscriptStream::host:
        return "host";
    case TranscriptStream::sameString:
        return "sameString";
    case TranscriptStream::none:
        break;
    }
    return "";
}

// The scenario command that a line reads as: `host CALL`, `bus`, `subscribe`,
// `send`, or the host's own call by name.
std::string EntryText::keyword(const TranscriptEntry& entry) {
    switch (entry.stream) {
    case TranscriptStream::host:
    case TranscriptStream::sameString:
        return "host " + entry.call;
    case TranscriptStream::bus:
    case TranscriptStream::subscribe:
        return streamName(entry.stream);
    case TranscriptStream::none:
        break;
    }
    return entry.actor == TranscriptActor::extension ? "send" : entry.call;
}

std::string EntryText::shownDetails(const TranscriptEntry& entry) {
    std::string shown;
    for (const TranscriptField& detail : entry.details) {
        if (detail.shownInText) {
            shown += (shown.empty() ? "" : ", ") + detail.name + " " + describe(detail.value);
        }
    }
    return shown.empty() ? "" : " (" + shown + ")";
}
