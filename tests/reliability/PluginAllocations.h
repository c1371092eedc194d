// Every operator new of the test binary, attributed to the plug-in when the
// innermost project code on the caller's stack is the plug-in's own: so the
// registry's strings count, the host's and the bus's copies do not.
#pragma once

#include <cstddef>

#include "PluginModule.h"

// Replaces the global operator new and delete of the binary that links it.
// Allocations made while no plug-in is watched are never counted or failed.
class PluginAllocations {
public:
    // Starts attributing allocations to the loaded plug-in; also resets the
    // counts and disarms any failure.
    static void watch(const PluginModule& plugin);
    // Blocks made while watching stops are never counted, not even when they
    // are freed after it resumes, so the counts stay exact across a pause.
    static void stopWatching() noexcept;
    static void resumeWatching() noexcept;

    // The count-th allocation of the plug-in from now on throws bad_alloc (a
    // nothrow new answers null); 0 disarms and keeps failureInjected().
    static void failAt(long count) noexcept;
    static bool failureInjected() noexcept;

    // Allocations of the plug-in since watch().
    static long made() noexcept;
    // The plug-in's blocks not yet freed, whoever frees them.
    static long liveBlocks() noexcept;
    static std::size_t liveBytes() noexcept;
};
