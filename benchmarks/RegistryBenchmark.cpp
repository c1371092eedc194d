// The registry's operations against the bare ordered-map operations on the
// same keys, with a host that always agrees; allocations are counted per
// operation by the replaced operator new (AllocationCounter.cpp).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AllocationCounter.h"
#include "LMEventRegistry.h"

namespace {

constexpr int kEvents = 10000;
// The event that every add and remove acts on.
const std::string kBusyEvent = "5000";
const std::string kNewcomer = "com.example.newcomer";

LMErr agreeToAdd(KXPlugin*, std::uint32_t, LMNotifyProc, void*) { return 0; }
LMErr agreeToRemove(KXPlugin*, std::uint32_t) { return 0; }
void ignoreNotification(std::uint32_t, _ADsc*, std::int32_t, void*) {}

LMActionControlProcs agreeingSuite = [] {
    LMActionControlProcs suite{};
    suite.addNotifier = agreeToAdd;
    suite.removeNotifier = agreeToRemove;
    return suite;
}();

std::string eventText(int event) { return std::to_string(event); }
std::string listenerName(int listener) { return "com.example.extension" + std::to_string(listener); }

// The registry and its reference hold the same keys: kEvents events with one
// listener each, and `busyListeners` listeners on kBusyEvent.
template <typename Add>
void fill(int busyListeners, Add&& add) {
    for (int event = 0; event < kEvents; ++event) {
        add(eventText(event), listenerName(0));
    }
    for (int listener = 1; listener < busyListeners; ++listener) {
        add(kBusyEvent, listenerName(listener));
    }
}

// Adds and removes per timed iteration: the arguments of a batch are made
// with the timer stopped.
constexpr int kBatch = 256;

// kBatch adds and removes of `listener` on kBusyEvent. The registry takes its
// texts by value, so each call gets copies of its own, made as the adapter
// makes them from a request and outside the timing; each operation answers
// the allocations it made, and those of adds and removes are counted apart.
template <typename Add, typename Remove>
void addThenRemove(benchmark::State& state, const std::string& listener, Add&& add, Remove&& remove) {
    std::vector<std::string> events;
    std::vector<std::string> listeners;
    std::uint64_t addAllocations = 0;
    std::uint64_t removeAllocations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        events.assign(2 * kBatch, kBusyEvent);
        listeners.assign(2 * kBatch, listener);
        state.ResumeTiming();
        for (std::size_t call = 0; call < events.size(); call += 2) {
            addAllocations += add(events[call], listeners[call]);
            removeAllocations += remove(events[call + 1], listeners[call + 1]);
        }
    }
    const double operations = static_cast<double>(state.iterations()) * kBatch;
    state.counters["allocs/add"] = static_cast<double>(addAllocations) / operations;
    state.counters["allocs/remove"] = static_cast<double>(removeAllocations) / operations;
    state.SetItemsProcessed(state.iterations() * kBatch);
}

template <typename Operation>
std::uint64_t allocationsOf(Operation&& operation) {
    const std::uint64_t before = AllocationCounter::total();
    operation();
    return AllocationCounter::total() - before;
}

// kBusyEvent has range(0) listeners.
void registryAddThenRemove(benchmark::State& state, const std::string& listener) {
    LMEventRegistry registry(nullptr, &agreeingSuite, ignoreNotification);
    fill(static_cast<int>(state.range(0)),
         [&registry](std::string event, std::string name) {
             registry.addEventListener(std::move(event), std::move(name));
         });
    const auto add = [&registry](std::string& event, std::string& name) {
        return allocationsOf([&] { registry.addEventListener(std::move(event), std::move(name)); });
    };
    addThenRemove(state, listener, add, [&registry](std::string& event, std::string& name) {
        return allocationsOf([&] { registry.removeEventListener(std::move(event), std::move(name)); });
    });
}

// The least an ordered table can do for the same add and remove.
void bareMapsAddThenRemove(benchmark::State& state, const std::string& listener) {
    EventRegistry::EventTable table;
    fill(static_cast<int>(state.range(0)),
         [&table](const std::string& event, const std::string& name) { table[event][name] = 1; });
    const auto add = [&table](const std::string& event, const std::string& name) {
        return allocationsOf([&] { ++table.find(event)->second.try_emplace(name, 0).first->second; });
    };
    addThenRemove(state, listener, add, [&table](const std::string& event, const std::string& name) {
        return allocationsOf([&] {
            auto& listeners = table.find(event)->second;
            const auto found = listeners.find(name);
            if (--found->second == 0) {
                listeners.erase(found);
            }
        });
    });
}

