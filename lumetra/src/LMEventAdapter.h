// The plug-in's entry point and the state it keeps between host calls.
#pragma once

#include <cstdint>

#include "KXMessage.h"
#include "KXPlugin.h"
#include "LMActionControlProcs.h"

class LMEventRegistry;

// Windows exports the entry point through the module definition file alone,
// so that it is the library's only export.
#if defined(_WIN32)
#define QUAYLINE_ENTRY
#else
#define QUAYLINE_ENTRY __attribute__((visibility("default")))
#endif

// Results of PluginMain that are the plug-in's own; every other non-zero
// result is a host status passed on.
constexpr std::int32_t kQuaylineBadMessage = -50;   // message, core suite or a suite member missing
constexpr std::int32_t kQuaylineOutOfMemory = -108;  // no memory for the registry at Startup

extern "C" {

// Called by the host on its thread, one call at a time; caller, selector and
// message stay the host's and are valid for this call only. Never throws.
QUAYLINE_ENTRY std::int32_t PluginMain(KXString caller, KXString selector,
                                       KXMessage* message) noexcept;

}  // extern "C"

// All zero at load; set at Startup. The host and the bus call in one call at
// a time, so they need no lock.
extern LMEventRegistry* eventRegistry;
extern KXPlugin* pluginRef;
extern LMActionControlProcs* sLMActionControl;
extern std::uint32_t eventConfluxLoaded;
