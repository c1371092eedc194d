// The host's core suite: suite fetch and return, string comparison.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KXPlugin.h"

extern "C" {

// Every member is called on the host's thread, one call at a time, and only
// from inside a call that the host made into the plug-in. The record is owned
// by the host.
struct KXCoreSuite {
    // Fills *suite only on success (result 0). The plug-in keeps the suite
    // until it returns it with returnSuite; the record stays the host's.
    KXErr (*fetchSuite)(const char* name, std::int32_t version, const void** suite);
    // Gives a fetched suite back; the plug-in must not use it afterwards.
    KXErr (*returnSuite)(const char* name, std::int32_t version);
    // True when the host string value equals the plug-in's literal. Both
    // arguments stay their owners'.
    KXBool (*sameString)(KXString value, const char* literal);
};

#if UINTPTR_MAX == UINT64_MAX
static_assert(sizeof(KXCoreSuite) == 24, "KXCoreSuite layout");
static_assert(offsetof(KXCoreSuite, fetchSuite) == 0, "KXCoreSuite::fetchSuite");
static_assert(offsetof(KXCoreSuite, returnSuite) == 8, "KXCoreSuite::returnSuite");
static_assert(offsetof(KXCoreSuite, sameString) == 16, "KXCoreSuite::sameString");
#endif

#if defined(_WIN32)
static_assert(sizeof(KXBool) == 4, "the Windows host answers sameString in 32 bits");
#else
static_assert(sizeof(KXBool) == 1, "this host answers sameString in one byte");
#endif

}  // extern "C"