// The listener is new to the event: the add inserts it, the remove erases it.
void NewListener(benchmark::State& state) { registryAddThenRemove(state, kNewcomer); }
void NewListener_Reference(benchmark::State& state) { bareMapsAddThenRemove(state, kNewcomer); }

// The listener is already there: the add and the remove only move its count.
void CountedListener(benchmark::State& state) { registryAddThenRemove(state, listenerName(0)); }
void CountedListener_Reference(benchmark::State& state) { bareMapsAddThenRemove(state, listenerName(0)); }

BENCHMARK(NewListener)->Arg(1)->Arg(100)->Arg(10000);
BENCHMARK(NewListener_Reference)->Arg(1)->Arg(100)->Arg(10000);
BENCHMARK(CountedListener)->Arg(1)->Arg(100)->Arg(10000);
BENCHMARK(CountedListener_Reference)->Arg(1)->Arg(100)->Arg(10000);

// `events` events with `listeners` listeners each, built once per shape for
// the whole run: the largest holds ten million entries.
const LMEventRegistry& listTable(int events, int listeners) {
    static std::map<std::pair<int, int>, std::unique_ptr<LMEventRegistry>> tables;
    std::unique_ptr<LMEventRegistry>& table = tables[{events, listeners}];
    if (!table) {
        table = std::make_unique<LMEventRegistry>(nullptr, &agreeingSuite, ignoreNotification);
        for (int event = 0; event < events; ++event) {
            for (int listener = 0; listener < listeners; ++listener) {
                table->addEventListener(eventText(event), listenerName(listener));
            }
        }
    }
    return *table;
}

// The same walk over the registry's own table, one lookup per event.
std::vector<std::string> bareList(const LMEventRegistry& registry, const std::string& listener) {
    std::vector<std::string> events;
    for (const auto& entry : registry.events()) {
        if (entry.second.count(listener) != 0) {
            events.push_back(entry.first);
        }
    }
    return events;
}

template <typename Work>
double secondsFor(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// range(0) events with range(1) listeners each; every event holds the listed
// listener, so the list has one entry per event. The walk is bound by memory
// latency, which other work on the machine moves from one moment to the next,
// so the reference runs in the same iterations, taking turns to go first, and
// the ratio is taken there. "ns/step" is the time per event and per level of a
// listener table's tree: flat while the time grows as events x log(listeners).
void ListEvents(benchmark::State& state) {
    const int events = static_cast<int>(state.range(0));
    const int listeners = static_cast<int>(state.range(1));
    const LMEventRegistry& registry = listTable(events, listeners);
    const std::string listener = listenerName(listeners / 2);
    const auto list = [&] { benchmark::DoNotOptimize(registry.getEventsFor(listener)); };
    const auto reference = [&] { benchmark::DoNotOptimize(bareList(registry, listener)); };
    double listSeconds = 0;
    double referenceSeconds = 0;
    bool referenceFirst = false;
    for (auto _ : state) {
        double listed = 0;
        if (referenceFirst) {
            referenceSeconds += secondsFor(reference);
            listed = secondsFor(list);
        } else {
            listed = secondsFor(list);
            referenceSeconds += secondsFor(reference);
        }
        state.SetIterationTime(listed);
        listSeconds += listed;
        referenceFirst = !referenceFirst;
    }
    const double steps = static_cast<double>(state.iterations()) * events * std::log2(listeners);
    state.counters["ns/step"] = listSeconds * 1e9 / steps;
    state.counters["reference_ns/step"] = referenceSeconds * 1e9 / steps;
    state.counters["ratio"] = listSeconds / referenceSeconds;
}

// The last shape fits in the caches: beside 10,000 x 1,000 it shows how much
// of that one's time per step is memory latency rather than more steps.
void listShapes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"events", "listeners"})->Unit(benchmark::kMillisecond);
    for (const int listeners : {10, 100, 1000}) {
        benchmark->Args({kEvents, listeners});
    }
    benchmark->Args({100, 1000});
}

BENCHMARK(ListEvents)->Apply(listShapes)->UseManualTime();

}  // namespace
