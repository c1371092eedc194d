// One cursor per stream over the transcript, and the host's own calls
// recorded before the calls they caused.
#include <gtest/gtest.h>

#include "Conflux.h"

#include "EntryText.h"
#include "ExpectationMatcher.h"
#include "Transcript.h"
#include "TranscriptRecorder.h"

namespace {

TranscriptEntry entry(TranscriptStream stream, const char* call) {
    TranscriptEntry made;
    made.actor = stream == TranscriptStream::none ? TranscriptActor::host : TranscriptActor::plugin;
    made.stream = stream;
    made.call = call;
    return made;
}

TEST(ExpectationMatcherTest, EachStreamTakesItsOwnEntriesInOrder) {
    Transcript transcript;
    transcript.append(entry(TranscriptStream::host, "fetchSuite"));
    transcript.append(entry(TranscriptStream::bus, "first"));
    transcript.append(entry(TranscriptStream::host, "lookupEventID"));
    transcript.append(entry(TranscriptStream::bus, "second"));
    ExpectationMatcher matcher(transcript.entries());

    EXPECT_EQ(matcher.take(TranscriptStream::bus)->call, "first");
    EXPECT_EQ(matcher.peek(TranscriptStream::bus)->call, "second");
    EXPECT_EQ(matcher.take(TranscriptStream::bus)->call, "second");
    EXPECT_EQ(matcher.take(TranscriptStream::bus), nullptr);
    EXPECT_EQ(matcher.take(TranscriptStream::host)->call, "fetchSuite");
    EXPECT_EQ(matcher.take(TranscriptStream::host)->call, "lookupEventID");
    EXPECT_EQ(matcher.peek(TranscriptStream::subscribe), nullptr);
}

TEST(ExpectationMatcherTest, SkippingPassesOverWhatIsThereSoFar) {
    Transcript transcript;
    transcript.append(entry(TranscriptStream::bus, "old"));
    ExpectationMatcher matcher(transcript.entries());
    matcher.skipAll();
    EXPECT_EQ(matcher.peek(TranscriptStream::bus), nullptr);
    transcript.append(entry(TranscriptStream::bus, "new"));
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
TEST(TranscriptRecorderTest, TheHostsOwnCallGoesBeforeTheCallsItCaused) {
    Host host;
    Transcript transcript;
    TranscriptRecorder recorder(host, transcript);
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
    EXPECT_EQ(EntryText::describe(transcript.entries()[1]), "PluginMain \"KX Interface\" \"Startup\" -> 0");
}

}  // namespace
