// The message record that the host passes with every PluginMain call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KXCoreSuite.h"
#include "KXPlugin.h"

extern "C" {

// Owned by the host and valid for the one PluginMain call; the plug-in reads
// only the plug-in reference and the core suite.
struct KXMessage {
    void* reserved0;
    KXPlugin* plugin;
    void* reserved16;
    const KXCoreSuite* coreSuite;
};

#if UINTPTR_MAX == UINT64_MAX
static_assert(offsetof(KXMessage, plugin) == 8, "KXMessage::plugin");
static_assert(offsetof(KXMessage, coreSuite) == 24, "KXMessage::coreSuite");
#endif

}  // extern "C"
