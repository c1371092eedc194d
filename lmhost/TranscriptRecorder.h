// Turns what the host and the bus see into transcript entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "CflxEvent.h"
#include "Host.h"
#include "HostEntries.h"
#include "PointerLabels.h"
#include "Transcript.h"
#include "TranscriptEntry.h"

// Watches the host's call log and the bus's dispatches and subscriptions
// from construction to destruction. Only one recorder may watch the bus at a
// time.
class TranscriptRecorder {
public:
    TranscriptRecorder(Host& host, Transcript& transcript);
    ~TranscriptRecorder();
    TranscriptRecorder(const TranscriptRecorder&) = delete;
    TranscriptRecorder& operator=(const TranscriptRecorder&) = delete;

    // The scenario line that the next entries belong to.
    void setLine(std::size_t number) noexcept { line = number; }
    // Dispatches an extension's request; whatever the plug-in dispatches
    // while it is delivered is recorded as the plug-in's.
    void sendFromExtension(const cflx::event::Event& event);
    // Has the bus dispatch the request, as the extension's, from inside its
    // next dispatch of triggerType. The request's texts must outlive the run.
    void sendFromExtensionDuring(const std::string& triggerType, const cflx::event::Event& request);
    // True once an entry could not be recorded (no memory): the transcript
    // then misses a call and must not be trusted.
    bool lostEntries() const noexcept { return lost; }

private:
    static void dispatchObserved(const cflx::event::Event* event, void* context) noexcept;
    static void subscriptionObserved(const char* eventType, EventBusCallback callback, void* userData,
                                     std::int32_t status, void* context) noexcept;
    void hostCallObserved(std::size_t place, const HostCall& call) noexcept;
    void dispatched(const cflx::event::Event* event);
    void subscribed(const char* eventType, EventBusCallback callback, void* userData, std::int32_t status);
    template <typename Work>
    void recordSafely(Work&& work) noexcept;

    Host& host;
    Transcript& transcript;
    HostEntries hostEntries;
    PointerLabels handlers{"handler"};
    // Where each host call's entry stands, by its place in the host's log.
    std::map<std::size_t, std::size_t> hostCallEntries;
    bool isExtensionRecord(const cflx::event::Event* event) const noexcept;

    const cflx::event::Event* extensionRecord = nullptr;
    // Requests the bus sends during another dispatch; kept until the bus is reset.
    std::deque<cflx::event::Event> stagedRequests;
    std::size_t line = 0;
    bool lost = false;
};
