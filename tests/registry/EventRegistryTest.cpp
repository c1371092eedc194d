// The counting table and its hooks, independent of any host.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "EventRegistry.h"

namespace {

struct HookCall {
    std::string hook;
    std::string event;
    std::string listener;
    bool operator==(const HookCall& other) const {
        return hook == other.hook && event == other.event && listener == other.listener;
    }
};

std::ostream& operator<<(std::ostream& out, const HookCall& call) {
    return out << call.hook << "(\"" << call.event << "\", \"" << call.listener << "\")";
}

enum class State { absent, active, stale };

// Records every hook call and answers from a script (true when none is left).
class ScriptedRegistry : public EventRegistry {
public:
    std::deque<bool> answers;
    std::vector<HookCall> calls;

    State stateOf(const std::string& event) const {
        const auto entry = events().find(event);
        if (entry == events().end()) {
            return State::absent;
        }
        return entry->second.empty() ? State::stale : State::active;
    }
    int countOf(const std::string& event, const std::string& listener) const {
        const auto entry = events().find(event);
        if (entry == events().end()) {
            return 0;
        }
        const auto found = entry->second.find(listener);
        return found == entry->second.end() ? 0 : found->second;
    }

protected:
    bool registerListener(std::string event, std::string listener) override {
        return record("register", event, listener);
    }
    bool unregisterListener(std::string event, std::string listener) override {
        return record("unregister", event, listener);
    }

private:
    bool record(const char* hook, const std::string& event, const std::string& listener) {
        calls.push_back({hook, event, listener});
        if (answers.empty()) {
            return true;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct Step {
    enum Kind { add, remove } kind;
    std::string event;
    std::string listener;
};

struct Transition {
    const char* name;
    std::vector<Step> setup;
    std::deque<bool> setupAnswers;  // hooks agree once these are used up
    Step trigger;
    std::deque<bool> answers;
    std::vector<HookCall> expectedCalls;
    State expectedState;
    std::vector<std::pair<std::string, int>> expectedCounts;  // listener, count for event "e"
};

void run(ScriptedRegistry& registry, const Step& step) {
    if (step.kind == Step::add) {
        registry.addEventListener(step.event, step.listener);
    } else {
        registry.removeEventListener(step.event, step.listener);
    }
}

void PrintTo(const Transition& transition, std::ostream* out) { *out << transition.name; }

class TransitionTest : public testing::TestWithParam<Transition> {};

TEST_P(TransitionTest, MovesToTheExpectedStateWithTheExpectedHookCalls) {
    const Transition& t = GetParam();
    ScriptedRegistry registry;
    registry.answers = t.setupAnswers;
    for (const Step& step : t.setup) {
        run(registry, step);
    }
    registry.calls.clear();
    registry.answers = t.answers;

    run(registry, t.trigger);

    EXPECT_EQ(registry.calls, t.expectedCalls);
    EXPECT_EQ(registry.stateOf("e"), t.expectedState);
    for (const auto& [listener, count] : t.expectedCounts) {
        EXPECT_EQ(registry.countOf("e", listener), count) << listener;
    }
}

const Step addA{Step::add, "e", "a"};
const Step addB{Step::add, "e", "b"};
const Step removeA{Step::remove, "e", "a"};
const Step removeB{Step::remove, "e", "b"};
const Step removeC{Step::remove, "e", "c"};

INSTANTIATE_TEST_SUITE_P(
    StateTable, TransitionTest,
    testing::Values(
        Transition{"absent_add_agreed", {}, {}, addA, {true}, {{"register", "e", "a"}}, State::active,
                   {{"a", 1}}},
        Transition{"absent_add_refused", {}, {}, addA, {false}, {{"register", "e", "a"}}, State::absent,
                   {{"a", 0}}},
        Transition{"absent_remove", {}, {}, removeA, {}, {}, State::absent, {}},
        Transition{"active_add_same_listener", {addA}, {}, addA, {}, {}, State::active, {{"a", 2}}},
        Transition{"active_add_new_listener", {addA}, {}, addB, {}, {}, State::active, {{"a", 1}, {"b", 1}}},
        Transition{"active_remove_count_above_one", {addA, addA}, {}, removeA, {}, {}, State::active,
                   {{"a", 1}}},
        Transition{"active_remove_one_of_two_listeners", {addA, addB}, {}, removeA, {}, {}, State::active,
                   {{"a", 0}, {"b", 1}}},
        Transition{"active_remove_unknown_listener", {addA}, {}, removeC, {}, {}, State::active, {{"a", 1}}},
        Transition{"active_remove_last_agreed", {addA}, {}, removeA, {true}, {{"unregister", "e", "a"}},
                   State::absent, {}},
        Transition{"active_remove_last_refused", {addA}, {}, removeA, {false}, {{"unregister", "e", "a"}},
                   State::stale, {{"a", 0}}},
        Transition{"active_remove_last_after_others_left", {addA, addB, removeA}, {}, removeB, {true},
                   {{"unregister", "e", "b"}}, State::absent, {}},
        Transition{"stale_add_any_listener", {addA, removeA}, {true, false}, addB, {}, {}, State::active,
                   {{"b", 1}}},
        Transition{"stale_remove_any_listener", {addA, removeA}, {true, false}, removeA, {}, {},
                   State::stale, {}}),
    [](const testing::TestParamInfo<Transition>& info) { return std::string(info.param.name); });

TEST(StaleEvent, IsListedForNobodyAndAsksTheHostAgainOnlyAfterTurningActive) {
    ScriptedRegistry registry;
    registry.addEventListener("e", "a");
    registry.answers = {false};
    registry.removeEventListener("e", "a");
    ASSERT_EQ(registry.stateOf("e"), State::stale);
    EXPECT_TRUE(registry.getEventsFor("a").empty());

    registry.calls.clear();
    registry.removeEventListener("e", "a");
    registry.removeEventListener("e", "b");
    EXPECT_EQ(registry.stateOf("e"), State::stale);

    registry.addEventListener("e", "b");
    EXPECT_EQ(registry.stateOf("e"), State::active);
    EXPECT_EQ(registry.countOf("e", "b"), 1);
    EXPECT_TRUE(registry.calls.empty());

    registry.removeEventListener("e", "b");
    EXPECT_EQ(registry.calls, (std::vector<HookCall>{{"unregister", "e", "b"}}));
    EXPECT_EQ(registry.stateOf("e"), State::absent);
}

TEST(AddEventListener, AsksAgainAfterARefusal) {
    ScriptedRegistry registry;
    registry.answers = {false, true};
    registry.addEventListener("e", "a");
    registry.addEventListener("e", "a");
    EXPECT_EQ(registry.calls, (std::vector<HookCall>{{"register", "e", "a"}, {"register", "e", "a"}}));
    EXPECT_EQ(registry.countOf("e", "a"), 1);
}

TEST(Keys, CompareByteForByteAsUnsignedBytes) {
    ScriptedRegistry registry;
    for (const char* event : {"9", "2", "100", "10", "5", "05", "+5", " 5", "", "\x80", "z"}) {
        registry.addEventListener(event, "a");
    }
    const std::vector<std::string> expected{"", " 5", "+5", "05", "10", "100", "2", "5", "9", "z", "\x80"};
    EXPECT_EQ(registry.getEventsFor("a"), expected);
    EXPECT_EQ(registry.calls.size(), expected.size()) << "each distinct text is its own event";
}

TEST(GetEventsFor, ListsEachEventOnceAndOnlyThatListenersActiveOnes) {
    ScriptedRegistry registry;
    registry.addEventListener("7", "a");
    registry.addEventListener("7", "a");
    registry.addEventListener("12", "a");
    registry.addEventListener("8", "b");
    registry.addEventListener("gone", "a");
    registry.answers = {false};
    registry.removeEventListener("gone", "a");

    EXPECT_EQ(registry.getEventsFor("a"), (std::vector<std::string>{"12", "7"}));
    EXPECT_EQ(registry.getEventsFor("b"), (std::vector<std::string>{"8"}));
    EXPECT_TRUE(registry.getEventsFor("nobody").empty());
    EXPECT_TRUE(registry.getEventsFor("").empty());
}

TEST(EmptyStrings, AreOrdinaryKeys) {
    ScriptedRegistry registry;
    registry.addEventListener("", "");
    EXPECT_EQ(registry.calls, (std::vector<HookCall>{{"register", "", ""}}));
    EXPECT_EQ(registry.getEventsFor(""), (std::vector<std::string>{""}));
    registry.removeEventListener("", "");
    EXPECT_EQ(registry.stateOf(""), State::absent);
}

TEST(UnregisterAllListeners, CallsNoHookOnAnEmptyTable) {
    ScriptedRegistry registry;
    registry.unregisterAllListeners();
    EXPECT_TRUE(registry.calls.empty());
}

TEST(UnregisterAllListeners, AsksForEveryEventInKeyOrderThenEmptiesWhateverTheAnswers) {
    ScriptedRegistry registry;
    registry.addEventListener("9", "a");
    registry.addEventListener("10", "b");
    registry.addEventListener("stale", "a");
    registry.answers = {false};
    registry.removeEventListener("stale", "a");
    registry.calls.clear();
    registry.answers = {false, false, false};

    registry.unregisterAllListeners();

    EXPECT_EQ(registry.calls, (std::vector<HookCall>{
                                  {"unregister", "10", ""}, {"unregister", "9", ""}, {"unregister", "stale", ""}}));
    for (const char* event : {"9", "10", "stale"}) {
        EXPECT_EQ(registry.stateOf(event), State::absent) << event;
    }

    registry.calls.clear();
    registry.addEventListener("9", "a");
    EXPECT_EQ(registry.calls, (std::vector<HookCall>{{"register", "9", "a"}}));
}

TEST(PlainRegistry, RecordsEveryFirstAddAndForgetsOnTheLastRemove) {
    EventRegistry registry;
    registry.addEventListener("1", "a");
    registry.addEventListener("1", "b");
    EXPECT_EQ(registry.getEventsFor("b"), (std::vector<std::string>{"1"}));
    registry.removeEventListener("1", "a");
    registry.removeEventListener("1", "b");
    registry.addEventListener("2", "a");
    EXPECT_EQ(registry.getEventsFor("a"), (std::vector<std::string>{"2"}));
    EXPECT_TRUE(registry.getEventsFor("b").empty());
}

}  // namespace
