// The bus message catalogue as extensions see it: the event types that the
// plug-in answers and sends, and the fixed parts of its payloads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace BusCatalogue {

constexpr const char* kAddEventListener = "com.corvane.lumetra.events.AddEventListener";
constexpr const char* kRemoveEventListener = "com.corvane.lumetra.events.RemoveEventListener";
constexpr const char* kPingRequest = "com.corvane.lumetra.events.PingRequestEvent";
constexpr const char* kListEventsRequest = "com.corvane.lumetra.events.ListEventsRequestEvent";
constexpr const char* kPingResponse = "com.corvane.lumetra.events.PingResponseEvent";
constexpr const char* kListEventsResponse = "com.corvane.lumetra.events.ListEventsResponseEvent";
constexpr const char* kCppEvent = "com.corvane.lumetra.events.CppEvent";

// The four requests in the order the plug-in subscribes to them.
constexpr const char* kRequests[] = {kAddEventListener, kRemoveEventListener, kPingRequest,
                                     kListEventsRequest};

// What the plug-in sends.
constexpr const char* kResponses[] = {kPingResponse, kListEventsResponse, kCppEvent};

constexpr const char* kSenderApp = "LMTR";
constexpr const char* kEventListHead = "<![CDATA[<events>";
constexpr const char* kEventListItemHead = "<event id=\"";
constexpr const char* kEventListItemTail = "\" />";
constexpr const char* kEventListTail = "</events>]]>";
constexpr const char* kEventPayloadHead = "<![CDATA[<event id=\"";
constexpr const char* kEventPayloadTail = "\" />]]>";

// The answer to a list request: each event text verbatim, in the order given.
inline std::string eventListPayload(const std::vector<std::string>& events) {
    std::string payload = kEventListHead;
    for (const std::string& event : events) {
        payload.append(kEventListItemHead).append(event).append(kEventListItemTail);
    }
    return payload + kEventListTail;
}

// What a host notification of eventID becomes on the bus.
inline std::string eventPayload(std::uint32_t eventID) {
    return kEventPayloadHead + std::to_string(eventID) + kEventPayloadTail;
}

}  // namespace BusCatalogue
