// The stand-in host's notifier table: installation, removal and firing.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Host.h"

namespace {

struct Notification {
    std::string notifier;
    std::uint32_t eventID;
    bool hasDescriptor;
    std::int32_t options;
};

// Every installation uses the same notifier function; its user data tells
// them apart and says what to do while it runs.
struct Probe {
    std::string name;
    std::vector<Notification>* seen;
    std::function<void()> whileNotified;
};

void probeNotifier(std::uint32_t eventID, _ADsc* descriptor, std::int32_t options, void* userData) {
    auto* probe = static_cast<Probe*>(userData);
    probe->seen->push_back({probe->name, eventID, descriptor != nullptr, options});
    if (probe->whileNotified) {
        probe->whileNotified();
    }
}

void fetchActionControl(Host& host) {
    const void* suite = nullptr;
    ASSERT_EQ(
        host.coreSuite().fetchSuite(kLMActionControlSuite, kLMActionControlSuiteVersion, &suite), 0);
}

class HostNotifierTest : public ::testing::Test {
protected:
    void SetUp() override { fetchActionControl(host); }

    Probe& probe(const std::string& name) {
        probes.push_back(Probe{name, &seen, nullptr});
        return probes.back();
    }
    LMErr install(std::uint32_t eventID, Probe& who) {
        return host.actionControl().addNotifier(host.pluginReference(), eventID, probeNotifier, &who);
    }
    LMErr remove(std::uint32_t eventID) {
        return host.actionControl().removeNotifier(host.pluginReference(), eventID);
    }
    std::vector<std::string> notified() const {
        std::vector<std::string> names;
        for (const Notification& notification : seen) {
            names.push_back(notification.notifier + ":" + std::to_string(notification.eventID));
        }
        return names;
    }

