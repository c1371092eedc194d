// The plug-in's life inside a host: a thousand load/Startup/traffic/Shutdown/
// unload cycles of the real binary in one process, calls after Shutdown, a
// second Startup or Shutdown, and notifiers that are removed while they run.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ConfluxControl.h"
#include "ExpectedPayloads.h"
#include "LMEventCatalogue.h"
#include "PluginAllocations.h"
#include "PluginSession.h"
#include "ProcessMemory.h"

namespace {

const std::string kExtension = "com.example.extensions.lifecycle";

void add(PluginSession& session, const std::string& sender, const char* event) {
    session.request(LMEventCatalogue::kAddEventListener, sender.c_str(), event);
}

void remove(PluginSession& session, const std::string& sender, const char* event) {
    session.request(LMEventCatalogue::kRemoveEventListener, sender.c_str(), event);
}

std::vector<HostCallKind> kindsOf(const std::vector<HostCall>& calls) {
    std::vector<HostCallKind> kinds;
    for (const HostCall& call : calls) {
        kinds.push_back(call.kind);
    }
    return kinds;
}

// A fresh load must hook up from scratch: an unload that left the plug-in's
// state behind would show here as a missing subscription.
void runOneCycle(int cycle) {
    PluginSession session(QUAYLINE_PLUGIN_PATH);
    PluginAllocations::watch(session.module());
    ASSERT_EQ(session.startup(), 0) << "cycle " << cycle;
    ASSERT_TRUE(session.hookUp()) << "cycle " << cycle;
    for (const char* type : LMEventCatalogue::kRequests) {
        ASSERT_EQ(ConfluxControlSubscriberCount(type), 1) << type << " in cycle " << cycle;
    }
    add(session, kExtension, "12");
    add(session, kExtension, "000000000000000000000007");
    add(session, "other", "12");
    session.request(LMEventCatalogue::kPingRequest, "other", "");
    session.host().fireEvent(12);
    ASSERT_EQ(session.listEvents(kExtension),
              ExpectedPayloads::eventListPayload({"000000000000000000000007", "12"}));
    remove(session, kExtension, "12");
    ASSERT_EQ(session.host().installedNotifiers().size(), 2u) << "cycle " << cycle;
    ASSERT_EQ(session.shutdown(), 0);
    ASSERT_TRUE(session.host().installedNotifiers().empty()) << "cycle " << cycle;
    ASSERT_EQ(session.host().finishRun(), std::vector<std::string>{}) << "cycle " << cycle;
    ASSERT_EQ(PluginAllocations::liveBlocks(), 0) << "cycle " << cycle;
    PluginAllocations::stopWatching();
}

TEST(LifecycleTest, AThousandLoadCyclesLeaveNothingBehind) {
    constexpr int kCycles = 1000;
    // The first cycles warm up the loader's and the runtime's own caches.
    constexpr int kWarmUp = 20;
    constexpr std::size_t kSlackBytes = 64 * 1024;
    std::size_t baseline = 0;
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        runOneCycle(cycle);
        if (HasFatalFailure()) {
            return;
        }
        if (cycle == kWarmUp) {
            baseline = ProcessMemory::allocatedBytes();
        } else if (cycle > kWarmUp) {
            ASSERT_LE(ProcessMemory::allocatedBytes(), baseline + kSlackBytes)
                << "the process heap grows by load cycle; cycle " << cycle;
        }
    }
    std::cout << "lifecycle: " << kCycles << " load cycles\n";
}

class AfterStartupTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(session.startup(), 0);
        ASSERT_TRUE(session.hookUp());
        add(session, kExtension, "7");
        session.clearSent();
        session.host().clearCalls();
    }

    // PluginMain's own record, then only its comparisons.
    void expectOnlyEntryDispatch(std::size_t comparisons) {
        std::vector<HostCallKind> expected(comparisons, HostCallKind::sameString);
        expected.insert(expected.begin(), HostCallKind::pluginMain);
        EXPECT_EQ(kindsOf(session.host().calls()), expected);
    }

    PluginSession session{QUAYLINE_PLUGIN_PATH};
};

TEST_F(AfterStartupTest, ASecondStartupChangesNothing) {
    EXPECT_EQ(session.startup(), 0);
    expectOnlyEntryDispatch(2);
    EXPECT_EQ(session.listEvents(kExtension), ExpectedPayloads::eventListPayload({"7"}));
    EXPECT_EQ(session.shutdown(), 0);
}

