// The host's action-control suite: event-name lookup and notifier installation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KXPlugin.h"
#include "LMNotifyProc.h"

extern "C" {

// 16-bit status of the action-control suite; 0 means success.
typedef std::int16_t LMErr;

#define kLMActionControlSuite "bc1e4d70-f953-11d0-8d9f-00c04fd5f7ee"
#define kLMActionControlSuiteVersion 3

// Fetched through the core suite and owned by the host. Members are called on
// the host's thread, one call at a time; every text argument stays the
// plug-in's. Members the plug-in never calls are kept only for their place.
struct LMActionControlProcs {
    void* reserved0;
    void* reserved8;
    // Fills *eventID only on success.
    LMErr (*lookupEventID)(const char* eventName, std::uint32_t* eventID);
    void* reserved24;
    // Makes the host call notifier with userData each time eventID happens,
    // until removeNotifier is called for the same plug-in and id.
    LMErr (*addNotifier)(KXPlugin* plugin, std::uint32_t eventID, LMNotifyProc notifier,
                         void* userData);
    LMErr (*removeNotifier)(KXPlugin* plugin, std::uint32_t eventID);
};

#if UINTPTR_MAX == UINT64_MAX
static_assert(sizeof(LMActionControlProcs) == 48, "LMActionControlProcs layout");
static_assert(offsetof(LMActionControlProcs, lookupEventID) == 16, "lookupEventID");
static_assert(offsetof(LMActionControlProcs, addNotifier) == 32, "addNotifier");
static_assert(offsetof(LMActionControlProcs, removeNotifier) == 40, "removeNotifier");
#endif

}  // extern "C"
