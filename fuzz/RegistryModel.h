// A second, deliberately plain implementation of the listener registry and of
// the host's notifier table beside it, for differential runs against the
// product: linear scans over vectors where the product uses ordered maps.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class RegistryModel {
public:
    enum class CallKind { add, remove };
    struct HostCall {
        CallKind kind;
        std::uint32_t eventID;
        // As the 16-bit member returns it, widened with its sign.
        std::int32_t status;
    };
    // The host's 32-bit answers to one operation's calls, front first; once
    // they run out the host agrees.
    using Answers = std::deque<std::int32_t>;
    // Event texts in byte order, each with its listeners in byte order and
    // their counts; a stale event has no listeners.
    using Snapshot =
        std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::int64_t>>>>;

    // The host's side of each call the registry makes: given the call and the
    // scripted status, the status the host answers. Without one the host
    // answers as scripted.
    using HostSide = std::function<std::int32_t(CallKind kind, std::uint32_t eventID, std::int32_t status)>;
    void answerThrough(HostSide side) { hostSide = std::move(side); }

    void add(const std::string& event, const std::string& listener, Answers& answers);
    void remove(const std::string& event, const std::string& listener, Answers& answers);
    void unregisterAll(Answers& answers);

    std::vector<std::string> eventsFor(const std::string& listener) const;
    Snapshot snapshot() const;
    std::size_t eventCount() const noexcept { return entries.size(); }
    // One id per installation the host holds, ascending.
    std::vector<std::uint32_t> installedIDs() const;
    const std::vector<HostCall>& hostCalls() const noexcept { return calls; }

    // atoi's grammar: C-locale blanks, an optional sign, decimal digits; the
    // value taken modulo 2^32.
    static std::uint32_t eventID(const std::string& text);
    // What a 16-bit member answers for a 32-bit status.
    static std::int32_t asReturned(std::int32_t status) noexcept;
    static std::string describe(const Snapshot& snapshot);

private:
    struct Listener {
        std::string name;
        std::int64_t count;
    };
    struct Entry {
        std::string event;
        std::vector<Listener> listeners;
    };

    bool callHost(CallKind kind, const std::string& event, Answers& answers);
    std::vector<Entry>::iterator entryOf(const std::string& event);
    void forgetInstallation(std::uint32_t eventID);

    std::vector<Entry> entries;
    std::vector<std::uint32_t> installed;
    std::vector<HostCall> calls;
    HostSide hostSide;
};