TEST_F(AfterStartupTest, ASecondShutdownDoesNothing) {
    EXPECT_EQ(session.shutdown(), 0);
    session.host().clearCalls();
    EXPECT_EQ(session.shutdown(), 0);
    expectOnlyEntryDispatch(3);
    EXPECT_EQ(session.host().finishRun(), std::vector<std::string>{});
}

TEST_F(AfterStartupTest, RequestsAndNotificationsAfterShutdownAreIgnored) {
    session.host().scriptStatuses(HostCallKind::removeNotifier, {-1});
    EXPECT_EQ(session.shutdown(), 0);
    ASSERT_EQ(session.host().installedNotifiers().size(), 1u) << "the host kept the notifier for 7";
    session.host().clearCalls();
    add(session, kExtension, "8");
    remove(session, kExtension, "7");
    session.request(LMEventCatalogue::kPingRequest, kExtension.c_str(), "");
    EXPECT_EQ(session.listEvents(kExtension), std::nullopt);
    session.host().fireEvent(7);
    EXPECT_TRUE(session.sent().empty());
    EXPECT_EQ(kindsOf(session.host().calls()), std::vector<HostCallKind>{HostCallKind::notify});
    EXPECT_EQ(session.host().violations(), std::vector<std::string>{});
}

TEST_F(AfterStartupTest, ANewStartupFetchesAgainAndKeepsTheSubscriptions) {
    EXPECT_EQ(session.shutdown(), 0);
    EXPECT_EQ(session.startup(), 0);
    session.idle();
    for (const char* type : LMEventCatalogue::kRequests) {
        EXPECT_EQ(ConfluxControlSubscriberCount(type), 1) << type;
    }
    EXPECT_EQ(session.listEvents(kExtension), ExpectedPayloads::eventListPayload({}));
    add(session, kExtension, "9");
    EXPECT_EQ(session.listEvents(kExtension), ExpectedPayloads::eventListPayload({"9"}));
    EXPECT_EQ(session.shutdown(), 0);
    EXPECT_EQ(session.host().finishRun(), std::vector<std::string>{});
}

TEST(IdleTest, IdleAfterAShutdownBeforeTheHookUpIsIgnored) {
    PluginSession session(QUAYLINE_PLUGIN_PATH);
    ASSERT_EQ(session.startup(), 0);
    session.host().scriptStatuses(HostCallKind::removeNotifier, {-1});
    EXPECT_EQ(session.shutdown(), 0);
    ASSERT_EQ(session.host().installedNotifiers().size(), 1u) << "the host kept the idle notifier";
    session.idle();
    EXPECT_EQ(ConfluxControlSubscriptionCallCount(), 0);
}

TEST(IdleTest, TheIdleNotifierRemovesItselfWhileItRuns) {
    PluginSession session(QUAYLINE_PLUGIN_PATH);
    ASSERT_EQ(session.startup(), 0);
    session.idle();
    EXPECT_TRUE(session.host().installedNotifiers().empty());
    session.idle();
    EXPECT_EQ(ConfluxControlSubscriptionCallCount(), 4);
    EXPECT_EQ(session.shutdown(), 0);
    EXPECT_EQ(session.host().violations(), std::vector<std::string>{});
}

// An extension that stops listening as soon as it hears of the event: its
// remove request arrives while the event's notifier is still running.
struct Unsubscriber {
    PluginSession* session;
    const char* event;
};

void unsubscribeOnEvent(const cflx::event::Event*, void* userData) {
    const auto* unsubscriber = static_cast<const Unsubscriber*>(userData);
    remove(*unsubscriber->session, kExtension, unsubscriber->event);
}

TEST(NotifierTest, ANotifierRemovedWhileItRuns) {
    PluginSession session(QUAYLINE_PLUGIN_PATH);
    ASSERT_EQ(session.startup(), 0);
    ASSERT_TRUE(session.hookUp());
    add(session, kExtension, "7");
    add(session, kExtension, "07");
    Unsubscriber unsubscriber{&session, "7"};
    ASSERT_EQ(AddEventListener(LMEventCatalogue::kCppEvent, unsubscribeOnEvent, &unsubscriber), 0);
    session.host().fireEvent(7);
    EXPECT_EQ(session.host().installedNotifiers().size(), 1u);
    EXPECT_EQ(session.listEvents(kExtension), ExpectedPayloads::eventListPayload({"07"}));
    unsubscriber.event = "07";
    session.host().fireEvent(7);
    EXPECT_TRUE(session.host().installedNotifiers().empty());
    session.clearSent();
    session.host().fireEvent(7);
    EXPECT_TRUE(session.sent().empty());
    EXPECT_EQ(session.shutdown(), 0);
    EXPECT_EQ(session.host().finishRun(), std::vector<std::string>{});
}

}  // namespace
