// Opaque handles the host gives the plug-in, and the host's basic value types.
#pragma once

#include <cstdint>

extern "C" {

// The host's reference for this plug-in. Owned by the host; the plug-in keeps
// it from Startup on and only hands it back to the host.
struct KXPlugin;

// A host string value (the caller and selector of PluginMain). Owned by the
// host and valid for one call; the plug-in never reads it, it only passes it
// to the core suite's sameString.
struct KXHostString;
typedef const KXHostString* KXString;

// The host's boolean: 32 bits wide on Windows, one byte elsewhere.
#if defined(_WIN32)
typedef std::int32_t KXBool;
#else
typedef unsigned char KXBool;
#endif

// 32-bit status of the core suite; 0 means success.
typedef std::int32_t KXErr;

}  // extern "C"
