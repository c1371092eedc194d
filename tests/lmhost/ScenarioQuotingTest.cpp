// What the transcript writes, the scenario reads back byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "ScenarioLexer.h"
#include "ScenarioQuoting.h"

namespace {

std::string readBack(const std::string& quoted) {
    const std::vector<ScenarioLexer::Token> tokens = ScenarioLexer::split(quoted, 1);
    EXPECT_EQ(tokens.size(), 1u) << quoted;
    return tokens.empty() ? "" : tokens.front().text;
}

TEST(ScenarioQuotingTest, EveryByteButNulReadsBackUnchanged) {
    for (int byte = 1; byte < 256; ++byte) {
        const std::string text = "a" + std::string(1, static_cast<char>(byte)) + "b";
        EXPECT_EQ(readBack(ScenarioQuoting::quoted(text)), text) << "byte " << byte;
    }
}

TEST(ScenarioQuotingTest, ShowsNonPrintableBytesAsEscapes) {
    EXPECT_EQ(ScenarioQuoting::quoted("say \"hi\"\n\\\t\x01\xC3\xA9"), R"("say \"hi\"\n\\\t\x01\xC3\xA9")");
    EXPECT_EQ(ScenarioQuoting::quoted(""), "\"\"");
}

struct Word {
    const char* text;
    bool bare;
};

class BareWordTest : public testing::TestWithParam<Word> {};

TEST_P(BareWordTest, OnlyTextsThatReadBackAsThemselvesStandBare) {
    EXPECT_EQ(ScenarioQuoting::isBareWord(GetParam().text), GetParam().bare) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, BareWordTest,
                         testing::Values(Word{"com.corvane.lumetra.events.CppEvent", true}, Word{"-1", true},
                                         Word{"a#b", true}, Word{"", false}, Word{"null", false},
                                         Word{"->", false}, Word{"#x", false}, Word{"a b", false},
                                         Word{"a\"b", false}, Word{"\xC3\xA9", false}));

}  // namespace
