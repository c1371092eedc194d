// Cost of the registry's operations against a host that always agrees.
#include <benchmark/benchmark.h>

#include <string>

#include "LMEventRegistry.h"

namespace {

LMErr agree(KXPlugin*, std::uint32_t, LMNotifyProc, void*) { return 0; }
LMErr agreeRemove(KXPlugin*, std::uint32_t) { return 0; }
void notifier(std::uint32_t, _ADsc*, std::int32_t, void*) {}

LMActionControlProcs agreeingSuite() {
    LMActionControlProcs suite{};
    suite.addNotifier = agree;
    suite.removeNotifier = agreeRemove;
    return suite;
}

// A registry holding `events` event texts, each with `listeners` listeners.
void fill(LMEventRegistry& registry, int events, int listeners) {
    for (int event = 0; event < events; ++event) {
        for (int listener = 0; listener < listeners; ++listener) {
            registry.addEventListener(std::to_string(event), "com.example.extension" + std::to_string(listener));
        }
    }
}

// One add and one remove of (event, listener) in a registry of `events` texts.
void addThenRemove(benchmark::State& state, const std::string& event, const std::string& listener) {
    LMActionControlProcs suite = agreeingSuite();
    LMEventRegistry registry(nullptr, &suite, notifier);
    fill(registry, static_cast<int>(state.range(0)), 1);
    for (auto _ : state) {
        registry.addEventListener(event, listener);
        registry.removeEventListener(event, listener);
    }
}

// The event text is new: both operations call the host.
void AddThenRemoveFirstListener(benchmark::State& state) {
    addThenRemove(state, "1000000", "com.example.extension");
}
BENCHMARK(AddThenRemoveFirstListener)->Arg(10)->Arg(1000)->Arg(100000);

// The listener is already there: only its count moves.
void AddThenRemoveCountedListener(benchmark::State& state) {
    addThenRemove(state, "5", "com.example.extension0");
}
BENCHMARK(AddThenRemoveCountedListener)->Arg(10)->Arg(1000)->Arg(100000);

// Walks every event: the cost of a list request grows with the whole table.
void GetEventsFor(benchmark::State& state) {
    LMActionControlProcs suite = agreeingSuite();
    LMEventRegistry registry(nullptr, &suite, notifier);
    fill(registry, static_cast<int>(state.range(0)), 4);
    for (auto _ : state) {
        benchmark::DoNotOptimize(registry.getEventsFor("com.example.extension2"));
    }
}
BENCHMARK(GetEventsFor)->Arg(10)->Arg(1000)->Arg(100000);

void UnregisterAllListeners(benchmark::State& state) {
    LMActionControlProcs suite = agreeingSuite();
    for (auto _ : state) {
        state.PauseTiming();
        LMEventRegistry registry(nullptr, &suite, notifier);
        fill(registry, static_cast<int>(state.range(0)), 2);
        state.ResumeTiming();
        registry.unregisterAllListeners();
    }
}
BENCHMARK(UnregisterAllListeners)->Arg(1000)->Arg(100000);

}  // namespace
