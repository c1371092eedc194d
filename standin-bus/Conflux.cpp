#include "Conflux.h"

#include "EventBus.h"
#include "StatusGuard.h"

std::int32_t AddEventListener(const char* eventType, EventBusCallback callback, void* userData) {
    return guardedStatus(
        [&] { return EventBus::instance().subscribe(eventType, callback, userData); });
}

std::int32_t DispatchEvent(const cflx::event::Event* event) {
    return guardedStatus([&] { return EventBus::instance().dispatch(event); });
}
