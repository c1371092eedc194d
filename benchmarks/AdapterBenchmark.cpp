// One host notification forwarded by the adapter, against the floor: the id
// written with std::to_chars into a stack buffer and handed to the same
// do-nothing DispatchEvent.
//
// LMEventAdapter.cpp is compiled into this binary, beside a bus that does
// nothing (NullBus.cpp, a translation unit of its own, so neither side can
// inline the dispatch away). The plug-in is started in the host stand-in and
// asked over the bus to listen to each id, so EventHandler is reached the way
// the host reaches it: through the notifier the plug-in installed. The
// reference is called through a notifier pointer too, so the indirect call
// counts on both sides and the ratio is the adapter's own work.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <string>

#include "Conflux.h"
#include "Host.h"
#include "LMEventAdapter.h"
#include "LMEventCatalogue.h"
#include "NullBus.h"

namespace {

using LMEventCatalogue::kAddEventListener;
using LMEventCatalogue::kCppEvent;
using LMEventCatalogue::kSenderApp;

bool startAndHookUp(Host& host) {
    if (host.startup(PluginMain) != 0) {
        return false;
    }
    host.fireIdle();
    return NullBus::subscriberOf(kAddEventListener) != nullptr;
}

// Asks the plug-in, started once for the whole binary, to listen to eventID
// and answers the notifier it installed; null if anything failed.
LMNotifyProc pluginNotifierFor(std::uint32_t eventID) {
    static Host host;
    static const bool hookedUp = startAndHookUp(host);
    if (!hookedUp) {
        return nullptr;
    }
    const std::string payload = std::to_string(eventID);
    const cflx::event::Event request{kAddEventListener, 0, "EXT", "com.example.extension",
                                     payload.c_str()};
    NullBus::subscriberOf(kAddEventListener)(&request, nullptr);
    for (const NotifierInstallation& installation : host.installedNotifiers()) {
        if (installation.eventID == eventID) {
            return installation.notifier;
        }
    }
    return nullptr;
}

void referenceNotifier(std::uint32_t eventID, _ADsc*, std::int32_t, void*) noexcept {
    char digits[11];
    *std::to_chars(digits, digits + 10, eventID).ptr = '\0';
    const cflx::event::Event event{kCppEvent, 0, kSenderApp, nullptr, digits};
    DispatchEvent(&event);
}

void notifyRepeatedly(benchmark::State& state, LMNotifyProc notifier) {
    const auto eventID = static_cast<std::uint32_t>(state.range(0));
    // Hidden from the optimizer, so the call stays indirect as the host's is.
    benchmark::DoNotOptimize(notifier);
    for (auto _ : state) {
        notifier(eventID, nullptr, 0, nullptr);
    }
    state.SetItemsProcessed(state.iterations());
}

void EventHandler(benchmark::State& state) {
    const LMNotifyProc notifier = pluginNotifierFor(static_cast<std::uint32_t>(state.range(0)));
    if (notifier == nullptr) {
        state.SkipWithError("the plug-in did not start, hook up or install its notifier");
        return;
    }
    notifyRepeatedly(state, notifier);
}

void EventHandler_Reference(benchmark::State& state) { notifyRepeatedly(state, referenceNotifier); }

// One, six and ten digits.
BENCHMARK(EventHandler)->Arg(7)->Arg(100000)->Arg(4294967295);
BENCHMARK(EventHandler_Reference)->Arg(7)->Arg(100000)->Arg(4294967295);

}  // namespace
