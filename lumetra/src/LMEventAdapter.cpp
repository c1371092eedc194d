#include "LMEventAdapter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <new>
#include <string>
#include <vector>

#include "Conflux.h"
#include "KXCoreSuite.h"
#include "KXPluginMain.h"
#include "LMEventRegistry.h"
#include "LMNotifyProc.h"

LMEventRegistry* eventRegistry = nullptr;
KXPlugin* pluginRef = nullptr;
LMActionControlProcs* sLMActionControl = nullptr;
std::uint32_t eventConfluxLoaded = 0;

namespace {

#define QUAYLINE_EVENT_TYPE(name) "com.corvane.lumetra.events." name

constexpr const char* kAddEventListenerType = QUAYLINE_EVENT_TYPE("AddEventListener");
constexpr const char* kRemoveEventListenerType = QUAYLINE_EVENT_TYPE("RemoveEventListener");
constexpr const char* kPingRequestType = QUAYLINE_EVENT_TYPE("PingRequestEvent");
constexpr const char* kListEventsRequestType = QUAYLINE_EVENT_TYPE("ListEventsRequestEvent");
constexpr const char* kPingResponseType = QUAYLINE_EVENT_TYPE("PingResponseEvent");
constexpr const char* kListEventsResponseType = QUAYLINE_EVENT_TYPE("ListEventsResponseEvent");
constexpr const char* kCppEventType = QUAYLINE_EVENT_TYPE("CppEvent");

constexpr const char* kSenderApp = "LMTR";
constexpr const char* kIdleEventName = "idle";

constexpr char kEventListHead[] = "<![CDATA[<events>";
constexpr char kEventListItemHead[] = "<event id=\"";
constexpr char kEventListItemTail[] = "\" />";
constexpr char kEventListTail[] = "</events>]]>";
constexpr char kEventPayloadHead[] = "<![CDATA[<event id=\"";
constexpr char kEventPayloadTail[] = "\" />]]>";

// Whether the four bus subscriptions are in place: they can never be withdrawn,
// so they are made once per load, even across a Shutdown and a new Startup.
bool busHooked = false;
// Whether the idle notifier is still installed, so that Shutdown can remove it
// and the host never calls into a plug-in that is about to be unloaded.
bool idleNotifierInstalled = false;

// Between a successful fetch and Shutdown; outside it the suite is not ours
// and every request or notification is ignored.
bool running() { return sLMActionControl != nullptr && eventRegistry != nullptr; }

// Bus callbacks and host notifiers return into C code: nothing may escape.
// Running out of memory drops the one request or notification.
template <typename Work>
void dropOnFailure(Work&& work) noexcept {
    try {
        work();
    } catch (...) {
    }
}

void dispatchCFLXEvent(const char* eventType, const char* payload) {
    const cflx::event::Event event{eventType, 0, kSenderApp, nullptr, payload};
    DispatchEvent(&event);
}

void handleAddEventListenerEvent(const cflx::event::Event* event, void*) noexcept {
    if (!running() || event == nullptr || event->senderExtension == nullptr ||
        event->payload == nullptr) {
        return;
    }
    dropOnFailure([event] { eventRegistry->addEventListener(event->payload, event->senderExtension); });
}

void handleRemoveEventListenerEvent(const cflx::event::Event* event, void*) noexcept {
    if (!running() || event == nullptr || event->senderExtension == nullptr ||
        event->payload == nullptr) {
        return;
    }
    dropOnFailure(
        [event] { eventRegistry->removeEventListener(event->payload, event->senderExtension); });
}

void handlePingRequestEvent(const cflx::event::Event* event, void*) noexcept {
    if (!running() || event == nullptr) {
        return;
    }
    dispatchCFLXEvent(kPingResponseType, "");
}

std::string eventListPayload(const std::vector<std::string>& events) {
    std::string payload = kEventListHead;
    for (const std::string& event : events) {
        payload.append(kEventListItemHead).append(event).append(kEventListItemTail);
    }
    return payload.append(kEventListTail);
}

void handleListEventsRequestEvent(const cflx::event::Event* event, void*) noexcept {
    if (!running() || event == nullptr || event->senderExtension == nullptr) {
        return;
    }
    dropOnFailure([event] {
        const std::string payload = eventListPayload(eventRegistry->getEventsFor(event->senderExtension));
        dispatchCFLXEvent(kListEventsResponseType, payload.c_str());
    });
}

// The longest payload has ten digits; built on the stack, it cannot fail.
using EventPayload = std::array<char, sizeof(kEventPayloadHead) + 10 + sizeof(kEventPayloadTail)>;

EventPayload eventPayload(std::uint32_t eventID) {
    EventPayload payload{};
    char* next = std::copy_n(kEventPayloadHead, sizeof(kEventPayloadHead) - 1, payload.data());
    next = std::to_chars(next, payload.data() + payload.size(), eventID).ptr;
    std::copy_n(kEventPayloadTail, sizeof(kEventPayloadTail) - 1, next);
    return payload;
}

void EventHandler(std::uint32_t eventID, _ADsc*, std::int32_t, void*) noexcept {
    if (!running()) {
        return;
    }
    dispatchCFLXEvent(kCppEventType, eventPayload(eventID).data());
}

struct BusSubscription {
    const char* eventType;
    EventBusCallback handler;
};

constexpr BusSubscription kBusSubscriptions[] = {
    {kAddEventListenerType, handleAddEventListenerEvent},
    {kRemoveEventListenerType, handleRemoveEventListenerEvent},
    {kPingRequestType, handlePingRequestEvent},
    {kListEventsRequestType, handleListEventsRequestEvent},
};

// Stops at the first refusal; the next idle notification starts again from
// the first subscription.
bool subscribeRequestHandlers() {
    for (const BusSubscription& subscription : kBusSubscriptions) {
        if (AddEventListener(subscription.eventType, subscription.handler, nullptr) != 0) {
            return false;
        }
    }
    return true;
}

LMErr removeNotifier(std::uint32_t eventID) {
    if (sLMActionControl->removeNotifier == nullptr) {
        return static_cast<LMErr>(kQuaylineBadMessage);
    }
    return sLMActionControl->removeNotifier(pluginRef, eventID);
}

void removeIdleNotifier(std::uint32_t eventID) {
    if (removeNotifier(eventID) == 0) {
        idleNotifierInstalled = false;
    }
}

void TryConfluxEventHandler(std::uint32_t eventID, _ADsc*, std::int32_t, void*) noexcept {
    if (!running()) {
        return;
    }
    if (!busHooked) {
        busHooked = subscribeRequestHandlers();
    }
    if (busHooked) {
        removeIdleNotifier(eventID);
    }
}

bool sameString(const KXCoreSuite& core, KXString value, const char* literal) {
    return core.sameString(value, literal) != 0;
}

std::int32_t lookupIdleEvent() {
    if (sLMActionControl->lookupEventID == nullptr) {
        return kQuaylineBadMessage;
    }
    std::uint32_t idle = 0;
    const LMErr status = sLMActionControl->lookupEventID(kIdleEventName, &idle);
    if (status == 0) {
        eventConfluxLoaded = idle;
    }
    return status;
}

std::int32_t installIdleNotifier() {
    if (sLMActionControl->addNotifier == nullptr) {
        return kQuaylineBadMessage;
    }
    const LMErr status =
        sLMActionControl->addNotifier(pluginRef, eventConfluxLoaded, TryConfluxEventHandler, nullptr);
    idleNotifierInstalled = status == 0;
    return status;
}

std::int32_t fetchActionControl(const KXMessage& message) {
    if (message.coreSuite->fetchSuite == nullptr) {
        return kQuaylineBadMessage;
    }
    const void* suite = nullptr;
    const KXErr fetched =
        message.coreSuite->fetchSuite(kLMActionControlSuite, kLMActionControlSuiteVersion, &suite);
    if (fetched != 0) {
        return fetched;
    }
    if (suite == nullptr) {
        return kQuaylineBadMessage;
    }
    sLMActionControl = static_cast<LMActionControlProcs*>(const_cast<void*>(suite));
    pluginRef = message.plugin;
    return 0;
}

// Everything Startup sets up is in place: the idle notifier waits for the
// bus, or the bus is already hooked up.
bool startedUp() { return eventRegistry != nullptr && (idleNotifierInstalled || busHooked); }

// A repeated Startup changes nothing once everything is in place, and
// otherwise resumes at the step that failed before, so it never answers
// success for a plug-in that is not running.
std::int32_t startup(const KXMessage& message) {
    if (sLMActionControl == nullptr) {
        const std::int32_t fetched = fetchActionControl(message);
        if (fetched != 0) {
            return fetched;
        }
    } else if (startedUp()) {
        return 0;
    }
    if (eventRegistry == nullptr) {
        eventRegistry = new (std::nothrow) LMEventRegistry(pluginRef, sLMActionControl, EventHandler);
        if (eventRegistry == nullptr) {
            return kQuaylineOutOfMemory;
        }
    }
    const std::int32_t lookedUp = lookupIdleEvent();
    if (lookedUp != 0) {
        return lookedUp;
    }
    return installIdleNotifier();
}

// Gives everything back to the host: its notifiers, the idle notifier if the
// bus never hooked up, and the suite. Nothing touches the suite afterwards, so
// the registry goes too; a second Shutdown finds nothing to do.
void shutdown(const KXMessage& message) {
    if (sLMActionControl == nullptr) {
        return;
    }
    if (eventRegistry != nullptr) {
        eventRegistry->unregisterAllListeners();
    }
    if (idleNotifierInstalled) {
        removeIdleNotifier(eventConfluxLoaded);
    }
    if (message.coreSuite->returnSuite != nullptr) {
        message.coreSuite->returnSuite(kLMActionControlSuite, kLMActionControlSuiteVersion);
    }
    delete eventRegistry;
    eventRegistry = nullptr;
    sLMActionControl = nullptr;
}

std::int32_t dispatchEntry(KXString caller, KXString selector, const KXMessage& message) {
    const KXCoreSuite& core = *message.coreSuite;
    if (!sameString(core, caller, kKXInterfaceCaller)) {
        return 0;
    }
    if (sameString(core, selector, kKXStartupSelector)) {
        return startup(message);
    }
    if (sameString(core, selector, kKXShutdownSelector)) {
        shutdown(message);
    }
    return 0;
}

}  // namespace

extern "C" std::int32_t PluginMain(KXString caller, KXString selector, KXMessage* message) noexcept {
    if (message == nullptr || message->coreSuite == nullptr || message->coreSuite->sameString == nullptr) {
        return kQuaylineBadMessage;
    }
    try {
        return dispatchEntry(caller, selector, *message);
    } catch (...) {
        // Only allocation can throw on these paths.
        return kQuaylineOutOfMemory;
    }
}
