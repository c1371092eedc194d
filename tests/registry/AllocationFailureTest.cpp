// Every allocation of the registry's operations fails in turn: the host's
// notifiers must still match the table exactly afterwards.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>
#include <string>

#include "LMEventRegistry.h"

namespace {

// Counts down the allocations of this test binary; the one that reaches zero fails.
long allocationsUntilFailure = -1;

}  // namespace

// Exported, so that the libraries of the process use these definitions too.
__attribute__((visibility("default"))) void* operator new(std::size_t size) {
    if (allocationsUntilFailure > 0 && --allocationsUntilFailure == 0) {
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

__attribute__((visibility("default"))) void operator delete(void* memory) noexcept { std::free(memory); }
__attribute__((visibility("default"))) void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

// A host that allocates nothing, so that only the registry's allocations count.
int installedByID[256];

LMErr addNotifier(KXPlugin*, std::uint32_t eventID, LMNotifyProc, void*) {
    ++installedByID[eventID];
    return 0;
}

LMErr removeNotifier(KXPlugin*, std::uint32_t eventID) {
    --installedByID[eventID];
    return 0;
}

void notifier(std::uint32_t, _ADsc*, std::int32_t, void*) {}

// Long texts, so that every copy of a key allocates.
std::string text(int eventID) { return std::to_string(eventID) + std::string(40, 'x'); }
std::string listener(char name) { return std::string(40, name); }

void expectHostMatchesTable(const LMEventRegistry& registry) {
    std::map<std::uint32_t, int> expected;
    for (const auto& entry : registry.events()) {
        ++expected[LMEventRegistry::eventIDFromText(entry.first)];
    }
    for (std::uint32_t id = 0; id < 256; ++id) {
        const auto found = expected.find(id);
        EXPECT_EQ(installedByID[id], found == expected.end() ? 0 : found->second) << "event id " << id;
    }
}

struct Operation {
    const char* name;
    std::function<void(LMEventRegistry&)> setup;
    std::function<void(LMEventRegistry&)> run;
};

void PrintTo(const Operation& operation, std::ostream* out) { *out << operation.name; }

class AllocationFailureTest : public testing::TestWithParam<Operation> {};

// Far more than any one operation makes.
constexpr long kMostAllocationsOfAnOperation = 64;

TEST_P(AllocationFailureTest, NeverLeavesANotifierWithoutItsEntryOrAnEntryWithoutItsNotifier) {
    LMActionControlProcs suite{};
    suite.addNotifier = addNotifier;
    suite.removeNotifier = removeNotifier;
    int failedAllocations = 0;
    bool completed = false;
    for (long failAt = 1; failAt <= kMostAllocationsOfAnOperation && !completed; ++failAt) {
        std::fill(std::begin(installedByID), std::end(installedByID), 0);
        LMEventRegistry registry(nullptr, &suite, notifier);
        GetParam().setup(registry);
        allocationsUntilFailure = failAt;
        bool failed = false;
        try {
            GetParam().run(registry);
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        allocationsUntilFailure = -1;
        expectHostMatchesTable(registry);
        completed = !failed;
        failedAllocations += failed ? 1 : 0;
    }
    EXPECT_TRUE(completed) << "the operation still failed after " << kMostAllocationsOfAnOperation
                           << " allocations";
    EXPECT_GT(failedAllocations, 0) << "the operation should allocate at least once";
}

INSTANTIATE_TEST_SUITE_P(
    Operations, AllocationFailureTest,
    testing::Values(
        Operation{"first_listener", [](LMEventRegistry&) {},
                  [](LMEventRegistry& r) { r.addEventListener(text(1), listener('a')); }},
        Operation{"second_listener", [](LMEventRegistry& r) { r.addEventListener(text(1), listener('a')); },
                  [](LMEventRegistry& r) { r.addEventListener(text(1), listener('b')); }},
        Operation{"remove_last_listener",
                  [](LMEventRegistry& r) { r.addEventListener(text(2), listener('a')); },
                  [](LMEventRegistry& r) { r.removeEventListener(text(2), listener('a')); }},
        Operation{"remove_one_of_two",
                  [](LMEventRegistry& r) {
                      r.addEventListener(text(3), listener('a'));
                      r.addEventListener(text(3), listener('b'));
                  },
                  [](LMEventRegistry& r) { r.removeEventListener(text(3), listener('a')); }},
        Operation{"unregister_all",
                  [](LMEventRegistry& r) {
                      for (int id = 1; id < 6; ++id) {
                          r.addEventListener(text(id), listener('a'));
                      }
                  },
                  [](LMEventRegistry& r) {
                      r.unregisterAllListeners();
                      r.addEventListener(text(9), listener('a'));
                  }}),
    [](const testing::TestParamInfo<Operation>& info) { return std::string(info.param.name); });

}  // namespace
