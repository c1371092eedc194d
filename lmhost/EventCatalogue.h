// The bus event types of the plug-in's message catalogue.
#pragma once

#include <string>

class EventCatalogue {
public:
    static constexpr const char* kAddEventListener = "com.corvane.lumetra.events.AddEventListener";
    static constexpr const char* kRemoveEventListener =
        "com.corvane.lumetra.events.RemoveEventListener";
    static constexpr const char* kPingRequest = "com.corvane.lumetra.events.PingRequestEvent";
    static constexpr const char* kListEventsRequest =
        "com.corvane.lumetra.events.ListEventsRequestEvent";

    // The seven catalogue types may be written by their last part
    // ("CppEvent"); every other name is the type exactly as written.
    static std::string typeOf(const std::string& name);
};