    Host host;
    std::deque<Probe> probes;
    std::vector<Notification> seen;
};

using Names = std::vector<std::string>;

TEST_F(HostNotifierTest, FiringCallsEveryInstallationOfTheIdInInstallationOrder) {
    Probe& a = probe("a");
    Probe& b = probe("b");
    ASSERT_EQ(install(5, a), 0);
    ASSERT_EQ(install(6, b), 0);
    ASSERT_EQ(install(5, b), 0);

    host.fireEvent(5, 3);
    host.fireEvent(7);

    EXPECT_EQ(notified(), (Names{"a:5", "b:5"}));
    EXPECT_TRUE(seen.at(0).hasDescriptor);
    EXPECT_EQ(seen.at(0).options, 3);
}

TEST_F(HostNotifierTest, EachAddIsOneInstallationAndEachRemoveTakesTheOldest) {
    Probe& first = probe("first");
    Probe& second = probe("second");
    ASSERT_EQ(install(5, first), 0);
    ASSERT_EQ(install(5, second), 0);

    host.fireEvent(5);
    ASSERT_EQ(remove(5), 0);
    host.fireEvent(5);

    EXPECT_EQ(notified(), (Names{"first:5", "second:5", "second:5"}));
    ASSERT_EQ(host.installedNotifiers().size(), 1u);
    const NotifierInstallation& left = host.installedNotifiers().front();
    EXPECT_EQ(left.plugin, host.pluginReference());
    EXPECT_EQ(left.eventID, 5u);
    EXPECT_EQ(left.notifier, &probeNotifier);
    EXPECT_EQ(left.userData, &second);
}

TEST_F(HostNotifierTest, NotifierRemovingItselfWhileRunningIsNotCalledAgain) {
    Probe& once = probe("once");
    Probe& stays = probe("stays");
    once.whileNotified = [this] { EXPECT_EQ(remove(5), 0); };
    ASSERT_EQ(install(5, once), 0);
    ASSERT_EQ(install(5, stays), 0);

    host.fireEvent(5);
    host.fireEvent(5);

    EXPECT_EQ(notified(), (Names{"once:5", "stays:5", "stays:5"}));
}

TEST_F(HostNotifierTest, InstallationRemovedDuringAFiringIsSkipped) {
    Probe& remover = probe("remover");
    Probe& removed = probe("removed");
    remover.whileNotified = [this] {
        remove(5);
        remove(5);
    };
    ASSERT_EQ(install(5, remover), 0);
    ASSERT_EQ(install(5, removed), 0);

    host.fireEvent(5);

    EXPECT_EQ(notified(), (Names{"remover:5"}));
    EXPECT_TRUE(host.installedNotifiers().empty());
}

TEST_F(HostNotifierTest, InstallationMadeDuringAFiringWaitsForTheNext) {
    Probe& late = probe("late");
    Probe& early = probe("early");
    early.whileNotified = [&] { EXPECT_EQ(install(5, late), 0); };
    ASSERT_EQ(install(5, early), 0);

    host.fireEvent(5);
    early.whileNotified = nullptr;
    host.fireEvent(5);

    EXPECT_EQ(notified(), (Names{"early:5", "early:5", "late:5"}));
}

TEST_F(HostNotifierTest, ScriptedAddNotifiesTheNewInstallationFromInsideTheCall) {
    Probe& removesItself = probe("a");
    removesItself.whileNotified = [this] { EXPECT_EQ(remove(5), 0); };
    host.notifyInsideNextAdds(1);

    EXPECT_EQ(install(5, removesItself), 0);
    EXPECT_TRUE(host.installedNotifiers().empty());
    removesItself.whileNotified = nullptr;
    EXPECT_EQ(install(5, removesItself), 0);

    EXPECT_EQ(notified(), (Names{"a:5"}));
    ASSERT_EQ(host.installedNotifiers().size(), 1u);
    std::vector<std::string> logged;
    for (const HostCall& call : host.calls()) {
        logged.push_back(nameOf(call.kind));
    }
    // Calls are logged as they start: the notification inside the first add comes after it.
    EXPECT_EQ(logged, (Names{"fetchSuite", "addNotifier", "notify", "removeNotifier", "addNotifier"}));
}

TEST_F(HostNotifierTest, IdleFiresTheIdOfIdleInTheEventTable) {
    Probe& idle = probe("idle");
    ASSERT_EQ(install(Host::kDefaultIdleEventID, idle), 0);
    ASSERT_EQ(install(42, idle), 0);

    host.fireIdle();
    host.defineEvent("idle", 42);
    host.fireIdle();

    EXPECT_EQ(notified(), (Names{"idle:" + std::to_string(Host::kDefaultIdleEventID), "idle:42"}));
}

TEST(HostNotifierViolationTest, FaultyInstallationsAndRemovalsAreViolations) {
    struct Case {
        const char* name;
        std::function<LMErr(Host&)> call;
        LMErr status;
        std::size_t installed;
        std::string violation;
    };
    int elsewhere = 0;
    KXPlugin* const foreign = reinterpret_cast<KXPlugin*>(&elsewhere);
    const Case cases[] = {
        {"null notifier",
         [](Host& host) {
             return host.actionControl().addNotifier(host.pluginReference(), 5, nullptr, nullptr);
         },
         Host::kStatusBadArgument, 0, "addNotifier for event 5 with a null notifier"},
        {"foreign plug-in reference",
         [foreign](Host& host) {
             return host.actionControl().addNotifier(foreign, 5, probeNotifier, nullptr);
         },
         0, 1, "addNotifier for event 5 with a plug-in reference that the host did not give"},
        {"remove of nothing installed",
         [](Host& host) { return host.actionControl().removeNotifier(host.pluginReference(), 5); },
         Host::kStatusNoSuchNotifier, 0,
         "removeNotifier for event 5, for which no notifier of this plug-in is installed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        fetchActionControl(host);

        EXPECT_EQ(c.call(host), c.status);

        EXPECT_EQ(host.installedNotifiers().size(), c.installed);
        EXPECT_EQ(host.violations(), (std::vector<std::string>{c.violation}));
    }
}

TEST_F(HostNotifierTest, NotifiersLeftAfterShutdownAreReportedAtTheEnd) {
    Probe& a = probe("a");
    ASSERT_EQ(install(5, a), 0);
    ASSERT_EQ(install(6, a), 0);
    host.coreSuite().returnSuite(kLMActionControlSuite, kLMActionControlSuiteVersion);
    EXPECT_TRUE(host.finishRun().empty());

    host.shutdown([](KXString, KXString, KXMessage*) -> std::int32_t { return 0; });

    EXPECT_EQ(host.finishRun(),
              (std::vector<std::string>{"the notifier for event 5 is still installed after Shutdown",
                                        "the notifier for event 6 is still installed after Shutdown"}));
}

TEST_F(HostNotifierTest, NotifierThatThrowsIsAViolationAndTheOthersStillRun) {
    Probe& thrower = probe("thrower");
    Probe& next = probe("next");
    thrower.whileNotified = [] { throw std::runtime_error("notifier failed"); };
    ASSERT_EQ(install(5, thrower), 0);
    ASSERT_EQ(install(5, next), 0);

    host.fireEvent(5);

    EXPECT_EQ(notified(), (Names{"thrower:5", "next:5"}));
    EXPECT_EQ(host.violations(),
              (std::vector<std::string>{"the notifier for event 5 let an exception out: notifier failed"}));
}

}  // namespace
