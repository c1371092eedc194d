// How the stand-in host calls PluginMain, and its log of every call.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Host.h"
#include "HostString.h"
#include "TranscriptEntry.h"

namespace {

struct SeenEntry {
    bool hasMessage = false;
    KXPlugin* plugin = nullptr;
    const KXCoreSuite* coreSuite = nullptr;
    std::optional<std::string> caller;
    std::optional<std::string> selector;
};

SeenEntry seenEntry;

std::int32_t recordingEntry(KXString caller, KXString selector, KXMessage* message) {
    seenEntry = {message != nullptr, message ? message->plugin : nullptr,
                 message ? message->coreSuite : nullptr, HostString::textOf(caller),
                 HostString::textOf(selector)};
    return 17;
}

TEST(HostEntryTest, MessageCarriesThePluginReferenceAndTheCoreSuiteAsAsked) {
    struct Case {
        const char* name;
        Host::MessageShape shape;
        bool hasMessage;
        bool hasCoreSuite;
    };
    const Case cases[] = {
        {"complete", Host::MessageShape::complete, true, true},
        {"null core suite", Host::MessageShape::nullCoreSuite, true, false},
        {"null message", Host::MessageShape::nullMessage, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        seenEntry = {};

        EXPECT_EQ(host.callPluginMain(recordingEntry, "KX Interface", "Startup", c.shape), 17);

        EXPECT_EQ(seenEntry.hasMessage, c.hasMessage);
        EXPECT_EQ(seenEntry.plugin, c.hasMessage ? host.pluginReference() : nullptr);
        EXPECT_EQ(seenEntry.coreSuite, c.hasCoreSuite ? &host.coreSuite() : nullptr);
        EXPECT_EQ(seenEntry.caller, "KX Interface");
        EXPECT_EQ(seenEntry.selector, "Startup");
    }
}

std::int32_t throwingEntry(KXString, KXString, KXMessage*) {
    throw std::runtime_error("no memory");
}

TEST(HostEntryTest, PluginMainThatThrowsIsAViolationAndGetsItsOwnResult) {
    Host host;

    EXPECT_EQ(host.startup(throwingEntry), Host::kStatusPluginThrew);

    EXPECT_EQ(host.violations(),
              (std::vector<std::string>{"PluginMain for \"Startup\" let an exception out: no memory"}));
    EXPECT_EQ(host.calls().back().status, Host::kStatusPluginThrew);
}

TEST(HostEntryTest, NullEntryPointIsRefused) {
    Host host;
    EXPECT_THROW(host.startup(nullptr), std::invalid_argument);
}

void ignoreNotification(std::uint32_t, _ADsc*, std::int32_t, void*) {}

// Starts up as the plug-in does, and makes one faulty call.
std::int32_t startingEntry(KXString caller, KXString, KXMessage* message) {
    const KXCoreSuite& core = *message->coreSuite;
    core.sameString(caller, "KX Interface");
    const void* suite = nullptr;
    core.fetchSuite(kLMActionControlSuite, kLMActionControlSuiteVersion, &suite);
    const auto* actionControl = static_cast<const LMActionControlProcs*>(suite);
    std::uint32_t idle = 0;
    actionControl->lookupEventID("idle", &idle);
    actionControl->lookupEventID(nullptr, &idle);
    actionControl->addNotifier(message->plugin, idle, ignoreNotification, nullptr);
    actionControl->removeNotifier(message->plugin, 5);
    return 0;
}

const std::vector<std::string> kStartupTranscript = {
    R"(PluginMain "KX Interface" "Startup" -> 0)",
    R"(host sameString "KX Interface" "KX Interface" -> true)",
    R"(host fetchSuite "bc1e4d70-f953-11d0-8d9f-00c04fd5f7ee" 3 -> 0)",
    R"(host lookupEventID "idle" -> 0 (eventID 1768189029))",
    R"(host lookupEventID null -> -1002)",
    R"(host addNotifier plugin 1768189029 notifier null -> 0)",
    R"(host removeNotifier plugin 5 -> -1004)",
    R"(notify 1768189029 notifier)",
};

// The only notifier here is ignoreNotification.
std::string lineOf(Host& host, const HostCall& call) {
    using Value = TranscriptEntry::Value;
    const Value notifier = Value::labelled(TranscriptEntry::addressOf(call.notifier),
                                           TranscriptEntry::addressOf(&ignoreNotification), "notifier");
    return TranscriptEntry::fromHostCall(call, Value::pluginReference(call.plugin, host.pluginReference()), notifier)
        .text();
}

std::vector<std::string> describedCalls(Host& host) {
    std::vector<std::string> lines;
    for (const HostCall& call : host.calls()) {
        lines.push_back(lineOf(host, call));
    }
    return lines;
}

// Each call is logged when it starts, before the calls it causes.
TEST(HostCallLogTest, LogsEveryCallEitherWayInOrderWithWhatItReturned) {
    Host host;

    host.startup(startingEntry);
    host.fireIdle();

    EXPECT_EQ(describedCalls(host), kStartupTranscript);
    const HostCall& added = host.calls().at(5);
    EXPECT_EQ(added.kind, HostCallKind::addNotifier);
    EXPECT_EQ(added.plugin, host.pluginReference());
    EXPECT_EQ(added.notifier, &ignoreNotification);
    EXPECT_EQ(host.calls().at(4).texts, (std::vector<std::optional<std::string>>{std::nullopt}));
}

TEST(HostCallLogTest, ObserverSeesEachCallAsItIsLogged) {
    Host host;
    std::vector<std::string> live;
    host.observeCalls([&](std::size_t place, const HostCall& call) {
        if (!call.returned) {
            EXPECT_EQ(host.calls().size(), place + 1);
            live.resize(place + 1);
            return;
        }
        live.at(place) = lineOf(host, call);
    });

    host.startup(startingEntry);
    host.fireIdle();

    EXPECT_EQ(live, kStartupTranscript);
}

TEST(HostCallLogTest, ClearingTheLogKeepsEverythingElse) {
    Host host;
    host.startup(startingEntry);

    host.clearCalls();

    EXPECT_TRUE(host.calls().empty());
    EXPECT_TRUE(host.actionControlHeld());
    EXPECT_EQ(host.installedNotifiers().size(), 1u);
}

}  // namespace
