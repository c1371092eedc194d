// A bus that delivers nothing: the floor under the adapter's own cost.
#pragma once

#include <map>
#include <string>

#include "CflxEvent.h"

// Its DispatchEvent and AddEventListener (NullBus.cpp) stand in for the bus
// library's C functions. DispatchEvent returns at once; AddEventListener
// keeps each subscription, so that a benchmark can hand a request to the
// plug-in's handler itself.
class NullBus {
public:
    static void subscribe(const char* eventType, EventBusCallback callback) {
        subscriptions()[eventType] = callback;
    }
    // Null while nobody subscribed to eventType.
    static EventBusCallback subscriberOf(const std::string& eventType) {
        const auto found = subscriptions().find(eventType);
        return found == subscriptions().end() ? nullptr : found->second;
    }

private:
    static std::map<std::string, EventBusCallback>& subscriptions() {
        static std::map<std::string, EventBusCallback> subscribed;
        return subscribed;
    }
};
