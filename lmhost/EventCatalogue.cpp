#include "EventCatalogue.h"

namespace {

constexpr const char* kPrefix = "com.corvane.lumetra.events.";

constexpr const char* kShortNames[] = {
    "AddEventListener",  "RemoveEventListener",    "PingRequestEvent", "PingResponseEvent",
    "ListEventsRequestEvent", "ListEventsResponseEvent", "CppEvent",
};

}  // namespace

std::string EventCatalogue::typeOf(const std::string& name) {
    for (const char* shortName : kShortNames) {
        if (name == shortName) {
            return kPrefix + name;
        }
    }
    return name;
}
