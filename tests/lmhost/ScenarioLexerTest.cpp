// Splitting scenario lines into tokens, and the lines it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScenarioLexer.h"
#include "ScenarioQuoting.h"

namespace {

using Token = ScenarioLexer::Token;
using Kind = Token::Kind;

struct Split {
    const char* line;
    std::vector<Token> tokens;
};

void PrintTo(const Split& split, std::ostream* out) { *out << split.line; }

bool operator==(const Token& left, const Token& right) {
    return left.kind == right.kind && left.text == right.text;
}

class SplitTest : public testing::TestWithParam<Split> {};

TEST_P(SplitTest, GivesTheTokensInOrder) {
    const std::vector<Token> tokens = ScenarioLexer::split(GetParam().line, 1);
    ASSERT_EQ(tokens.size(), GetParam().tokens.size());
    for (std::size_t at = 0; at < tokens.size(); ++at) {
        EXPECT_TRUE(tokens[at] == GetParam().tokens[at]) << "token " << at << ": " << tokens[at].text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitTest,
    testing::Values(
        Split{"", {}}, Split{"   \t ", {}}, Split{"# only a comment", {}},
        Split{"add alpha 7  # a comment", {{Kind::word, "add"}, {Kind::word, "alpha"}, {Kind::word, "7"}}},
        Split{"\tping\t", {{Kind::word, "ping"}}},
        Split{"startup -> -1", {{Kind::word, "startup"}, {Kind::arrow, "->"}, {Kind::word, "-1"}}},
        Split{"x ->y", {{Kind::word, "x"}, {Kind::word, "->y"}}},
        Split{"add a#b 7", {{Kind::word, "add"}, {Kind::word, "a#b"}, {Kind::word, "7"}}},
        Split{R"(expect bus CppEvent "<![CDATA[<event id=\"7\" />]]>")",
              {{Kind::word, "expect"},
               {Kind::word, "bus"},
               {Kind::word, "CppEvent"},
               {Kind::quoted, "<![CDATA[<event id=\"7\" />]]>"}}},
        Split{R"("" "# not a comment" "a\\b")",
              {{Kind::quoted, ""}, {Kind::quoted, "# not a comment"}, {Kind::quoted, "a\\b"}}},
        Split{R"("\n\t\r\x41\xff\xC3\xA9")", {{Kind::quoted, "\n\t\rA\xff\xC3\xA9"}}},
        Split{R"(null "null")", {{Kind::word, "null"}, {Kind::quoted, "null"}}}));

struct Refusal {
    std::string line;
    const char* message;
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << ScenarioQuoting::quoted(refusal.line); }

class RefusalTest : public testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, SaysWhatIsWrongWithTheLineNumber) {
    try {
        ScenarioLexer::split(GetParam().line, 12);
        FAIL() << "accepted";
    } catch (const ScenarioLexer::Error& error) {
        EXPECT_EQ(error.line(), 12u);
        EXPECT_STREQ(error.what(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RefusalTest,
    testing::Values(
        Refusal{R"(add a "7)", "the text that starts in column 7 has no closing double quote"},
        Refusal{R"(add a "7\")", "the text that starts in column 7 has no closing double quote"},
        Refusal{R"(add a "7"x)", "a blank must follow the closing double quote in column 9"},
        Refusal{R"(add a"b" 7)", "a double quote inside the word that starts in column 5; quote the whole text"},
        Refusal{R"(add a "\q")", "unknown escape \\q in column 8; use \\\" \\\\ \\n \\t \\r or \\xNN"},
        Refusal{R"(add a "\x4")", "\\x in column 8 needs exactly two hex digits"},
        Refusal{R"(add a "\xg1")", "\\x in column 8 needs exactly two hex digits"},
        Refusal{R"(add a "\x00")",
                "\\x00 in column 8: a text cannot hold a NUL byte, it ends the C string"},
        Refusal{R"(add a "\)", "a backslash ends the line inside a quoted text"},
        Refusal{std::string("add a \"\x01\""),
                "control character \"\\x01\" in column 8; write it as an escape inside a quoted text"},
        Refusal{std::string("add a \x7F"),
                "control character \"\\x7F\" in column 7; write it as an escape inside a quoted text"}));

}  // namespace
