#include "EventRegistry.h"

#include <limits>
#include <utility>

namespace {

// Saturates: the count of one listener for one event never overflows; adds
// beyond the maximum are not counted.
void incrementCount(std::int32_t& count) {
    if (count < std::numeric_limits<std::int32_t>::max()) {
        ++count;
    }
}

}  // namespace

void EventRegistry::addEventListener(std::string event, std::string listener) {
    const auto entry = eventTable.find(event);
    if (entry == eventTable.end()) {
        addFirstListener(event, listener);
        return;
    }
    incrementCount(entry->second[listener]);
}

// Everything that allocates happens before the hook: once the host has agreed,
// recording the event text cannot fail, so no notifier is ever installed for
// an event text that the table does not hold.
void EventRegistry::addFirstListener(const std::string& event, const std::string& listener) {
    EventTable staged;
    staged.emplace(event, ListenerTable{{listener, 1}});
    if (registerListener(event, listener)) {
        eventTable.insert(staged.extract(staged.begin()));
    }
}

void EventRegistry::removeEventListener(std::string event, std::string listener) {
    const auto entry = eventTable.find(event);
    if (entry == eventTable.end()) {
        return;
    }
    ListenerTable& listeners = entry->second;
    const auto found = listeners.find(listener);
    if (found == listeners.end()) {
        return;
    }
    if (found->second != 1) {
        --found->second;
    } else if (listeners.size() > 1) {
        listeners.erase(found);
    } else {
        removeLastListener(entry, found);
    }
}

// The hook's copies are made before the listener leaves, so an allocation
// failure changes nothing instead of leaving a stale entry behind.
void EventRegistry::removeLastListener(EventTable::iterator entry, ListenerTable::iterator last) {
    std::string event = entry->first;
    std::string listener = last->first;
    entry->second.erase(last);
    if (unregisterListener(std::move(event), std::move(listener))) {
        eventTable.erase(entry);
    }
}

std::vector<std::string> EventRegistry::getEventsFor(std::string listener) const {
    std::vector<std::string> found;
    for (const auto& [event, listeners] : eventTable) {
        if (listeners.find(listener) != listeners.end()) {
            found.push_back(event);
        }
    }
    return found;
}

// Each entry leaves the table before its hook runs and hands the hook its own
// key, so emptying the table allocates nothing and cannot stop half way.
void EventRegistry::unregisterAllListeners() {
    while (!eventTable.empty()) {
        auto node = eventTable.extract(eventTable.begin());
        unregisterListener(std::move(node.key()), std::string());
    }
}

bool EventRegistry::registerListener(std::string, std::string) { return true; }

bool EventRegistry::unregisterListener(std::string, std::string) { return true; }
