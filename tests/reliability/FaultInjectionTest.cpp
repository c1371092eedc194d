// Every host call and every allocation of each entry point fails in turn:
// nothing escapes, nothing crashes, the host's notifier table matches the
// registry afterwards and Shutdown still cleans up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "EntryPoint.h"
#include "LMEventCatalogue.h"
#include "PluginAllocations.h"
#include "PluginDifferential.h"
#include "PluginSession.h"
#include "RegistryModel.h"

namespace {

// Refusals in 16 bits (sign and range edges) and values whose low 16 bits
// are zero: success for the action-control members, failure for the suite
// fetch and for the bus.
const std::int32_t kStatuses[] = {1,
                                  -1,
                                  2,
                                  0x7FFF,
                                  0x8000,
                                  0xFFFF,
                                  -108,
                                  0x00010001,
                                  0x10000,
                                  0x7FFF0000,
                                  std::numeric_limits<std::int32_t>::min(),
                                  static_cast<std::int32_t>(0xFFFF0000u),
                                  std::numeric_limits<std::int32_t>::max()};

bool isScriptable(HostCallKind kind) {
    return kind == HostCallKind::fetchSuite || kind == HostCallKind::returnSuite ||
           kind == HostCallKind::lookupEventID || kind == HostCallKind::addNotifier ||
           kind == HostCallKind::removeNotifier;
}

std::vector<HostCallKind> hostCallsOf(const EntryPoint& entry) {
    PluginDifferential run(QUAYLINE_PLUGIN_PATH);
    for (const PluginAction& action : entry.setup) {
        run.apply(action);
    }
    const std::size_t before = run.model().hostCalls().size();
    run.apply(entry.call);
    std::vector<HostCallKind> kinds;
    for (std::size_t i = before; i < run.model().hostCalls().size(); ++i) {
        kinds.push_back(run.model().hostCalls()[i].call.kind);
    }
    run.finish();
    return kinds;
}

// The model predicts every effect of a refusal; afterwards each listener's
// list is compared too, and Shutdown must leave behind only what the host
// itself refused to remove (finish() compares the table with the model).
void runWithFaults(const EntryPoint& entry, const std::vector<PluginAction>& faults) {
    PluginDifferential run(QUAYLINE_PLUGIN_PATH);
    for (const PluginAction& action : entry.setup) {
        run.apply(action);
    }
    for (const PluginAction& fault : faults) {
        run.apply(fault);
    }
    run.apply(entry.call);
    for (const std::string& listener : entry.listeners) {
        run.apply(PluginAction::request(LMEventCatalogue::kListEventsRequest, listener, ""));
    }
    run.finish();
    EXPECT_EQ(run.session().host().finishRun(), std::vector<std::string>{})
        << "the host excuses only the notifiers whose removal it refused itself";
}

// The earlier calls of the same kind succeed, so exactly call `index` fails.
std::vector<PluginAction> failingCall(const std::vector<HostCallKind>& kinds, std::size_t index,
                                      std::int32_t status) {
    std::vector<PluginAction> faults;
    for (std::size_t i = 0; i < index; ++i) {
        if (kinds[i] == kinds[index]) {
            faults.push_back(PluginAction::scriptHost(kinds[i], 0));
        }
    }
    faults.push_back(PluginAction::scriptHost(kinds[index], status));
    return faults;
}

// What each of an entry point's listeners is told when it asks for its list.
using ListsSeen = std::vector<std::optional<std::string>>;

ListsSeen listsOf(PluginSession& session, const EntryPoint& entry) {
    ListsSeen seen;
    for (const std::string& listener : entry.listeners) {
        seen.push_back(session.listEvents(listener));
    }
    return seen;
}

// Each registered event text holds one installation of the event notifier;
// the idle event holds the idle notifier until the bus hook-up is done.
void expectTableMatchesLists(PluginSession& session, const ListsSeen& seen) {
    std::vector<std::string> texts;
    for (const auto& list : seen) {
        std::string rest = list.value_or("");
        for (std::size_t at = rest.find(LMEventCatalogue::kEventListItemHead); at != std::string::npos;
             at = rest.find(LMEventCatalogue::kEventListItemHead)) {
            rest = rest.substr(at + std::string(LMEventCatalogue::kEventListItemHead).size());
            texts.push_back(rest.substr(0, rest.find('"')));
        }
    }
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    std::vector<std::uint32_t> expected;
    for (const std::string& text : texts) {
        expected.push_back(RegistryModel::eventID(text));
    }
    std::vector<std::uint32_t> actual;
    int idleInstallations = 0;
    for (const NotifierInstallation& installation : session.host().installedNotifiers()) {
        if (installation.eventID == Host::kDefaultIdleEventID) {
            ++idleInstallations;
        } else {
            actual.push_back(installation.eventID);
        }
    }
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected) << "an orphan or a missing notifier";
    EXPECT_LE(idleInstallations, 1);
}

struct Reference {
    ListsSeen before;
    ListsSeen after;
    long allocations;
};

void applyAll(PluginSession& session, const std::vector<PluginAction>& actions) {
    for (const PluginAction& action : actions) {
        session.apply(action);
    }
}

Reference referenceRun(const EntryPoint& entry) {
    PluginSession session(QUAYLINE_PLUGIN_PATH);
    PluginAllocations::watch(session.module());
    applyAll(session, entry.setup);
    Reference reference{listsOf(session, entry), {}, 0};
    const long before = PluginAllocations::made();
    session.apply(entry.call);
    reference.allocations = PluginAllocations::made() - before;
    reference.after = listsOf(session, entry);
    session.shutdown();
    EXPECT_EQ(PluginAllocations::liveBlocks(), 0) << "memory of the plug-in left after Shutdown";
    PluginAllocations::stopWatching();
    return reference;
}

