// The plug-in's one entry point, as the host calls it.
#pragma once

#include <cstdint>

#include "KXMessage.h"
#include "KXPlugin.h"

extern "C" {

// Called by the host on its thread, one call at a time, with host-owned
// caller, selector and message that are valid for this call only.
typedef std::int32_t (*KXPluginMainProc)(KXString caller, KXString selector, KXMessage* message);

#define kKXPluginMainName "PluginMain"
#define kKXInterfaceCaller "KX Interface"
#define kKXStartupSelector "Startup"
#define kKXShutdownSelector "Shutdown"

}  // extern "C"
