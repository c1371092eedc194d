// The event bus's record and callback type.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cflx {
namespace event {

// One bus event. All texts are NUL-terminated. A record passed to the bus
// stays its sender's and lives only for the call; a record the bus passes to
// a callback stays the bus's and lives only for the callback.
struct Event {
    const char* eventType;
    std::int32_t deliveryMode;
    const char* senderApp;
    const char* senderExtension;
    const char* payload;
};

#if UINTPTR_MAX == UINT64_MAX
static_assert(sizeof(Event) == 40, "cflx::event::Event layout");
static_assert(offsetof(Event, eventType) == 0, "Event::eventType");
static_assert(offsetof(Event, deliveryMode) == 8, "Event::deliveryMode");
static_assert(offsetof(Event, senderApp) == 16, "Event::senderApp");
static_assert(offsetof(Event, senderExtension) == 24, "Event::senderExtension");
static_assert(offsetof(Event, payload) == 32, "Event::payload");
#endif

}  // namespace event
}  // namespace cflx

extern "C" {

// Called by the bus once per dispatched event of the subscribed type, one
// call at a time, with the userData given at subscription.
typedef void (*EventBusCallback)(const cflx::event::Event* event, void* userData);

}  // extern "C"
