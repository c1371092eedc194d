// One cursor per stream over the transcript, and the host's own calls
// recorded before the calls they caused.
#include <gtest/gtest.h>

#include "Conflux.h"

#include "ScenarioRunner.h"
#include "Transcript.h"

namespace {

using ExpectationMatcher = ScenarioRunner::ExpectationMatcher;

TranscriptEntry entry(TranscriptStream stream, const char* call) {
    TranscriptEntry made;
    made.actor = stream == TranscriptStream::none ? TranscriptActor::host : TranscriptActor::plugin;
    made.stream = stream;
    made.call = call;
    return made;
}

TEST(ExpectationMatcherTest, EachStreamTakesItsOwnEntriesInOrder) {
    std::vector<TranscriptEntry> transcript;
    transcript.push_back(entry(TranscriptStream::host, "fetchSuite"));
    transcript.push_back(entry(TranscriptStream::bus, "first"));
    transcript.push_back(entry(TranscriptStream::host, "lookupEventID"));
    transcript.push_back(entry(TranscriptStream::bus, "second"));
    ExpectationMatcher matcher(transcript);

    EXPECT_EQ(matcher.take(TranscriptStream::bus)->call, "first");
    EXPECT_EQ(matcher.peek(TranscriptStream::bus)->call, "second");
    EXPECT_EQ(matcher.take(TranscriptStream::bus)->call, "second");
    EXPECT_EQ(matcher.take(TranscriptStream::bus), nullptr);
    EXPECT_EQ(matcher.take(TranscriptStream::host)->call, "fetchSuite");
    EXPECT_EQ(matcher.take(TranscriptStream::host)->call, "lookupEventID");
    EXPECT_EQ(matcher.peek(TranscriptStream::subscribe), nullptr);
}

TEST(ExpectationMatcherTest, SkippingPassesOverWhatIsThereSoFar) {
    std::vector<TranscriptEntry> transcript;
    transcript.push_back(entry(TranscriptStream::bus, "old"));
    ExpectationMatcher matcher(transcript);
    matcher.skipAll();
    EXPECT_EQ(matcher.peek(TranscriptStream::bus), nullptr);
    transcript.push_back(entry(TranscriptStream::bus, "new"));
    EXPECT_EQ(matcher.take(TranscriptStream::bus)->call, "new");
}

void dispatchWhenNotified(std::uint32_t, _ADsc*, std::int32_t, void*) {
    const cflx::event::Event event{"during the next notification", 0, nullptr, nullptr, nullptr};
    DispatchEvent(&event);
}

std::int32_t installingEntry(KXString, KXString, KXMessage* message) {
    const void* suite = nullptr;
    message->coreSuite->fetchSuite(kLMActionControlSuite, kLMActionControlSuiteVersion, &suite);
    static_cast<const LMActionControlProcs*>(suite)->addNotifier(message->plugin, 7, dispatchWhenNotified, nullptr);
    message->coreSuite->returnSuite(kLMActionControlSuite, kLMActionControlSuiteVersion);
    return 0;
}

// The host logs its own calls when they start, so each stands before the
// calls it caused.
TEST(TranscriptTest, TheHostsOwnCallGoesBeforeTheCallsItCaused) {
    Host host;
    Transcript transcript(host);
    const cflx::event::Event earlier{"earlier", 0, nullptr, nullptr, nullptr};
    DispatchEvent(&earlier);
    host.startup(installingEntry);
    host.fireEvent(7);

    std::vector<std::string> calls;
    for (const TranscriptEntry& made : transcript.entries()) {
        calls.push_back(made.call);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"DispatchEvent", "PluginMain", "fetchSuite", "addNotifier",
                                               "returnSuite", "notify", "DispatchEvent"}));
    EXPECT_EQ(transcript.entries()[1].text(), "PluginMain \"KX Interface\" \"Startup\" -> 0");
}

}  // namespace
