// The stand-in host's core and action-control suites, called as a plug-in would.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Host.h"
#include "HostString.h"

namespace {

using Messages = std::vector<std::string>;

KXErr fetchActionControl(Host& host, const void** suite) {
    return host.coreSuite().fetchSuite(kLMActionControlSuite, kLMActionControlSuiteVersion, suite);
}

KXErr fetchActionControl(Host& host) {
    const void* suite = nullptr;
    return fetchActionControl(host, &suite);
}

KXErr returnActionControl(Host& host) {
    return host.coreSuite().returnSuite(kLMActionControlSuite, kLMActionControlSuiteVersion);
}

LMErr lookUpIdle(Host& host) {
    std::uint32_t eventID = 0;
    return host.actionControl().lookupEventID("idle", &eventID);
}

void ignoreNotification(std::uint32_t, _ADsc*, std::int32_t, void*) {}

LMErr addNotifierFor5(Host& host) {
    return host.actionControl().addNotifier(host.pluginReference(), 5, ignoreNotification, nullptr);
}

LMErr removeNotifierFor5(Host& host) {
    return host.actionControl().removeNotifier(host.pluginReference(), 5);
}

TEST(HostLifetimeTest, OnlyOneHostLivesAtATime) {
    {
        Host first;
        EXPECT_THROW(Host second, std::logic_error);
        EXPECT_EQ(Host::current(), &first);
    }
    EXPECT_EQ(Host::current(), nullptr);
    Host third;
    EXPECT_EQ(Host::current(), &third);
}

TEST(HostLifetimeTest, SuiteKeptPastItsHostAnswersThatNoHostLives) {
    const KXCoreSuite* core = nullptr;
    const LMActionControlProcs* actionControl = nullptr;
    {
        Host host;
        core = &host.coreSuite();
        actionControl = &host.actionControl();
    }
    const HostString text("a");
    const void* suite = nullptr;
    std::uint32_t eventID = 0;

    EXPECT_EQ(core->fetchSuite(kLMActionControlSuite, kLMActionControlSuiteVersion, &suite),
              Host::kStatusNoHost);
    EXPECT_EQ(suite, nullptr);
    EXPECT_EQ(core->sameString(text.value(), "a"), 0);
    EXPECT_EQ(actionControl->lookupEventID("idle", &eventID), Host::kStatusNoHost);
    EXPECT_EQ(eventID, 0u);
}

TEST(HostLifetimeTest, NewHostOffersCompleteSuitesAgain) {
    {
        Host host;
        host.coreSuite().sameString = nullptr;
        host.actionControl().addNotifier = nullptr;
    }
    Host host;
    EXPECT_NE(host.coreSuite().sameString, nullptr);
    EXPECT_NE(host.actionControl().addNotifier, nullptr);
}

TEST(HostSuiteTest, FetchHandsOutTheActionControlSuite) {
    Host host;
    const void* suite = nullptr;

    EXPECT_EQ(fetchActionControl(host, &suite), 0);

    EXPECT_EQ(suite, &host.actionControl());
    EXPECT_TRUE(host.actionControlHeld());
    EXPECT_EQ(host.actionControl().reserved0, nullptr);
    EXPECT_EQ(host.actionControl().reserved24, nullptr);
}

TEST(HostSuiteTest, UnknownSuitesAndVersionsAreRefusedWithThePointerUntouched) {
    struct Case {
        const char* name;
        const char* suiteName;
        std::int32_t version;
        bool nullPointer;
        KXErr status;
    };
    const Case cases[] = {
        {"another suite", "bc1e4d70-f953-11d0-8d9f-00c04fd5f7ef", 3, false, Host::kStatusUnknownSuite},
        {"older version", kLMActionControlSuite, 2, false, Host::kStatusUnknownSuite},
        {"newer version", kLMActionControlSuite, 4, false, Host::kStatusUnknownSuite},
        {"null name", nullptr, 3, false, Host::kStatusBadArgument},
        {"null pointer to fill", kLMActionControlSuite, 3, true, Host::kStatusBadArgument},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        const int sentinel = 0;
        const void* suite = &sentinel;

        EXPECT_EQ(host.coreSuite().fetchSuite(c.suiteName, c.version, c.nullPointer ? nullptr : &suite),
                  c.status);

        EXPECT_EQ(suite, &sentinel);
        EXPECT_FALSE(host.actionControlHeld());
        EXPECT_EQ(host.calls().back().status, c.status);
    }
}

TEST(HostSuiteTest, ContractViolationsOfTheSuiteAreCollected) {
    struct Case {
        const char* name;
        std::function<void(Host&)> plugin;
        Messages violations;
    };
    const Case cases[] = {
        {"fetch, use, return",
         [](Host& host) {
             fetchActionControl(host);
             lookUpIdle(host);
             returnActionControl(host);
         },
         {}},
        {"use before fetch", [](Host& host) { lookUpIdle(host); },
         {"lookupEventID called before the action-control suite was fetched"}},
        {"use after return",
         [](Host& host) {
             fetchActionControl(host);
             returnActionControl(host);
             addNotifierFor5(host);
         },
         {"addNotifier called after the action-control suite was returned"}},
        {"fetch while held",
         [](Host& host) {
             fetchActionControl(host);
             fetchActionControl(host);
             returnActionControl(host);
         },
         {"fetchSuite of the action-control suite while the plug-in already holds it"}},
        {"return never fetched", [](Host& host) { returnActionControl(host); },
         {"returnSuite of the action-control suite while the plug-in does not hold it"}},
        {"return twice",
         [](Host& host) {
             fetchActionControl(host);
             returnActionControl(host);
             returnActionControl(host);
         },
         {"returnSuite of the action-control suite while the plug-in does not hold it"}},
        {"never returned", [](Host& host) { fetchActionControl(host); },
         {"the action-control suite was never returned"}},
        {"return refused by the host",
         [](Host& host) {
             host.scriptStatuses(HostCallKind::returnSuite, {1});
             fetchActionControl(host);
             returnActionControl(host);
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;

        c.plugin(host);

        EXPECT_EQ(host.finishRun(), c.violations);
    }
}

TEST(HostSuiteTest, EndOfRunChecksWaitUntilAskedAndChangeNothing) {
    Host host;
    fetchActionControl(host);

    EXPECT_TRUE(host.violations().empty());
    EXPECT_EQ(host.finishRun().size(), 1u);
    EXPECT_EQ(host.finishRun().size(), 1u);
    EXPECT_TRUE(host.violations().empty());
}

// Performs one call of the kind after whatever it needs; tells what it
// answered and whether it took effect.
struct Outcome {
    std::int32_t status;
    bool tookEffect;
};

Outcome performOne(Host& host, HostCallKind kind) {
    if (kind == HostCallKind::fetchSuite) {
        const void* suite = nullptr;
        const KXErr status = fetchActionControl(host, &suite);
        return {status, suite != nullptr};
    }
    fetchActionControl(host);
    switch (kind) {
    case HostCallKind::returnSuite: {
        const KXErr status = returnActionControl(host);
        return {status, !host.actionControlHeld()};
    }
    case HostCallKind::lookupEventID: {
        std::uint32_t eventID = 0;
        const LMErr status = host.actionControl().lookupEventID("idle", &eventID);
        return {status, eventID == host.idleEventID()};
    }
    case HostCallKind::addNotifier: {
        const LMErr status = addNotifierFor5(host);
        return {status, host.installedNotifiers().size() == 1};
    }
    default: {
        addNotifierFor5(host);
        const LMErr status = removeNotifierFor5(host);
        return {status, host.installedNotifiers().empty()};
    }
    }
}

TEST(HostSuiteTest, ScriptedStatusArrivesInTheMembersWidthAndARefusalHasNoEffect) {
    struct Case {
        const char* name;
        HostCallKind kind;
        std::int32_t scripted;
        std::int32_t answered;
        bool tookEffect;
    };
    const Case cases[] = {
        {"fetch refused", HostCallKind::fetchSuite, 5, 5, false},
        {"fetch answers all 32 bits", HostCallKind::fetchSuite, 0x10000, 0x10000, false},
        {"fetch scripted zero", HostCallKind::fetchSuite, 0, 0, true},
        {"return refused", HostCallKind::returnSuite, -1, -1, false},
        {"lookup refused", HostCallKind::lookupEventID, 7, 7, false},
        {"lookup 0x10000 is success", HostCallKind::lookupEventID, 0x10000, 0, true},
        {"lookup keeps the sign of the low half", HostCallKind::lookupEventID, 0x1FFFF, -1, false},
        {"add 0x10000 is success", HostCallKind::addNotifier, 0x10000, 0, true},
        {"add refused with low half 0x8000", HostCallKind::addNotifier, 0x18000, -32768, false},
        {"remove refused", HostCallKind::removeNotifier, 3, 3, false},
        {"remove 0x20000 is success", HostCallKind::removeNotifier, 0x20000, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        host.scriptStatuses(c.kind, {c.scripted});

        const Outcome outcome = performOne(host, c.kind);

        EXPECT_EQ(outcome.status, c.answered);
        EXPECT_EQ(outcome.tookEffect, c.tookEffect);
        EXPECT_EQ(host.pendingStatuses(c.kind), 0u);
    }
}

TEST(HostSuiteTest, ScriptedStatusesAnswerTheNextCallsInOrderThenTheHostAnswers) {
    Host host;
    fetchActionControl(host);
    host.scriptStatuses(HostCallKind::addNotifier, {5, 0x10000});

    const std::vector<LMErr> answers{addNotifierFor5(host), addNotifierFor5(host),
                                     addNotifierFor5(host)};

    EXPECT_EQ(answers, (std::vector<LMErr>{5, 0, 0}));
    EXPECT_EQ(host.installedNotifiers().size(), 2u);
}

// The 16-bit members and sameString are installed with a 32-bit result: a
// scripted value reaches the caller's register whole, and only a caller that
// reads the member's own width sees what the host meant.
template <typename Wide, typename Slot>
Wide wideView(Slot slot) {
    return reinterpret_cast<Wide>(reinterpret_cast<void (*)()>(slot));
}

TEST(HostSuiteTest, ScriptedStatusFillsTheWholeRegisterOfA16BitMember) {
    using WideAdd = std::int32_t (*)(KXPlugin*, std::uint32_t, LMNotifyProc, void*);
    using WideLookup = std::int32_t (*)(const char*, std::uint32_t*);
    Host host;
    fetchActionControl(host);
    host.scriptStatuses(HostCallKind::addNotifier, {0x10000, 0x10000});
    host.scriptStatuses(HostCallKind::lookupEventID, {0x1FFFF});
    const auto wideAdd = wideView<WideAdd>(host.actionControl().addNotifier);
    std::uint32_t eventID = 0;

    EXPECT_EQ(wideAdd(host.pluginReference(), 5, ignoreNotification, nullptr), 0x10000);
    EXPECT_EQ(addNotifierFor5(host), 0);
    EXPECT_EQ(wideView<WideLookup>(host.actionControl().lookupEventID)("idle", &eventID), 0x1FFFF);
    // The host's own statuses come widened with their sign.
    EXPECT_EQ(wideView<WideLookup>(host.actionControl().lookupEventID)("nothing", &eventID),
              Host::kStatusUnknownEvent);

    EXPECT_EQ(host.installedNotifiers().size(), 2u);
}

TEST(HostSuiteTest, ScriptedSameStringAnswerReplacesTheComparisonInTheWholeRegister) {
    using WideSameString = std::int32_t (*)(KXString, const char*);
    for (const std::int32_t answer : {2, 0x100, 0x101}) {
        SCOPED_TRACE(answer);
        Host host;
        const HostString text("a");
        host.scriptSameStringAnswers({answer, answer});
        const bool trueInHostWidth = static_cast<KXBool>(answer) != 0;

        EXPECT_EQ(wideView<WideSameString>(host.coreSuite().sameString)(text.value(), "b"), answer);
        EXPECT_EQ(host.coreSuite().sameString(text.value(), "b") != 0, trueInHostWidth);
        EXPECT_EQ(host.calls().back().status, trueInHostWidth ? 1 : 0);
        EXPECT_EQ(host.coreSuite().sameString(text.value(), "b"), 0);
    }
}

TEST(HostSuiteTest, FetchWithoutSuiteAnswersSuccessAndCountsTheSuiteHeld) {
    Host host;
    host.fetchWithoutSuiteNext();
    const void* suite = &host;

    EXPECT_EQ(fetchActionControl(host, &suite), 0);

    EXPECT_EQ(suite, nullptr);
    EXPECT_TRUE(host.actionControlHeld());
    EXPECT_EQ(returnActionControl(host), 0);
    EXPECT_TRUE(host.finishRun().empty());
}

TEST(HostSuiteTest, OnlyTheFiveSuiteCallsCanBeScripted) {
    Host host;
    for (const HostCallKind kind :
         {HostCallKind::sameString, HostCallKind::pluginMain, HostCallKind::notify}) {
        SCOPED_TRACE(nameOf(kind));
        EXPECT_THROW(host.scriptStatuses(kind, {1}), std::invalid_argument);
    }
}

TEST(HostSuiteTest, LookupAnswersKnownNamesByteForByte) {
    struct Case {
        const char* eventName;
        LMErr status;
        std::uint32_t eventID;
    };
    constexpr std::uint32_t untouched = 0xDEADBEEF;
    const Case cases[] = {
        {"idle", 0, Host::kDefaultIdleEventID},
        {"document.saved", 0, 77},
        {"Idle", Host::kStatusUnknownEvent, untouched},
        {"idle ", Host::kStatusUnknownEvent, untouched},
        {"", Host::kStatusUnknownEvent, untouched},
        {nullptr, Host::kStatusBadArgument, untouched},
    };
    Host host;
    fetchActionControl(host);
    host.defineEvent("document.saved", 77);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.eventName == nullptr ? "(null)" : c.eventName);
        std::uint32_t eventID = untouched;

        EXPECT_EQ(host.actionControl().lookupEventID(c.eventName, &eventID), c.status);

        EXPECT_EQ(eventID, c.eventID);
    }
    EXPECT_EQ(host.actionControl().lookupEventID("idle", nullptr), Host::kStatusBadArgument);
}

TEST(HostSuiteTest, SameStringComparesHostStringValuesByteForByte) {
    struct Case {
        const char* value;
        const char* literal;
        KXBool same;
    };
    const Case cases[] = {
        {"KX Interface", "KX Interface", 1}, {"KX Interface", "KX interface", 0},
        {"Startup", "Start", 0},             {"Start", "Startup", 0},
        {"", "", 1},                         {nullptr, "Startup", 0},
        {"Startup", nullptr, 0},
    };
    Host host;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value ? c.value : "(null)") + " / " +
                     (c.literal ? c.literal : "(null)"));
        const HostString text(c.value ? c.value : "");
        const KXString value = c.value ? text.value() : nullptr;

        EXPECT_EQ(host.coreSuite().sameString(value, c.literal), c.same);
    }
}

}  // namespace
