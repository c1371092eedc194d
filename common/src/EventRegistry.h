// Reference-counted table of which listener wants which event text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Does the bookkeeping only; a subclass binds the two hooks to whatever must
// happen when an event text gains its first listener or loses its last one,
// and may refuse either change. The plain class is a pure counting table.
//
// Not thread-safe: callers make one call at a time. Hooks run inside the
// operations and must not call back into the registry.
class EventRegistry {
public:
    // Keys compare byte for byte as unsigned bytes (std::string's ordering),
    // so "10" < "100" < "2" < "9" and "5", "05", "+5", " 5" are distinct.
    using ListenerTable = std::map<std::string, std::int32_t>;
    using EventTable = std::map<std::string, ListenerTable>;

    EventRegistry() = default;
    // Not virtual by design: the registry is never deleted through a base
    // pointer, and the destructor frees the table without calling any hook.
    ~EventRegistry() = default;
    EventRegistry(const EventRegistry&) = delete;
    EventRegistry& operator=(const EventRegistry&) = delete;

    void addEventListener(std::string event, std::string listener);
    void removeEventListener(std::string event, std::string listener);
    std::vector<std::string> getEventsFor(std::string listener) const;

    // Asks unregisterListener(event, "") for every event text, stale ones
    // included, and forgets each whatever the answer.
    virtual void unregisterAllListeners();

    // Read-only view of the whole table, stale entries included.
    const EventTable& events() const { return eventTable; }

protected:
    // Answer true to let a new event text be recorded.
    virtual bool registerListener(std::string event, std::string listener);
    // Answer true to let an event text whose last listener left be forgotten;
    // false keeps it as a stale entry with no listeners.
    virtual bool unregisterListener(std::string event, std::string listener);

private:
    void addFirstListener(const std::string& event, const std::string& listener);
    void removeLastListener(EventTable::iterator entry, ListenerTable::iterator last);

    EventTable eventTable;
};
