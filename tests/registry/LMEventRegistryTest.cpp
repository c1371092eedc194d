// The registry's binding to the host's notifier service.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "FakeActionControl.h"
#include "LMEventRegistry.h"

namespace {

void notifier(std::uint32_t, _ADsc*, std::int32_t, void*) {}

KXPlugin* const plugin = reinterpret_cast<KXPlugin*>(0x1234);

struct Conversion {
    const char* text;
    std::uint32_t eventID;
};

void PrintTo(const Conversion& conversion, std::ostream* out) {
    *out << '"' << conversion.text << "\" -> " << conversion.eventID;
}

class ConversionTest : public testing::TestWithParam<Conversion> {};

TEST_P(ConversionTest, InstallsAndRemovesForTheConvertedEventID) {
    FakeActionControl host;
    LMEventRegistry registry(plugin, host.suite(), notifier);
    const std::string text = GetParam().text;

    registry.addEventListener(text, "a");
    registry.removeEventListener(text, "a");

    ASSERT_EQ(host.calls().size(), 2u);
    EXPECT_EQ(host.calls()[0].eventID, GetParam().eventID);
    EXPECT_EQ(host.calls()[1].eventID, GetParam().eventID);
    EXPECT_EQ(LMEventRegistry::eventIDFromText(text), GetParam().eventID);
}

INSTANTIATE_TEST_SUITE_P(
    AtoiGrammarModulo2To32, ConversionTest,
    testing::Values(Conversion{"7", 7}, Conversion{"5", 5}, Conversion{"05", 5}, Conversion{"+5", 5},
                    Conversion{" 5", 5}, Conversion{" \t\n\v\f\r42", 42}, Conversion{"12abc", 12},
                    Conversion{"abc", 0}, Conversion{"", 0}, Conversion{"-", 0}, Conversion{"+-5", 0},
                    Conversion{"- 5", 0}, Conversion{"-0", 0}, Conversion{"\xA0" "5", 0},
                    Conversion{"-1", 4294967295u}, Conversion{"-2147483648", 2147483648u},
                    Conversion{"2147483647", 2147483647u}, Conversion{"2147483648", 2147483648u},
                    Conversion{"3000000000", 3000000000u}, Conversion{"4294967295", 4294967295u},
                    Conversion{"4294967296", 0}, Conversion{"4294967297", 1},
                    Conversion{"000000000000000000000009", 9},
                    Conversion{"18446744073709551621", 5}));

TEST(LMEventRegistry, HandsTheHostItsPluginReferenceTheNotifierAndNullUserData) {
    FakeActionControl host;
    LMEventRegistry registry(plugin, host.suite(), notifier);
    registry.addEventListener("9", "a");
    registry.removeEventListener("9", "a");

    ASSERT_EQ(host.calls().size(), 2u);
    const FakeActionControl::Call& add = host.calls()[0];
    EXPECT_EQ(add.kind, FakeActionControl::Call::add);
    EXPECT_EQ(add.plugin, plugin);
    EXPECT_EQ(add.notifier, &notifier);
    EXPECT_EQ(add.userData, nullptr);
    EXPECT_EQ(host.calls()[1].kind, FakeActionControl::Call::remove);
    EXPECT_EQ(host.calls()[1].plugin, plugin);
}

struct StatusCase {
    std::int32_t status;
    bool success;
};

void PrintTo(const StatusCase& status, std::ostream* out) { *out << "status " << status.status; }

class StatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusTest, OnlyTheLow16BitsDecideForInstallAndRemove) {
    FakeActionControl host;
    LMEventRegistry registry(plugin, host.suite(), notifier);

    host.scriptStatus(GetParam().status);
    registry.addEventListener("1", "a");
    EXPECT_EQ(registry.getEventsFor("a").size(), GetParam().success ? 1u : 0u);

    host.scriptStatus(0);
    registry.addEventListener("2", "a");
    host.scriptStatus(GetParam().status);
    registry.removeEventListener("2", "a");
    // A stale event turns active again without asking the host; a removed one asks again.
    registry.addEventListener("2", "b");
    EXPECT_EQ(host.calls().size(), GetParam().success ? 4u : 3u);
    EXPECT_EQ(registry.getEventsFor("b").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Statuses, StatusTest,
                         testing::Values(StatusCase{0, true}, StatusCase{0x10000, true},
                                         StatusCase{static_cast<std::int32_t>(0xFFFF0000u), true},
                                         StatusCase{1, false}, StatusCase{-1, false},
                                         StatusCase{0x8000, false}, StatusCase{0x10001, false}));

TEST(LMEventRegistry, EachEventTextInstallsAndRemovesOnItsOwnBehalfEvenForOneID) {
    FakeActionControl host;
    LMEventRegistry registry(plugin, host.suite(), notifier);
    const char* texts[] = {"5", "05", "+5", " 5"};
    for (const char* text : texts) {
        registry.addEventListener(text, "a");
    }
    EXPECT_EQ(host.installed().at(5), 4);
    for (const char* text : texts) {
        registry.removeEventListener(text, "a");
    }
    EXPECT_EQ(host.calls().size(), 8u);
    EXPECT_TRUE(host.installed().empty());
}

TEST(LMEventRegistry, UnregisterAllListenersRemovesEveryNotifierIncludingStaleOnes) {
    FakeActionControl host;
    LMEventRegistry registry(plugin, host.suite(), notifier);
    registry.addEventListener("1", "a");
    registry.addEventListener("2", "b");
    host.scriptStatus(1);
    registry.removeEventListener("2", "b");
    ASSERT_EQ(host.installed().size(), 2u);

    EventRegistry& base = registry;
    base.unregisterAllListeners();

    EXPECT_TRUE(host.installed().empty());
    EXPECT_TRUE(registry.getEventsFor("a").empty());
}

TEST(LMEventRegistry, AMissingSuiteMemberCountsAsARefusal) {
    FakeActionControl host;
    host.suite()->addNotifier = nullptr;
    host.suite()->removeNotifier = nullptr;
    LMEventRegistry registry(plugin, host.suite(), notifier);
    registry.addEventListener("1", "a");
    EXPECT_TRUE(registry.getEventsFor("a").empty());

    LMEventRegistry unbound(plugin, nullptr, notifier);
    unbound.addEventListener("1", "a");
    EXPECT_TRUE(unbound.getEventsFor("a").empty());
}

}  // namespace
