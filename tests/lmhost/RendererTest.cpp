// The JSON Lines transcript: one object per line, texts byte for byte.
#include <gtest/gtest.h>

#include <sstream>

#include "JsonLinesRenderer.h"
#include "TextRenderer.h"

namespace {

TEST(JsonLinesRendererTest, WritesEveryByteOfATextAsItsOwnCodePoint) {
    EXPECT_EQ(JsonLinesRenderer::quoted("a\"b\\c\n\t\r\x01\x7F\xC3\xA9"),
              R"("a\"b\\c\n\t\r\u0001\u007f\u00c3\u00a9")");
}

TEST(JsonLinesRendererTest, WritesACallWithAllItsFields) {
    std::ostringstream out;
    JsonLinesRenderer renderer(out, false);
    const cflx::event::Event event{"com.corvane.lumetra.events.CppEvent", 0, "LMTR", nullptr, "<e id=\"7\"/>"};
    TranscriptEntry entry = TranscriptEntry::pluginDispatch(&event);
    entry.line = 12;
    renderer.entry(entry);
    EXPECT_EQ(out.str(), "{\"record\":\"call\",\"line\":12,\"from\":\"plug-in\",\"to\":\"bus\",\"call\":\"DispatchEvent\","
                         "\"eventType\":\"com.corvane.lumetra.events.CppEvent\",\"payload\":\"<e id=\\\"7\\\"/>\","
                         "\"senderApp\":\"LMTR\",\"senderExtension\":null,\"deliveryMode\":0}\n");
}

TEST(JsonLinesRendererTest, QuietKeepsOnlyFailuresAndViolations) {
    std::ostringstream out;
    JsonLinesRenderer renderer(out, true);
    renderer.start("s.lmh", "Quayline.so");
    renderer.step(3, "ping");
    renderer.summary(RunOutcome{});
    renderer.failure(RunFailure{3, "it failed", "bus x \"\"", "nothing"});
    renderer.violation("the action-control suite was never returned");
    EXPECT_EQ(out.str(), "{\"record\":\"failure\",\"line\":3,\"message\":\"it failed\",\"expected\":\"bus x \\\"\\\"\","
                         "\"actual\":\"nothing\"}\n"
                         "{\"record\":\"violation\",\"message\":\"the action-control suite was never returned\"}\n");
}

TEST(TextRendererTest, PutsFailuresOnTheErrorStreamAndQuietDropsTheRest) {
    std::ostringstream out;
    std::ostringstream err;
    TextRenderer renderer(out, err, true);
    renderer.start("s.lmh", "Quayline.so");
    renderer.step(3, "ping");
    renderer.failure(RunFailure{3, "it failed", "bus x \"\"", "nothing"});
    renderer.violation("the suite was never returned");
    renderer.error("s.lmh", 4, "unknown command 'pong'");
    renderer.error("", 0, "cannot load the plug-in x.so: no such file");
    renderer.summary(RunOutcome{});
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "s.lmh:3: it failed\n  expected: bus x \"\"\n  actual:   nothing\n"
                         "lmhost: host contract violated: the suite was never returned\n"
                         "s.lmh:4: unknown command 'pong'\n"
                         "lmhost: cannot load the plug-in x.so: no such file\n");
}

}  // namespace
