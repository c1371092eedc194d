// One cursor per stream over the transcript, and the host's own calls put
// before the calls they caused.
#include <gtest/gtest.h>

#include "EntryText.h"
#include "ExpectationMatcher.h"
#include "Transcript.h"

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

TEST(ExpectationMatcherTest, TheHostsOwnCallGoesBeforeTheCallsItCaused) {
    Transcript transcript;
    transcript.append(entry(TranscriptStream::bus, "earlier"));
    transcript.startGroup();
    transcript.append(entry(TranscriptStream::host, "removeNotifier"));
    transcript.append(entry(TranscriptStream::host, "returnSuite"));
    transcript.appendHostCall(entry(TranscriptStream::none, "PluginMain"));
    transcript.append(entry(TranscriptStream::bus, "during the next notification"));
    transcript.appendHostCall(entry(TranscriptStream::none, "notify"));

    std::vector<std::string> calls;
    for (const TranscriptEntry& made : transcript.entries()) {
        calls.push_back(made.call);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"earlier", "PluginMain", "removeNotifier", "returnSuite", "notify",
                                               "during the next notification"}));
}

}  // namespace
