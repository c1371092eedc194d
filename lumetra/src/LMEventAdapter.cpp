#include "LMEventAdapter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Conflux.h"
#include "KXCoreSuite.h"
#include "KXPluginMain.h"
#include "LMEventCatalogue.h"
#include "LMEventRegistry.h"
#include "LMNotifyProc.h"
#include "PendingRequests.h"

LMEventRegistry* eventRegistry = nullptr;
KXPlugin* pluginRef = nullptr;
LMActionControlProcs* sLMActionControl = nullptr;
std::uint32_t eventConfluxLoaded = 0;

namespace {

using namespace LMEventCatalogue;

constexpr const char* kIdleEventName = "idle";

// How many of the bus subscriptions, in table order, are in place. They can
// never be withdrawn, so each is made once per load, even across a Shutdown
// and a new Startup, and a retry resumes at the first one missing.
std::size_t subscribedRequestHandlers = 0;
// A hook-up is under way: an idle notification that comes back from inside it
// must not subscribe the same handler a second time.
bool hookUpUnderWay = false;
// Whether the idle notifier is installed, so that Shutdown can remove it and
// the host never calls into a plug-in that is about to be unloaded. Set
// before the host is asked, since the host may notify from inside addNotifier.
bool idleNotifierInstalled = false;
// A registry operation or a Shutdown is under way; requests that arrive
// meanwhile wait in pendingRequests.
bool insideRegistryOperation = false;
PendingRequests pendingRequests;
using Request = PendingRequests::Request;
using RequestKind = Request::Kind;

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

// The bus is a C++ library and may throw (copying the record can run out of
// memory): that one event is lost, exactly like an allocation failure of ours.
void dispatchCFLXEvent(const char* eventType, const char* payload) noexcept {
    const cflx::event::Event event{eventType, 0, kSenderApp, nullptr, payload};
    dropOnFailure([&event] { DispatchEvent(&event); });
}

std::string eventListPayload(const std::vector<std::string>& events) {
    std::string payload = kEventListHead;
    for (const std::string& event : events) {
        payload.append(kEventListItemHead).append(event).append(kEventListItemTail);
    }
    return payload.append(kEventListTail);
}

void shutdown(decltype(KXCoreSuite::returnSuite) returnSuite);

void apply(Request& request) {
    if (request.kind == RequestKind::shutdown) {
        shutdown(request.returnSuite);
        return;
    }
    // A Shutdown applied before this request left nothing to apply it to.
    if (!running()) {
        return;
    }
    switch (request.kind) {
    case RequestKind::addListener:
        eventRegistry->addEventListener(std::move(request.event), std::move(request.listener));
        break;
    case RequestKind::removeListener:
        eventRegistry->removeEventListener(std::move(request.event), std::move(request.listener));
        break;
    case RequestKind::listEvents: {
        const std::string payload =
            eventListPayload(eventRegistry->getEventsFor(std::move(request.listener)));
        dispatchCFLXEvent(kListEventsResponse, payload.c_str());
        break;
    }
    case RequestKind::shutdown:
        break;
    }
}

// The outermost call applies its request, then whatever arrived meanwhile, in
// arrival order; a nested call only queues its request. Running out of memory
// drops the one request.
void applyInTurn(Request&& request) noexcept {
    if (insideRegistryOperation) {
        pendingRequests.push(std::move(request));
        return;
    }
    insideRegistryOperation = true;
    for (std::optional<Request> next(std::move(request)); next; next = pendingRequests.pop()) {
        dropOnFailure([&next] { apply(*next); });
    }
    insideRegistryOperation = false;
}

Request listenerRequest(RequestKind kind, const cflx::event::Event& event) {
    return Request{kind, event.payload, event.senderExtension};
}

// The fields of a request that a handler reads; a request without one of
// them, or without a record at all, is ignored.
enum class Reads { nothing, sender, senderAndPayload };

bool carries(const cflx::event::Event* event, Reads reads) {
    if (event == nullptr) {
        return false;
    }
    if (reads != Reads::nothing && event->senderExtension == nullptr) {
        return false;
    }
    return reads != Reads::senderAndPayload || event->payload != nullptr;
}

// Every bus handler runs its work through this: a request counts only while
// the plug-in runs and only with the fields the work reads, and nothing
// escapes back into the bus. Running out of memory drops the one request.
template <typename Work>
void guarded(const cflx::event::Event* event, Reads reads, Work work) noexcept {
    if (running() && carries(event, reads)) {
        dropOnFailure([event, &work] { work(*event); });
    }
}

void handleAddEventListenerEvent(const cflx::event::Event* event, void*) noexcept {
    guarded(event, Reads::senderAndPayload, [](const cflx::event::Event& request) {
        applyInTurn(listenerRequest(RequestKind::addListener, request));
    });
}

void handleRemoveEventListenerEvent(const cflx::event::Event* event, void*) noexcept {
    guarded(event, Reads::senderAndPayload, [](const cflx::event::Event& request) {
        applyInTurn(listenerRequest(RequestKind::removeListener, request));
    });
}

void handlePingRequestEvent(const cflx::event::Event* event, void*) noexcept {
    guarded(event, Reads::nothing, [](const cflx::event::Event&) { dispatchCFLXEvent(kPingResponse, ""); });
}

void handleListEventsRequestEvent(const cflx::event::Event* event, void*) noexcept {
    guarded(event, Reads::sender, [](const cflx::event::Event& request) {
        applyInTurn(Request{RequestKind::listEvents, {}, request.senderExtension});
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
    dispatchCFLXEvent(kCppEvent, eventPayload(eventID).data());
}

struct BusSubscription {
    const char* eventType;
    EventBusCallback handler;
};

constexpr BusSubscription kBusSubscriptions[] = {
    {kAddEventListener, handleAddEventListenerEvent},
    {kRemoveEventListener, handleRemoveEventListenerEvent},
    {kPingRequest, handlePingRequestEvent},
    {kListEventsRequest, handleListEventsRequestEvent},
};

// A subscription that throws counts as refused.
bool subscribe(const BusSubscription& subscription) noexcept {
    try {
        return AddEventListener(subscription.eventType, subscription.handler, nullptr) == 0;
    } catch (...) {
        return false;
    }
}

constexpr std::size_t kRequestHandlers = sizeof(kBusSubscriptions) / sizeof(kBusSubscriptions[0]);

bool busHooked() { return subscribedRequestHandlers == kRequestHandlers; }

// Resumes at the first subscription not yet in place and stops at the first
// refusal; the next idle notification goes on from there.
void subscribeRequestHandlers() noexcept {
    for (; subscribedRequestHandlers < kRequestHandlers; ++subscribedRequestHandlers) {
        if (!subscribe(kBusSubscriptions[subscribedRequestHandlers])) {
            return;
        }
    }
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
    if (!running() || hookUpUnderWay) {
        return;
    }
    hookUpUnderWay = true;
    subscribeRequestHandlers();
    hookUpUnderWay = false;
    if (busHooked()) {
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
    idleNotifierInstalled = true;
    const LMErr status =
        sLMActionControl->addNotifier(pluginRef, eventConfluxLoaded, TryConfluxEventHandler, nullptr);
    if (status != 0) {
        idleNotifierInstalled = false;
    }
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
        // Success without a suite: the host counts the suite as held all the same.
        if (message.coreSuite->returnSuite != nullptr) {
            message.coreSuite->returnSuite(kLMActionControlSuite, kLMActionControlSuiteVersion);
        }
        return kQuaylineBadMessage;
    }
    sLMActionControl = static_cast<LMActionControlProcs*>(const_cast<void*>(suite));
    pluginRef = message.plugin;
    return 0;
}

// Everything Startup sets up is in place: the idle notifier waits for the
// bus, or the bus is already hooked up.
bool startedUp() { return eventRegistry != nullptr && (idleNotifierInstalled || busHooked()); }

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
void shutdown(decltype(KXCoreSuite::returnSuite) returnSuite) {
    if (sLMActionControl == nullptr) {
        return;
    }
    if (eventRegistry != nullptr) {
        eventRegistry->unregisterAllListeners();
    }
    if (idleNotifierInstalled) {
        removeIdleNotifier(eventConfluxLoaded);
    }
    if (returnSuite != nullptr) {
        returnSuite(kLMActionControlSuite, kLMActionControlSuiteVersion);
    }
    delete eventRegistry;
    eventRegistry = nullptr;
    sLMActionControl = nullptr;
}

// A Shutdown that comes while a registry operation is under way waits for it,
// so the registry is never freed under the operation's feet.
void requestShutdown(const KXMessage& message) noexcept {
    applyInTurn(Request{RequestKind::shutdown, {}, {}, message.coreSuite->returnSuite});
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
        requestShutdown(message);
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
