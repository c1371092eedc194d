#include "NullBus.h"

#include "Conflux.h"

// In a translation unit of its own, so that no caller can inline it away.
std::int32_t DispatchEvent(const cflx::event::Event*) { return 0; }

std::int32_t AddEventListener(const char* eventType, EventBusCallback callback, void*) {
    NullBus::subscribe(eventType, callback);
    return 0;
}
