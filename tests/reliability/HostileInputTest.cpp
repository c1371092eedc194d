// What an extension can send the plug-in over the bus, however odd: null
// fields, markup, bytes that are not UTF-8, 1 MiB texts, 10^5 distinct keys.
// No crash, responses exactly as the catalogue gives them (texts verbatim,
// never escaped), and the plug-in's memory back where it was once every
// listener is removed.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ExpectedPayloads.h"
#include "LMEventCatalogue.h"
#include "PluginAllocations.h"
#include "PluginSession.h"
#include "ProcessMemory.h"
#include "RegistryModel.h"

namespace {

class HostileInputTest : public testing::Test {
protected:
    void SetUp() override {
        PluginAllocations::watch(session.module());
        ASSERT_EQ(session.startup(), 0);
        ASSERT_TRUE(session.hookUp());
        baselineBlocks = PluginAllocations::liveBlocks();
        baselineBytes = PluginAllocations::liveBytes();
        session.host().clearCalls();
    }

    void TearDown() override {
        EXPECT_EQ(session.host().violations(), std::vector<std::string>{});
        EXPECT_EQ(session.shutdown(), 0);
        EXPECT_EQ(session.host().finishRun(), std::vector<std::string>{});
        EXPECT_EQ(PluginAllocations::liveBlocks(), 0);
        PluginAllocations::stopWatching();
    }

    void add(const char* sender, const char* event) {
        session.request(LMEventCatalogue::kAddEventListener, sender, event);
    }
    void remove(const char* sender, const char* event) {
        session.request(LMEventCatalogue::kRemoveEventListener, sender, event);
    }

    void expectMemoryAtBaseline() {
        EXPECT_EQ(PluginAllocations::liveBlocks(), baselineBlocks);
        EXPECT_EQ(PluginAllocations::liveBytes(), baselineBytes);
    }

    // Host calls other than the lifecycle's own, which SetUp cleared.
    std::size_t notifierCalls() {
        std::size_t count = 0;
        for (const HostCall& call : session.host().calls()) {
            count += call.kind == HostCallKind::addNotifier || call.kind == HostCallKind::removeNotifier;
        }
        return count;
    }

    PluginSession session{QUAYLINE_PLUGIN_PATH};
    long baselineBlocks = 0;
    std::size_t baselineBytes = 0;
};

// The host stand-in keeps its notifiers in a list, which makes 10^5 removals
// quadratic; this table counts installations per id and holds the plug-in to
// the same rules (no removal of what is not installed).
class CountingNotifiers {
public:
    explicit CountingNotifiers(LMActionControlProcs& suite)
        : suite(suite), saved(suite) {
        misuses = 0;
        suite.addNotifier = add;
        suite.removeNotifier = remove;
    }
    ~CountingNotifiers() {
        suite = saved;
        std::unordered_map<std::uint32_t, int>().swap(installations);
    }
    CountingNotifiers(const CountingNotifiers&) = delete;
    CountingNotifiers& operator=(const CountingNotifiers&) = delete;

    static std::size_t installed() {
        std::size_t total = 0;
        for (const auto& entry : installations) {
            total += static_cast<std::size_t>(entry.second);
        }
        return total;
    }
    static int misuse() { return misuses; }

private:
    static LMErr add(KXPlugin*, std::uint32_t eventID, LMNotifyProc notifier, void*) {
        misuses += notifier == nullptr;
        ++installations[eventID];
        return 0;
    }
    static LMErr remove(KXPlugin*, std::uint32_t eventID) {
        const auto found = installations.find(eventID);
        if (found == installations.end()) {
            ++misuses;
            return -1;
        }
        if (--found->second == 0) {
            installations.erase(found);
        }
        return 0;
    }