void expectCleanShutdown(PluginSession& session) {
    EXPECT_EQ(session.shutdown(), 0);
    EXPECT_TRUE(session.host().installedNotifiers().empty());
    EXPECT_EQ(session.host().finishRun(), std::vector<std::string>{});
    EXPECT_EQ(PluginAllocations::liveBlocks(), 0) << "memory of the plug-in left after Shutdown";
}

void failAllocation(const EntryPoint& entry, const Reference& reference, long failAt) {
    PluginSession session(QUAYLINE_PLUGIN_PATH);
    PluginAllocations::watch(session.module());
    applyAll(session, entry.setup);
    PluginAllocations::failAt(failAt);
    session.apply(entry.call);
    PluginAllocations::failAt(0);
    EXPECT_TRUE(PluginAllocations::failureInjected());
    EXPECT_EQ(session.host().violations(), std::vector<std::string>{});
    if (entry.call.kind == PluginAction::Kind::startup) {
        const std::vector<HostCall>& calls = session.host().calls();
        const auto startup = std::find_if(calls.rbegin(), calls.rend(), [](const HostCall& call) {
            return call.kind == HostCallKind::pluginMain;
        });
        ASSERT_NE(startup, calls.rend());
        EXPECT_EQ(startup->status, -108);
    }
    const ListsSeen seen = listsOf(session, entry);
    EXPECT_TRUE(seen == reference.before || seen == reference.after)
        << "a request that ran out of memory must be dropped whole or done whole";
    expectTableMatchesLists(session, seen);
    expectCleanShutdown(session);
    PluginAllocations::stopWatching();
}

long injectedHostFaults = 0;
long injectedAllocationFaults = 0;

class FaultInjectionTest : public testing::TestWithParam<EntryPoint> {
protected:
    static void TearDownTestSuite() {
        std::cout << "fault injection: " << injectedHostFaults << " host or bus call faults, "
                  << injectedAllocationFaults << " allocation faults\n";
    }
};

TEST_P(FaultInjectionTest, EveryHostCallFailsInTurnWithEveryKindOfStatus) {
    const std::vector<HostCallKind> kinds = hostCallsOf(GetParam());
    for (std::size_t index = 0; index < kinds.size(); ++index) {
        if (!isScriptable(kinds[index])) {
            continue;
        }
        for (const std::int32_t status : kStatuses) {
            SCOPED_TRACE(std::string(nameOf(kinds[index])) + " #" + std::to_string(index) + " answers " +
                         std::to_string(status));
            runWithFaults(GetParam(), failingCall(kinds, index, status));
            ++injectedHostFaults;
        }
    }
}

TEST_P(FaultInjectionTest, EveryAllocationFailsInTurn) {
    const Reference reference = referenceRun(GetParam());
    EXPECT_EQ(reference.allocations > 0, GetParam().allocates);
    for (long failAt = 1; failAt <= reference.allocations; ++failAt) {
        SCOPED_TRACE("allocation " + std::to_string(failAt) + " of " +
                     std::to_string(reference.allocations) + " fails");
        failAllocation(GetParam(), reference, failAt);
        ++injectedAllocationFaults;
    }
}

INSTANTIATE_TEST_SUITE_P(EntryPoints, FaultInjectionTest, testing::ValuesIn(EntryPoint::all()),
                         [](const testing::TestParamInfo<EntryPoint>& info) { return info.param.name; });

TEST(BusFaultTest, EverySubscriptionOfTheHookUpFailsInTurn) {
    const auto idle = std::find_if(EntryPoint::all().begin(), EntryPoint::all().end(),
                                   [](const EntryPoint& entry) { return entry.name == "idle_hook_up"; });
    ASSERT_NE(idle, EntryPoint::all().end());
    for (const char* type : LMEventCatalogue::kRequests) {
        for (const std::int32_t status : kStatuses) {
            SCOPED_TRACE(std::string(type) + " answers " + std::to_string(status));
            runWithFaults(*idle, {PluginAction::scriptBus(type, status)});
            ++injectedHostFaults;
        }
    }
}

// The two Startup statuses that reach PluginMain's result, over all 65,536
// low halves and two high halves: a zero low half is success whatever the
// high half holds, any other is passed on widened with its sign.
TEST(StartupStatusTest, EveryLowHalfIsPassedOnWidenedWithItsSign) {
    PluginSession session(QUAYLINE_PLUGIN_PATH);
    long checked = 0;
    for (const HostCallKind kind : {HostCallKind::lookupEventID, HostCallKind::addNotifier}) {
        for (const std::uint32_t high : {0x0000u, 0xA5A50000u}) {
            for (std::uint32_t low = 0; low <= 0xFFFFu; ++low) {
                const auto status = static_cast<std::int32_t>(high | low);
                session.host().scriptStatuses(kind, {status});
                const std::int32_t result = session.startup();
                session.shutdown();
                ASSERT_EQ(result, RegistryModel::asReturned(status)) << nameOf(kind) << " answered " << status;
                ASSERT_TRUE(session.host().installedNotifiers().empty());
                session.host().clearCalls();
                ++checked;
            }
        }
    }
    EXPECT_EQ(session.host().finishRun(), std::vector<std::string>{});
    std::cout << "startup statuses: " << checked << " checked\n";
}

}  // namespace
