// Reading scenarios into commands, and the lines the parser refuses.
#include <gtest/gtest.h>

#include <string>

#include "ScenarioLexer.h"
#include "ScenarioParser.h"

namespace {

using Command = Scenario::Command;
using Kind = Command::Kind;

Command only(const std::string& text) {
    const Scenario scenario = ScenarioParser::parse("test.lmh", text);
    EXPECT_EQ(scenario.commands.size(), 1u) << text;
    return scenario.commands.empty() ? Command{} : scenario.commands.front();
}

TEST(ScenarioParserTest, KeepsLineNumbersAndSourcesAndSkipsCommentsAndBlankLines) {
    const Scenario scenario = ScenarioParser::parse("s.lmh", "# intro\n\n  ping alpha  # hello\r\nidle\n");
    EXPECT_EQ(scenario.name, "s.lmh");
    EXPECT_FALSE(scenario.manual);
    ASSERT_EQ(scenario.commands.size(), 2u);
    EXPECT_EQ(scenario.commands[0].line, 3u);
    EXPECT_EQ(scenario.commands[0].source, "ping alpha  # hello");
    EXPECT_EQ(scenario.commands[1].line, 4u);
}

TEST(ScenarioParserTest, ManualMustComeFirst) {
    EXPECT_TRUE(ScenarioParser::parse("s.lmh", "# scripted\nmanual\nstartup\n").manual);
    EXPECT_THROW(ScenarioParser::parse("s.lmh", "startup\nmanual\n"), ScenarioLexer::Error);
    EXPECT_THROW(ScenarioParser::parse("s.lmh", "manual\nmanual\n"), ScenarioLexer::Error);
}

std::vector<std::optional<std::string>> textsOf(const Scenario::Request& request) {
    return {request.eventType, request.senderExtension, request.payload};
}

TEST(ScenarioParserTest, ExtensionRequestsCarryTheirTypeSenderAndPayload) {
    const Command add = only("add alpha 007");
    EXPECT_EQ(add.kind, Kind::send);
    EXPECT_EQ(textsOf(add.request), (std::vector<std::optional<std::string>>{
                             "com.corvane.lumetra.events.AddEventListener", "alpha", "007"}));
    EXPECT_EQ(textsOf(only("remove null \"\"").request),
              (std::vector<std::optional<std::string>>{"com.corvane.lumetra.events.RemoveEventListener",
                                                       std::nullopt, ""}));
    EXPECT_EQ(textsOf(only("ping").request), (std::vector<std::optional<std::string>>{
                                      "com.corvane.lumetra.events.PingRequestEvent", std::nullopt, ""}));
    EXPECT_EQ(textsOf(only("list \"null\"").request),
              (std::vector<std::optional<std::string>>{"com.corvane.lumetra.events.ListEventsRequestEvent",
                                                       "null", ""}));
    EXPECT_EQ(textsOf(only("send my.own.Type x y").request),
              (std::vector<std::optional<std::string>>{"my.own.Type", "x", "y"}));
}

struct Status {
    const char* line;
    std::int32_t status;
};

class StatusTest : public testing::TestWithParam<Status> {};

TEST_P(StatusTest, ReadsAnyThirtyTwoBitValueSignedOrNot) {
    EXPECT_EQ(only(GetParam().line).status, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(Values, StatusTest,
                         testing::Values(Status{"host status addNotifier 0", 0},
                                         Status{"host status addNotifier 0x10000", 0x10000},
                                         Status{"host status addNotifier -1", -1},
                                         Status{"host status addNotifier 0xFFFFFFFF", -1},
                                         Status{"host status fetchSuite 0x80000000", INT32_MIN},
                                         Status{"host status fetchSuite -2147483648", INT32_MIN},
                                         Status{"host status fetchSuite 4294967295", -1},
                                         Status{"bus fail CppEvent", 1}, Status{"bus fail CppEvent -0x2", -2}));

TEST(ScenarioParserTest, PluginMainCallsExpectZeroUnlessTold) {
    const Command startup = only("startup");
    EXPECT_EQ(startup.kind, Kind::pluginMain);
    EXPECT_EQ(startup.caller, "KX Interface");
    EXPECT_EQ(startup.selector, "Startup");
    EXPECT_EQ(startup.expectedResult, 0);
    EXPECT_EQ(only("shutdown -> 7").expectedResult, 7);
    const Command call = only("call \"Other Caller\" Reload -> 0xFFFF");
    EXPECT_EQ(call.caller, "Other Caller");
    EXPECT_EQ(call.selector, "Reload");
    EXPECT_EQ(call.expectedResult, 0xFFFF);
}

TEST(ScenarioParserTest, HostEventNamesBecomeIdsFromTheirDefinitionOn) {
    const Scenario scenario =
        ScenarioParser::parse("s.lmh", "idle\nfire idle\nhost event copy 42\nfire copy\nfire 4294967295\n"
                                       "expect host removeNotifier plugin copy -> 0\n");
    ASSERT_EQ(scenario.commands.size(), 6u);
    EXPECT_EQ(scenario.commands[0].eventID, Host::kDefaultIdleEventID);
    EXPECT_EQ(scenario.commands[1].eventID, Host::kDefaultIdleEventID);
    EXPECT_EQ(scenario.commands[2].kind, Kind::defineHostEvent);
    EXPECT_EQ(scenario.commands[3].eventID, 42u);
    EXPECT_EQ(scenario.commands[4].eventID, 4294967295u);
    EXPECT_EQ(scenario.commands[5].pattern.text(), "host removeNotifier plugin 42 -> 0");
    EXPECT_THROW(ScenarioParser::parse("s.lmh", "fire copy\nhost event copy 42\n"), ScenarioLexer::Error);
}

struct Expectation {
    const char* line;
    const char* pattern;
    TranscriptStream stream;
};

void PrintTo(const Expectation& expectation, std::ostream* out) { *out << expectation.line; }

class ExpectationTest : public testing::TestWithParam<Expectation> {};

TEST_P(ExpectationTest, ReadsAsThePatternThatTheTranscriptShows) {
    const Command command = only(GetParam().line);
    EXPECT_EQ(command.kind, Kind::expectEntry);
    EXPECT_EQ(command.pattern.stream, GetParam().stream);
    EXPECT_EQ(command.pattern.text(), GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ExpectationTest,
    testing::Values(
        Expectation{R"(expect bus CppEvent "<![CDATA[<event id=\"7\" />]]>")",
                    R"(bus com.corvane.lumetra.events.CppEvent "<![CDATA[<event id=\"7\" />]]>")",
                    TranscriptStream::bus},
        Expectation{"expect bus my.Type null", "bus my.Type null", TranscriptStream::bus},
        Expectation{"expect subscribe PingRequestEvent -> 0xFFFFFFFF",
                    "subscribe com.corvane.lumetra.events.PingRequestEvent -> -1", TranscriptStream::subscribe},
        Expectation{"expect host fetchSuite bc1e4d70-f953-11d0-8d9f-00c04fd5f7ee 3 -> 0x12345678",
                    "host fetchSuite \"bc1e4d70-f953-11d0-8d9f-00c04fd5f7ee\" 3 -> 305419896",
                    TranscriptStream::host},
        Expectation{"expect host sameString \"Other\" \"KX Interface\" -> false",
                    "host sameString \"Other\" \"KX Interface\" -> false", TranscriptStream::sameString},
        Expectation{"expect host lookupEventID null -> -1", "host lookupEventID null -> -1", TranscriptStream::host},
        Expectation{"expect host addNotifier plugin idle notifier1 null -> 0",
                    "host addNotifier plugin 1768189029 notifier1 null -> 0", TranscriptStream::host},
        Expectation{"expect host removeNotifier 0x1234 7 -> 0", "host removeNotifier 0x1234 7 -> 0",
                    TranscriptStream::host}));

TEST(ScenarioParserTest, NothingNamesOneStreamOrAll) {
    const Command all = only("expect nothing");
    EXPECT_EQ(all.kind, Kind::expectNothing);
    EXPECT_EQ(all.pattern.stream, TranscriptStream::none);
    EXPECT_EQ(only("expect nothing sameString").pattern.stream, TranscriptStream::sameString);
    EXPECT_EQ(only("expect nothing subscribe").pattern.stream, TranscriptStream::subscribe);
}

struct Malformed {
    const char* text;
    std::size_t line;
    const char* message;
};

void PrintTo(const Malformed& malformed, std::ostream* out) { *out << malformed.text; }

class MalformedTest : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedTest, NamesTheLineAndWhatWasExpected) {
    try {
        ScenarioParser::parse("s.lmh", GetParam().text);
        FAIL() << "accepted";
    } catch (const ScenarioLexer::Error& error) {
        EXPECT_EQ(error.line(), GetParam().line);
        EXPECT_STREQ(error.what(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, MalformedTest,
    testing::Values(
        Malformed{"ping\n\nfrobnicate 3\n", 3,
                  "unknown command 'frobnicate'; expected manual, startup, shutdown, call, idle, fire, send, add, "
                  "remove, ping, list, host, bus or expect"},
        Malformed{"\"ping\"", 1, "expected a command, found \"ping\""},
        Malformed{"add alpha", 1, "expected the event text after the sender extension (or null), found the end "
                                  "of the line"},
        Malformed{"add alpha 7 8", 1, "unexpected '8' at the end of the line"},
        Malformed{"call Other", 1, "expected the selector after the caller, found the end of the line"},
        Malformed{"call null Startup", 1, "expected the caller after 'call', found 'null'"},
        Malformed{"startup -> x", 1,
                  "expected the result PluginMain must return (a number from -2147483648 to 4294967295), found 'x'"},
        Malformed{"startup 0", 1, "unexpected '0' at the end of the line"},
        Malformed{"fire -1", 1, "expected an event id or host event name after 'fire' (a number from 0 to "
                                "4294967295), found '-1'"},
        Malformed{"fire 4294967296", 1, "expected an event id or host event name after 'fire' (a number from 0 "
                                        "to 4294967295), found '4294967296'"},
        Malformed{"fire copy", 1, "unknown host event 'copy'; write its id, or name it first with 'host event "
                                  "copy ID'"},
        Malformed{"host status sameString 1", 1, "sameString answers by comparing and takes no scripted status"},
        Malformed{"host status notify 1", 1,
                  "expected fetchSuite, returnSuite, sameString, lookupEventID, addNotifier or removeNotifier "
                  "after 'host status', found 'notify'"},
        Malformed{"host status addNotifier 0x100000000", 1,
                  "expected the status addNotifier returns next (a number from -2147483648 to 4294967295), "
                  "found '0x100000000'"},
        Malformed{"host null PluginMain", 1,
                  "expected fetchSuite, returnSuite, sameString, lookupEventID, addNotifier or removeNotifier "
                  "after 'host null', found 'PluginMain'"},
        Malformed{"host message coreSuite", 1, "expected null after 'host message coreSuite', found the end of "
                                               "the line"},
        Malformed{"host reboot", 1, "expected status, null, message, event, notify, suite or sameString after 'host', found 'reboot'"},
        Malformed{"bus fail CppEvent 0", 1, "a failing subscription needs a non-zero status"},
        Malformed{"bus drop CppEvent", 1, "expected fail, throw or during after 'bus', found 'drop'"},
        Malformed{"expect bus CppEvent", 1, "expected the payload after the event type (or null), found the end "
                                            "of the line"},
        Malformed{"expect subscribe CppEvent 0", 1, "expected -> the status of the subscription, found '0'"},
        Malformed{"expect host addNotifier plugin 7 -> 0", 1,
                  "expected the notifier argument of addNotifier (plugin, notifierN, null or an address), found "
                  "'->'"},
        Malformed{"expect host sameString a b -> 1", 1,
                  "expected true or false as the result of sameString, found '1'"},
        Malformed{"expect host notify 7 notifier1 -> 0", 1,
                  "expected fetchSuite, returnSuite, sameString, lookupEventID, addNotifier or removeNotifier "
                  "after 'expect host', found 'notify'"},
        Malformed{"expect nothing plug-in", 1,
                  "expected bus, subscribe, host or sameString after 'expect nothing', found 'plug-in'"},
        Malformed{"expect result 0", 1, "expected bus, subscribe, host or nothing after 'expect', found 'result'"}));

}  // namespace