    static std::unordered_map<std::uint32_t, int> installations;
    static int misuses;
    LMActionControlProcs& suite;
    LMActionControlProcs saved;
};

std::unordered_map<std::uint32_t, int> CountingNotifiers::installations;
int CountingNotifiers::misuses = 0;

struct NullFieldCase {
    const char* name;
    const char* type;
    const char* sender;
    const char* payload;
    // Only a ping is answered: it reads nothing of the request.
    bool answered;
};

TEST_F(HostileInputTest, NullFieldsAreIgnoredWhereTheyAreRead) {
    const NullFieldCase cases[] = {
        {"add without sender", LMEventCatalogue::kAddEventListener, nullptr, "7", false},
        {"add without payload", LMEventCatalogue::kAddEventListener, "a", nullptr, false},
        {"remove without sender", LMEventCatalogue::kRemoveEventListener, nullptr, "7", false},
        {"remove without payload", LMEventCatalogue::kRemoveEventListener, "a", nullptr, false},
        {"list without sender", LMEventCatalogue::kListEventsRequest, nullptr, "", false},
        {"list without either", LMEventCatalogue::kListEventsRequest, nullptr, nullptr, false},
        {"ping without either", LMEventCatalogue::kPingRequest, nullptr, nullptr, true},
    };
    for (const NullFieldCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        session.clearSent();
        session.request(testCase.type, testCase.sender, testCase.payload);
        EXPECT_EQ(session.sent().size(), testCase.answered ? 1u : 0u);
    }
    EXPECT_EQ(notifierCalls(), 0u);
    EXPECT_EQ(session.listEvents("a"), ExpectedPayloads::eventListPayload({}));
}

TEST_F(HostileInputTest, ANullRecordIsIgnoredByEveryHandler) {
    for (const char* type : LMEventCatalogue::kRequests) {
        SCOPED_TRACE(type);
        const EventBusCallback handler = session.subscribedHandler(type);
        ASSERT_NE(handler, nullptr);
        session.clearSent();
        handler(nullptr, nullptr);
        EXPECT_TRUE(session.sent().empty());
    }
    EXPECT_EQ(notifierCalls(), 0u);
}

TEST_F(HostileInputTest, TextsAreKeptAndListedByteForByte) {
    const std::string texts[] = {"",           "\"",         "<",        "]]>",   "<\"]]>&'/>",
                                 "\xff\xfe\x80", "\xc3\x28", " \t5",     "-1",    "4294967296",
                                 "<event id=\"1\" />", "\x01\x1f\x7f", "</events>]]><![CDATA["};
    for (const std::string& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text));
        const std::string sender = "sender " + text;
        add(sender.c_str(), text.c_str());
        EXPECT_EQ(session.listEvents(sender), ExpectedPayloads::eventListPayload({text}));
        ASSERT_FALSE(session.host().calls().empty());
        EXPECT_EQ(session.host().calls().back().eventID, RegistryModel::eventID(text));
        remove(sender.c_str(), text.c_str());
        EXPECT_EQ(session.listEvents(sender), ExpectedPayloads::eventListPayload({}));
    }
    EXPECT_TRUE(session.host().installedNotifiers().empty());
    expectMemoryAtBaseline();
}

TEST_F(HostileInputTest, OneMebibytePayloadsAndSenders) {
    const std::string payload = "7" + std::string(1 << 20, '"');
    const std::string sender(1 << 20, '\xfe');
    add(sender.c_str(), payload.c_str());
    add(sender.c_str(), "12");
    EXPECT_EQ(session.listEvents(sender), ExpectedPayloads::eventListPayload({"12", payload}));
    session.clearSent();
    session.host().fireEvent(7);
    ASSERT_EQ(session.sent().size(), 1u);
    EXPECT_EQ(
        session.sent()[0].describe(),
        BusRecord::fromPlugin(LMEventCatalogue::kCppEvent, ExpectedPayloads::eventPayload(7)).describe());
    remove(sender.c_str(), payload.c_str());
    remove(sender.c_str(), "12");
    EXPECT_EQ(session.listEvents(sender), ExpectedPayloads::eventListPayload({}));
    expectMemoryAtBaseline();
}

constexpr int kManyKeys = 100000;

// Descending numbers, so the table is filled against its order.
std::string manyText(int i) { return std::to_string(kManyKeys - i); }
std::string manyListener(int i) { return "com.example.extension." + std::to_string(i); }

TEST_F(HostileInputTest, HundredThousandDistinctEventTextsAndListeners) {
    const std::string emptyList = ExpectedPayloads::eventListPayload({});
    std::size_t expectedLength = emptyList.size();
    for (int i = 0; i < kManyKeys; ++i) {
        expectedLength += ExpectedPayloads::eventListPayload({manyText(i)}).size() - emptyList.size();
    }
    const auto round = [&] {
        const CountingNotifiers notifiers(session.host().actionControl());
        for (int i = 0; i < kManyKeys; ++i) {
            add(manyListener(i).c_str(), manyText(i).c_str());
            add(manyListener(0).c_str(), manyText(i).c_str());
        }
        EXPECT_EQ(CountingNotifiers::installed(), static_cast<std::size_t>(kManyKeys));
        EXPECT_EQ(session.listEvents(manyListener(kManyKeys - 1)),
                  ExpectedPayloads::eventListPayload({manyText(kManyKeys - 1)}));
        EXPECT_EQ(session.listEvents(manyListener(0)).value_or("").size(), expectedLength)
            << "every event text listed once";
        for (int i = kManyKeys - 1; i >= 0; --i) {
            remove(manyListener(i).c_str(), manyText(i).c_str());
            remove(manyListener(0).c_str(), manyText(i).c_str());
        }
        EXPECT_EQ(CountingNotifiers::installed(), 0u);
        EXPECT_EQ(CountingNotifiers::misuse(), 0);
        EXPECT_EQ(session.listEvents(manyListener(0)), ExpectedPayloads::eventListPayload({}));
        session.clearSent();
    };
    // Watching every allocation's stack would take minutes at this volume;
    // the whole process's heap tells whether anything stays behind. The first
    // round grows the stand-ins' own logs to their size, the second must
    // leave the heap where the first did.
    PluginAllocations::stopWatching();
    round();
    const std::size_t heapAfterFirstRound = ProcessMemory::allocatedBytes();
    round();
    EXPECT_LE(ProcessMemory::allocatedBytes(), heapAfterFirstRound + 4096)
        << "the heap grew with the traffic";
    PluginAllocations::resumeWatching();
    expectMemoryAtBaseline();
}

}  // namespace
