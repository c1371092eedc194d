// The two functions the plug-in takes from the event bus library.
#pragma once

#include <cstdint>

#include "CflxEvent.h"

#if defined(_WIN32)
#if defined(CONFLUX_BUILDING_LIBRARY)
#define CONFLUX_API __declspec(dllexport)
#else
#define CONFLUX_API __declspec(dllimport)
#endif
#else
#define CONFLUX_API __attribute__((visibility("default")))
#endif

extern "C" {

// Subscribes callback to every later event of eventType; 0 when the
// subscription is in place. eventType stays the caller's.
CONFLUX_API std::int32_t AddEventListener(const char* eventType, EventBusCallback callback,
                                          void* userData);

// Delivers event to every subscriber of its type before returning. The record
// and its texts stay the caller's; the bus copies whatever it keeps.
CONFLUX_API std::int32_t DispatchEvent(const cflx::event::Event* event);

}  // extern "C"
