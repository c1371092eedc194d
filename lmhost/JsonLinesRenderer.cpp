#include "JsonLinesRenderer.h"

#include "ScenarioQuoting.h"

namespace {

std::string unicodeEscape(unsigned char byte) {
    constexpr char digits[] = "0123456789abcdef";
    return std::string("\\u00") + digits[byte >> 4] + digits[byte & 0x0F];
}

// Null, numbers and booleans read the same in JSON as in a scenario.
std::string valueOf(const TranscriptEntry::Value& value) {
    using Kind = TranscriptEntry::Value::Kind;
    const bool holdsCharacters = value.kind() == Kind::text || value.kind() == Kind::word;
    return holdsCharacters ? JsonLinesRenderer::quoted(value.characters()) : value.text();
}

// Appends ,"name":json to an object being built without its closing brace.
void add(std::string& object, const std::string& name, const std::string& json) {
    object += "," + JsonLinesRenderer::quoted(name) + ":" + json;
}

void addFields(std::string& object, const std::vector<TranscriptEntry::Field>& fields) {
    for (const TranscriptEntry::Field& field : fields) {
        add(object, field.name, valueOf(field.value));
    }
}

std::string record(const char* kind) { return "{\"record\":\"" + std::string(kind) + "\""; }

}  // namespace

JsonLinesRenderer::JsonLinesRenderer(std::ostream& out, bool quiet) : out(out), quiet(quiet) {}

std::string JsonLinesRenderer::quoted(const std::string& text) {
    return ScenarioQuoting::quoted(text, unicodeEscape);
}

void JsonLinesRenderer::write(const std::string& object) {
    out << object << "}\n";
    out.flush();
}

void JsonLinesRenderer::start(const std::string& scenario, const std::string& plugin) {
    if (quiet) {
        return;
    }
    std::string object = record("start");
    add(object, "scenario", quoted(scenario));
    add(object, "plugin", quoted(plugin));
    write(object);
}

void JsonLinesRenderer::step(std::size_t line, const std::string& source) {
    if (quiet) {
        return;
    }
    std::string object = record("step");
    add(object, "line", std::to_string(line));
    add(object, "source", quoted(source));
    write(object);
}

void JsonLinesRenderer::entry(const TranscriptEntry& entry) {
    if (quiet) {
        return;
    }
    std::string object = record("call");
    add(object, "line", std::to_string(entry.line));
    add(object, "from", quoted(entry.actorName()));
    add(object, "to", quoted(entry.calleeName()));
    add(object, "call", quoted(entry.call));
    addFields(object, entry.arguments);
    if (entry.result) {
        addFields(object, {*entry.result});
    }
    addFields(object, entry.details);
    write(object);
}

void JsonLinesRenderer::failure(const RunFailure& failure) {
    std::string object = record("failure");
    add(object, "line", std::to_string(failure.line));
    add(object, "message", quoted(failure.message));
    if (!failure.expected.empty()) {
        add(object, "expected", quoted(failure.expected));
        add(object, "actual", quoted(failure.actual));
    }
    write(object);
}

void JsonLinesRenderer::violation(const std::string& message) {
    std::string object = record("violation");
    add(object, "message", quoted(message));
    write(object);
}

void JsonLinesRenderer::summary(const RunOutcome& outcome) {
    if (quiet) {
        return;
    }
    std::string object = record("summary");
    add(object, "passed", outcome.passed() ? "true" : "false");
    add(object, "steps", std::to_string(outcome.steps));
    add(object, "expectationsHeld", std::to_string(outcome.expectationsHeld));
    add(object, "failures", std::to_string(outcome.failures.size()));
    add(object, "violations", std::to_string(outcome.violations.size()));
    add(object, "skippedLines", std::to_string(outcome.skippedLines));
    write(object);
}

void JsonLinesRenderer::error(const std::string& scenario, std::size_t line, const std::string& message) {
    std::string object = record("error");
    add(object, "scenario", scenario.empty() ? "null" : quoted(scenario));
    add(object, "line", line == 0 ? "null" : std::to_string(line));
    add(object, "message", quoted(message));
    write(object);
}
