// The arguments and result of each call between host and plug-in, in the
// order transcripts show them and expectations list them.
#pragma once

#include <string>
#include <vector>

#include "HostCall.h"

struct HostCallShape {
    enum class Argument { text, version, eventID, plugin, notifier, userData };
    struct Parameter {
        const char* name;
        Argument kind;
    };

    HostCallKind kind;
    std::vector<Parameter> parameters;
    // Empty for notify, which returns nothing.
    const char* resultName;
    bool booleanResult;

    static const HostCallShape& of(HostCallKind kind);
    // The calls the plug-in makes into the host, by name; null for others.
    static const HostCallShape* ofPluginCall(const std::string& name);
};
