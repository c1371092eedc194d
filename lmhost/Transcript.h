// Every call of a run, in the order in which it was made, as the host's call
// log and the bus's dispatches and subscriptions show it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "CflxEvent.h"
#include "Host.h"
#include "TranscriptEntry.h"

// Watches the host and the bus from construction to destruction; only one
// transcript may watch the bus at a time. The host's own plug-in reference is
// shown as `plugin`; handlers and notifiers by the order of their first
// appearance (`notifier1` is the first the plug-in handed over), so a
// transcript and its expectations read the same in every run; other pointers
// in hex.
class Transcript {
public:
    explicit Transcript(Host& host);
    ~Transcript();
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    const std::vector<TranscriptEntry>& entries() const noexcept { return records; }
    // The scenario line that the next entries belong to.
    void setLine(std::size_t number) noexcept { line = number; }
    // Dispatches an extension's request; whatever the plug-in dispatches
    // while it is delivered is recorded as the plug-in's.
    void sendFromExtension(const cflx::event::Event& event);
    // Has the bus dispatch the request, as the extension's, from inside its
    // next dispatch of triggerType.
    void sendFromExtensionDuring(const std::string& triggerType, const cflx::event::Event& request);
    // True once an entry could not be recorded (no memory): the transcript
    // then misses a call and must not be trusted.
    bool lostEntries() const noexcept { return lost; }
    // How the transcript shows a host call.
    TranscriptEntry hostCallEntry(const HostCall& call);

private:
    // Names pointers prefix1, prefix2... in the order they are first seen.
    class Labels {
    public:
        explicit Labels(std::string prefix) : prefix(std::move(prefix)) {}
        // Null for a null pointer.
        TranscriptEntry::Value labelOf(std::uintptr_t pointer);

    private:
        std::string prefix;
        std::map<std::uintptr_t, std::size_t> labels;
    };

    static void dispatchObserved(const cflx::event::Event* event, void* context) noexcept;
    static void subscriptionObserved(const char* eventType, EventBusCallback callback, void* userData,
                                     std::int32_t status, void* context) noexcept;
    void hostCallObserved(std::size_t place, const HostCall& call) noexcept;
    void append(TranscriptEntry entry);
    bool isExtensionRecord(const cflx::event::Event* event) const noexcept;
    const char* kept(const char* text);
    template <typename Work>
    void recordSafely(Work&& work) noexcept;

    Host& host;
    std::vector<TranscriptEntry> records;
    // Where each host call's entry stands, by its place in the host's log.
    std::map<std::size_t, std::size_t> hostCallEntries;
    Labels handlers{"handler"};
    Labels notifiers{"notifier"};
    const cflx::event::Event* extensionRecord = nullptr;
    // Requests the bus sends during another dispatch, and their texts: the
    // command that staged one may be gone when it is sent (a typed line).
    std::deque<cflx::event::Event> stagedRequests;
    std::deque<std::string> stagedTexts;
    std::size_t line = 0;
    bool lost = false;
};
