// One call between the host and the plug-in, as the host's call log keeps it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "KXPlugin.h"
#include "LMNotifyProc.h"

enum class HostCallKind {
    // Calls the plug-in makes into the host.
    fetchSuite,
    returnSuite,
    sameString,
    lookupEventID,
    addNotifier,
    removeNotifier,
    // Calls the host makes into the plug-in.
    pluginMain,
    notify,
};

const char* nameOf(HostCallKind kind) noexcept;

// Members that a kind does not use stay at their defaults.
struct HostCall {
    HostCallKind kind;
    // The text arguments in order; a null pointer is kept as std::nullopt.
    // fetchSuite, returnSuite: suite name. sameString: host string value,
    // literal. lookupEventID: event name. pluginMain: caller, selector.
    std::vector<std::optional<std::string>> texts;
    // fetchSuite, returnSuite.
    std::int32_t version = 0;
    // The id filled in by lookupEventID; the id of addNotifier,
    // removeNotifier and notify.
    std::uint32_t eventID = 0;
    KXPlugin* plugin = nullptr;
    LMNotifyProc notifier = nullptr;
    void* userData = nullptr;
    // What the call returned, widened with its sign (sameString: 0 or 1;
    // pluginMain: PluginMain's result; notify: always 0).
    std::int32_t status = 0;
    // False from the call's start until it returns; status and the id a
    // lookup found are known only then.
    bool returned = false;
};
