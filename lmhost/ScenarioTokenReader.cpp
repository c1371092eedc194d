#include "ScenarioTokenReader.h"

#include <charconv>
#include <utility>

#include "ScenarioError.h"
#include "ScenarioQuoting.h"

namespace {

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

}  // namespace

ScenarioTokenReader::ScenarioTokenReader(std::vector<ScenarioToken> tokens, std::size_t line)
    : tokens(std::move(tokens)), line(line) {}

bool ScenarioTokenReader::nextIsNumber() const {
    const ScenarioToken* token = peek();
    return token != nullptr && token->kind == ScenarioToken::Kind::word && parsedNumber(token->text);
}

std::string ScenarioTokenReader::word(const std::string& what) {
    const ScenarioToken* token = peek();
    if (token == nullptr || token->kind != ScenarioToken::Kind::word) {
        expected(what);
    }
    ++next;
    return token->text;
}

std::string ScenarioTokenReader::text(const std::string& what) {
    const ScenarioToken* token = peek();
    if (token == nullptr || token->kind == ScenarioToken::Kind::arrow ||
        (token->kind == ScenarioToken::Kind::word && token->text == "null")) {
        expected(what);
    }
    ++next;
    return token->text;
}

std::optional<std::string> ScenarioTokenReader::textOrNull(const std::string& what) {
    const ScenarioToken* token = peek();
    if (token != nullptr && token->kind == ScenarioToken::Kind::word && token->text == "null") {
        ++next;
        return std::nullopt;
    }
    return text(what + " (or null)");
}

std::int64_t ScenarioTokenReader::number(const std::string& what, std::int64_t lowest,
                                         std::int64_t highest) {
    const ScenarioToken* token = peek();
    const std::optional<std::int64_t> value =
        token != nullptr && token->kind == ScenarioToken::Kind::word ? parsedNumber(token->text)
                                                                     : std::nullopt;
    if (!value || *value < lowest || *value > highest) {
        expected(what + " (a number from " + std::to_string(lowest) + " to " + std::to_string(highest) + ")");
    }
    ++next;
    return *value;
}

std::int32_t ScenarioTokenReader::status(const std::string& what) {
    constexpr std::int64_t twoTo32 = std::int64_t{1} << 32;
    const std::int64_t value = number(what, INT32_MIN, twoTo32 - 1);
    return static_cast<std::int32_t>(value > INT32_MAX ? value - twoTo32 : value);
}

std::optional<std::int32_t> ScenarioTokenReader::arrowStatus(const std::string& what) {
    const ScenarioToken* token = peek();
    if (token == nullptr || token->kind != ScenarioToken::Kind::arrow) {
        return std::nullopt;
    }
    ++next;
    return status(what);
}

void ScenarioTokenReader::arrow(const std::string& what) {
    const ScenarioToken* token = peek();
    if (token == nullptr || token->kind != ScenarioToken::Kind::arrow) {
        expected("-> " + what);
    }
    ++next;
}

void ScenarioTokenReader::end() {
    if (!atEnd()) {
        fail("unexpected " + found() + " at the end of the line");
    }
}

void ScenarioTokenReader::fail(const std::string& message) const { throw ScenarioError(line, message); }

const ScenarioToken* ScenarioTokenReader::peek() const noexcept {
    return atEnd() ? nullptr : &tokens[next];
}

std::string ScenarioTokenReader::found() const {
    const ScenarioToken* token = peek();
    if (token == nullptr) {
        return "the end of the line";
    }
    return token->kind == ScenarioToken::Kind::quoted ? ScenarioQuoting::quoted(token->text)
                                                      : "'" + token->text + "'";
}

void ScenarioTokenReader::expected(const std::string& what) const {
    fail("expected " + what + ", found " + found());
}
