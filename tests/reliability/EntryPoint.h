// The plug-in's entry points as the reliability tests drive them: the state
// that leads up to each one, and the call itself.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "PluginAction.h"

struct EntryPoint {
    std::string name;
    std::vector<PluginAction> setup;
    PluginAction call;
    // Extensions whose lists tell what the registry holds afterwards.
    std::vector<std::string> listeners;
    // Paths that allocate nothing of their own cannot run out of memory.
    bool allocates;

    // Startup, the idle hook-up, each bus request in the states that take a
    // different path through the registry, a notification and Shutdown.
    static const std::vector<EntryPoint>& all();
};

inline void PrintTo(const EntryPoint& entry, std::ostream* out) { *out << entry.name; }
