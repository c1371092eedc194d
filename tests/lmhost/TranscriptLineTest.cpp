// A transcript line pasted after `expect ` holds for the call it shows, and
// only for that call.
#include <gtest/gtest.h>

#include <string>

#include "ScenarioParser.h"
#include "ScenarioRunner.h"
#include "Transcript.h"

namespace {

using ExpectationMatcher = ScenarioRunner::ExpectationMatcher;

void someNotifier(std::uint32_t, _ADsc*, std::int32_t, void*) {}

HostCall hostCall(HostCallKind kind, std::vector<std::optional<std::string>> texts, std::int32_t status) {
    HostCall call{kind, std::move(texts)};
    call.status = status;
    return call;
}

HostCall notifierCall(HostCallKind kind, KXPlugin* plugin, std::uint32_t eventID, std::int32_t status) {
    HostCall call = hostCall(kind, {}, status);
    call.plugin = plugin;
    call.eventID = eventID;
    call.notifier = kind == HostCallKind::addNotifier ? someNotifier : nullptr;
    return call;
}

TranscriptEntry patternOf(const std::string& line) {
    const Scenario scenario = ScenarioParser::parse("t.lmh", "expect " + line);
    return scenario.commands.front().pattern;
}

struct Shown {
    TranscriptEntry entry;
    const char* line;
};

std::vector<Shown> shownEntries() {
    Host host;
    Transcript transcript(host);
    KXPlugin* const hostPlugin = host.pluginReference();
    HostCall fetch = hostCall(HostCallKind::fetchSuite, {"bc1e4d70-f953-11d0-8d9f-00c04fd5f7ee"}, 0);
    fetch.version = 3;
    const cflx::event::Event cppEvent{"com.corvane.lumetra.events.CppEvent", 0, "LMTR", nullptr,
                                      "<![CDATA[<event id=\"7\" />]]>"};
    const cflx::event::Event oddPayload{"odd type", 0, "LMTR", nullptr, "\"\n\xC3\xA9\x01"};
    const cflx::event::Event nullPayload{"com.corvane.lumetra.events.PingResponseEvent", 0, "LMTR", nullptr, nullptr};
    return {
        {transcript.hostCallEntry(fetch), "host fetchSuite \"bc1e4d70-f953-11d0-8d9f-00c04fd5f7ee\" 3 -> 0"},
        {transcript.hostCallEntry(hostCall(HostCallKind::sameString, {"KX\tInterface", "KX Interface"}, 0)),
         "host sameString \"KX\\tInterface\" \"KX Interface\" -> false"},
        {transcript.hostCallEntry(hostCall(HostCallKind::lookupEventID, {std::nullopt}, -1)), "host lookupEventID null -> -1"},
        {transcript.hostCallEntry(notifierCall(HostCallKind::addNotifier, hostPlugin, 4294967295u, 0)),
         "host addNotifier plugin 4294967295 notifier1 null -> 0"},
        {transcript.hostCallEntry(notifierCall(HostCallKind::removeNotifier, reinterpret_cast<KXPlugin*>(0xbeef), 7, -1004)),
         "host removeNotifier 0xbeef 7 -> -1004"},
        {TranscriptEntry::pluginDispatch(&cppEvent),
         "bus com.corvane.lumetra.events.CppEvent \"<![CDATA[<event id=\\\"7\\\" />]]>\""},
        {TranscriptEntry::pluginDispatch(&oddPayload), "bus \"odd type\" \"\\\"\\n\\xC3\\xA9\\x01\""},
        {TranscriptEntry::pluginDispatch(&nullPayload), "bus com.corvane.lumetra.events.PingResponseEvent null"},
        {TranscriptEntry::subscription("com.corvane.lumetra.events.AddEventListener", TranscriptEntry::Value::word("handler1"),
                                  nullptr, 7),
         "subscribe com.corvane.lumetra.events.AddEventListener -> 7"},
    };
}

TEST(TranscriptLineTest, ShowsEachCallAsTheExpectationThatHoldsForIt) {
    for (const Shown& shown : shownEntries()) {
        EXPECT_EQ(shown.entry.text(), shown.line);
        EXPECT_TRUE(ExpectationMatcher::matches(patternOf(shown.line), shown.entry)) << shown.line;
    }
}

TEST(TranscriptLineTest, NoExpectationHoldsForAnotherCall) {
    const std::vector<Shown> shown = shownEntries();
    for (std::size_t expected = 0; expected < shown.size(); ++expected) {
        for (std::size_t actual = 0; actual < shown.size(); ++actual) {
            EXPECT_EQ(ExpectationMatcher::matches(patternOf(shown[expected].line), shown[actual].entry),
                      expected == actual)
                << shown[expected].line << " against " << shown[actual].line;
        }
    }
}

struct Deviation {
    cflx::event::Event record;
    const char* line;
};

void PrintTo(const Deviation& deviation, std::ostream* out) { *out << deviation.line; }

class DeviationTest : public testing::TestWithParam<Deviation> {};

// The plug-in must send "LMTR", no sender extension and mode 0 with every
// event; a record that differs fails `expect bus` and shows how it differs.
TEST_P(DeviationTest, ARecordWithOtherFixedMembersFailsAndShowsThem) {
    const TranscriptEntry entry = TranscriptEntry::pluginDispatch(&GetParam().record);
    EXPECT_EQ(entry.text(), GetParam().line);
    EXPECT_FALSE(ExpectationMatcher::matches(patternOf("bus PingResponseEvent \"\""), entry));
}

INSTANTIATE_TEST_SUITE_P(
    Records, DeviationTest,
    testing::Values(Deviation{{"com.corvane.lumetra.events.PingResponseEvent", 0, "LMTX", nullptr, ""},
                              "bus com.corvane.lumetra.events.PingResponseEvent \"\" (senderApp \"LMTX\")"},
                    Deviation{{"com.corvane.lumetra.events.PingResponseEvent", 0, nullptr, nullptr, ""},
                              "bus com.corvane.lumetra.events.PingResponseEvent \"\" (senderApp null)"},
                    Deviation{{"com.corvane.lumetra.events.PingResponseEvent", 0, "LMTR", "alpha", ""},
                              "bus com.corvane.lumetra.events.PingResponseEvent \"\" (senderExtension \"alpha\")"},
                    Deviation{{"com.corvane.lumetra.events.PingResponseEvent", 2, "LMTR", nullptr, ""},
                              "bus com.corvane.lumetra.events.PingResponseEvent \"\" (deliveryMode 2)"}));

TEST(TranscriptLineTest, AnExtensionsRequestIsNoEventOfThePlugin) {
    const cflx::event::Event request{"com.corvane.lumetra.events.PingResponseEvent", 0, "LMTR", nullptr, ""};
    const TranscriptEntry entry = TranscriptEntry::extensionDispatch(request);
    EXPECT_EQ(entry.text(), "send com.corvane.lumetra.events.PingResponseEvent null \"\"");
    EXPECT_FALSE(ExpectationMatcher::matches(patternOf("bus PingResponseEvent \"\""), entry));
}

TEST(TranscriptLineTest, ASubscriptionWithUserDataFailsAndShowsIt) {
    int context = 0;
    const TranscriptEntry entry = TranscriptEntry::subscription("com.corvane.lumetra.events.AddEventListener",
                                                           TranscriptEntry::Value::word("handler1"), &context, 0);
    EXPECT_NE(entry.text().find("(userData 0x"), std::string::npos);
    EXPECT_FALSE(ExpectationMatcher::matches(patternOf("subscribe AddEventListener -> 0"), entry));
}

TEST(TranscriptLineTest, NotifiersAreNamedInTheOrderTheyFirstAppear) {
    Host host;
    Transcript transcript(host);
    KXPlugin* const hostPlugin = host.pluginReference();
    HostCall idle = notifierCall(HostCallKind::addNotifier, hostPlugin, 1, 0);
    idle.notifier = [](std::uint32_t, _ADsc*, std::int32_t, void*) {};
    const HostCall event = notifierCall(HostCallKind::addNotifier, hostPlugin, 7, 0);
    EXPECT_EQ(transcript.hostCallEntry(idle).text(), "host addNotifier plugin 1 notifier1 null -> 0");
    EXPECT_EQ(transcript.hostCallEntry(event).text(), "host addNotifier plugin 7 notifier2 null -> 0");
    EXPECT_EQ(transcript.hostCallEntry(idle).text(), "host addNotifier plugin 1 notifier1 null -> 0");
}

}  // namespace
