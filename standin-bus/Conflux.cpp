#include "Conflux.h"

#include "EventBus.h"
#include "StatusGuard.h"

// A staged throw leaves through the C signature on purpose: a real bus is a
// C++ library, and nothing keeps its exceptions in.
std::int32_t AddEventListener(const char* eventType, EventBusCallback callback, void* userData) {
    EventBus& bus = EventBus::instance();
    bus.throwIfStaged(eventType, callback, userData);
    return guardedStatus([&] { return bus.subscribe(eventType, callback, userData); });
}

std::int32_t DispatchEvent(const cflx::event::Event* event) {
    EventBus& bus = EventBus::instance();
    bus.throwIfStaged(event);
    return guardedStatus([&] { return bus.dispatch(event); });
}
