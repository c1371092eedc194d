// The plug-in's bus message catalogue: the seven event types, the sender
// application of everything the plug-in sends and the fixed parts of its
// payloads. Declared once, beside the record that carries them, for the
// plug-in and for everything that talks to it on the bus.
#pragma once

namespace LMEventCatalogue {

// Every type is this prefix followed by the event's name.
#define LM_EVENT_TYPE(name) "com.corvane.lumetra.events." name
inline constexpr char kEventTypePrefix[] = LM_EVENT_TYPE("");

// Received: extension to plug-in. The add and remove names lack the "Event"
// suffix that the other five carry.
inline constexpr char kAddEventListener[] = LM_EVENT_TYPE("AddEventListener");
inline constexpr char kRemoveEventListener[] = LM_EVENT_TYPE("RemoveEventListener");
inline constexpr char kPingRequest[] = LM_EVENT_TYPE("PingRequestEvent");
inline constexpr char kListEventsRequest[] = LM_EVENT_TYPE("ListEventsRequestEvent");

// Sent: plug-in to every listener of the type.
inline constexpr char kPingResponse[] = LM_EVENT_TYPE("PingResponseEvent");
inline constexpr char kListEventsResponse[] = LM_EVENT_TYPE("ListEventsResponseEvent");
inline constexpr char kCppEvent[] = LM_EVENT_TYPE("CppEvent");
#undef LM_EVENT_TYPE

// The four requests in the order in which the plug-in subscribes to them.
inline constexpr const char* kRequests[] = {kAddEventListener, kRemoveEventListener, kPingRequest,
                                            kListEventsRequest};
// The three types the plug-in sends.
inline constexpr const char* kSent[] = {kPingResponse, kListEventsResponse, kCppEvent};

// The senderApp of every event the plug-in sends; its senderExtension is null.
inline constexpr char kSenderApp[] = "LMTR";

// The list response: head, then head + event text + tail per event, then tail.
inline constexpr char kEventListHead[] = "<![CDATA[<events>";
inline constexpr char kEventListItemHead[] = "<event id=\"";
inline constexpr char kEventListItemTail[] = "\" />";
inline constexpr char kEventListTail[] = "</events>]]>";

// A host notification: head + the event id in unsigned decimal + tail.
inline constexpr char kEventPayloadHead[] = "<![CDATA[<event id=\"";
inline constexpr char kEventPayloadTail[] = "\" />]]>";

}  // namespace LMEventCatalogue
