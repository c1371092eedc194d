// Through the real plug-in binary, loaded into the host stand-in beside the
// stand-in bus as lmhost runs it: notifications from the host to the bus, and
// requests from the bus to the registry. Each is shown with references that
// run the same traffic through the host stand-in alone and through the bus
// alone, each to a listener that does nothing; what the references leave of
// the end-to-end time is the plug-in's share.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "AllocationCounter.h"
#include "BenchmarkCounters.h"
#include "ConfluxControl.h"
#include "Host.h"
#include "LMEventCatalogue.h"
#include "PluginModule.h"

namespace {

using LMEventCatalogue::kAddEventListener;
using LMEventCatalogue::kCppEvent;
using LMEventCatalogue::kPingRequest;
using LMEventCatalogue::kPingResponse;
using LMEventCatalogue::kRemoveEventListener;
using LMEventCatalogue::kSenderApp;
// Heard only by the references' do-nothing listener.
constexpr const char* kReferenceType = "com.example.ReferenceEvent";

constexpr std::uint32_t kForwardedEventID = 7;
constexpr std::uint32_t kReferenceEventID = 8;
constexpr const char* kForwardedEventText = "7";
constexpr const char* kForwardedPayload = "<![CDATA[<event id=\"7\" />]]>";
constexpr const char* kExtension = "com.example.extension";

void ignoreEvent(const cflx::event::Event*, void*) {}
void ignoreNotification(std::uint32_t, _ADsc*, std::int32_t, void*) {}

void countForwarded(const cflx::event::Event* event, void* count) {
    if (event != nullptr && event->eventType != nullptr && std::strcmp(event->eventType, kCppEvent) == 0) {
        ++*static_cast<int*>(count);
    }
}

// A notification of kForwardedEventID reaches the bus exactly once.
bool forwardsOnce(Host& host) {
    int forwarded = 0;
    ConfluxControlObserveDispatches(countForwarded, &forwarded);
    host.fireEvent(kForwardedEventID);
    ConfluxControlObserveDispatches(nullptr, nullptr);
    return forwarded == 1;
}

void send(const char* type, const char* sender, const char* payload) {
    const cflx::event::Event event{type, 0, "EXT", sender, payload};
    DispatchEvent(&event);
}

// The plug-in listens to kForwardedEventID for kExtension, whose count is
// then 1; the host holds a do-nothing notifier of its own for
// kReferenceEventID, and the bus a do-nothing listener for what the plug-in
// sends and for kReferenceType. Set up once for the whole binary.
bool setUp(Host& host, const PluginModule& plugin) {
    ConfluxControlReset();
    if (!plugin.isLoaded() || host.startup(plugin.entryPoint()) != 0) {
        return false;
    }
    host.fireIdle();
    for (const char* type : {kCppEvent, kPingResponse, kReferenceType}) {
        AddEventListener(type, ignoreEvent, nullptr);
    }
    send(kAddEventListener, kExtension, kForwardedEventText);
    host.actionControl().addNotifier(host.pluginReference(), kReferenceEventID, ignoreNotification,
                                     nullptr);
    const bool forwarding = forwardsOnce(host);
    host.clearCalls();
    return forwarding && host.installedNotifiers().size() == 2;
}

// Null if the plug-in did not load, start or hook up.
Host* runningHost() {
    static Host host;
    static PluginModule plugin(QUAYLINE_PLUGIN_PATH);
    static const bool ready = setUp(host, plugin);
    return ready ? &host : nullptr;
}

// Runs `work`, which handles `items` notifications or requests, and reports
// their rate and the allocations each makes.
template <typename Work>
void measure(benchmark::State& state, int items, Work&& work) {
    Host* host = runningHost();
    if (host == nullptr) {
        state.SkipWithError("the plug-in did not load, start or hook up to the bus");
        return;
    }
    const std::uint64_t before = AllocationCounter::total();
    for (auto _ : state) {
        work(*host);
    }
    const std::uint64_t allocations = AllocationCounter::total() - before;
    state.SetItemsProcessed(state.iterations() * items);
    state.counters["allocs/item"] = perIteration(static_cast<double>(allocations) / items);
}

// The host logs every call it makes; the log is emptied as it grows, on both sides.
void HostToBus(benchmark::State& state) {
    measure(state, 1, [](Host& host) {
        host.fireEvent(kForwardedEventID);
        host.clearCalls();
    });
}

void HostToBus_HostAlone(benchmark::State& state) {
    measure(state, 1, [](Host& host) {
        host.fireEvent(kReferenceEventID);
        host.clearCalls();
    });
}

void HostToBus_BusAlone(benchmark::State& state) {
    measure(state, 1, [](Host&) {
        const cflx::event::Event event{kCppEvent, 0, kSenderApp, nullptr, kForwardedPayload};
        DispatchEvent(&event);
    });
}

// An add and a remove that only move kExtension's count: the registry's
// work, without a host call.
void BusToRegistry(benchmark::State& state) {
    measure(state, 2, [](Host&) {
        send(kAddEventListener, kExtension, kForwardedEventText);
        send(kRemoveEventListener, kExtension, kForwardedEventText);
    });
}

void BusToRegistry_BusAlone(benchmark::State& state) {
    measure(state, 2, [](Host&) {
        send(kReferenceType, kExtension, kForwardedEventText);
        send(kReferenceType, kExtension, kForwardedEventText);
    });
}

// A ping and the plug-in's answer, two dispatches.
void Ping(benchmark::State& state) {
    measure(state, 1, [](Host&) { send(kPingRequest, kExtension, ""); });
}

void Ping_BusAlone(benchmark::State& state) {
    measure(state, 1, [](Host&) {
        send(kReferenceType, kExtension, "");
        send(kReferenceType, nullptr, "");
    });
}

BENCHMARK(HostToBus);
BENCHMARK(HostToBus_HostAlone);
BENCHMARK(HostToBus_BusAlone);
BENCHMARK(BusToRegistry);
BENCHMARK(BusToRegistry_BusAlone);
BENCHMARK(Ping);
BENCHMARK(Ping_BusAlone);

}  // namespace
