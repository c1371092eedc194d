// The shape of a host notifier: the callback the host calls for an action event.
#pragma once

#include <cstdint>

extern "C" {

// Opaque descriptor of the action that happened; owned by the host, valid
// only during the notification.
struct _ADsc;

// Called by the host on its thread, one call at a time, with the id of the
// event that happened. The descriptor stays the host's; userData is what the
// plug-in gave addNotifier (always null from this plug-in). A notifier may
// remove itself while it runs.
typedef void (*LMNotifyProc)(std::uint32_t eventID, _ADsc* descriptor, std::int32_t options,
                             void* userData);

}  // extern "C"
