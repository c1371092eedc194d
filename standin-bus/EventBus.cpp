#include "EventBus.h"

#include <algorithm>
#include <new>
#include <utility>

#include "EventRecordCopy.h"

EventBus& EventBus::instance() noexcept {
    static EventBus bus;
    return bus;
}

std::int32_t EventBus::subscribe(const char* eventType, EventBusCallback callback,
                                 void* userData) {
    const std::int32_t status = admit(eventType, callback, userData);
    reportSubscription(eventType, callback, userData, status);
    return status;
}

std::int32_t EventBus::admit(const char* eventType, EventBusCallback callback, void* userData) {
    if (eventType == nullptr || callback == nullptr) {
        subscriptionScript.passOver();
        return kConfluxStatusInvalidArgument;
    }
    Subscription subscription{eventType, Subscriber{callback, userData}};
    const std::int32_t status = subscriptionScript.decide(subscription.eventType).value_or(0);
    if (status == 0) {
        subscriptions.push_back(std::move(subscription));
    }
    return status;
}

void EventBus::reportSubscription(const char* eventType, EventBusCallback callback,
                                  void* userData, std::int32_t status) noexcept {
    if (subscriptionObserver == nullptr) {
        return;
    }
    try {
        subscriptionObserver(eventType, callback, userData, status, subscriptionContext);
    } catch (...) {
    }
}

void EventBus::throwIfStaged(const char* eventType, EventBusCallback callback, void* userData) {
    if (throwingSubscriptions.take(eventType)) {
        subscriptionScript.passOver();
        reportSubscription(eventType, callback, userData, kConfluxStatusThrew);
        throw std::bad_alloc();
    }
}

void EventBus::throwIfStaged(const cflx::event::Event* event) {
    if (event != nullptr && throwingDispatches.take(event->eventType)) {
        reportDispatch(event);
        throw std::bad_alloc();
    }
}

void EventBus::throwFromNext(const std::string& eventType, std::int32_t count, bool subscribe) {
    (subscribe ? throwingSubscriptions : throwingDispatches).add(eventType, count);
}

void EventBus::dispatchDuringNext(const std::string& eventType, const cflx::event::Event* request) {
    stagedRequests[eventType].push_back(request);
}

std::int32_t EventBus::dispatch(const cflx::event::Event* event) {
    const bool observed = reportDispatch(event);
    if (event == nullptr || event->eventType == nullptr) {
        return kConfluxStatusInvalidArgument;
    }
    if (nestedDispatches >= kConfluxMaxNestedDispatches) {
        return kConfluxStatusNestedTooDeep;
    }
    ++nestedDispatches;
    std::int32_t status = kConfluxStatusOutOfMemory;
    try {
        status = deliverToAll(*event);
        dispatchStagedRequests(event->eventType);
    } catch (...) {
    }
    --nestedDispatches;
    return observed ? status : kConfluxStatusDeliveryFailed;
}

bool EventBus::reportDispatch(const cflx::event::Event* event) noexcept {
    if (dispatchObserver == nullptr) {
        return true;
    }
    try {
        dispatchObserver(event, dispatchContext);
        return true;
    } catch (...) {
        return false;
    }
}

std::int32_t EventBus::deliverToAll(const cflx::event::Event& event) {
    const std::vector<Subscriber> snapshot = subscribersOf(event.eventType);
    const std::uint64_t snapshotGeneration = generation;
    bool allDelivered = true;
    for (const Subscriber& subscriber : snapshot) {
        if (generation != snapshotGeneration) {
            break;
        }
        allDelivered = deliver(subscriber, event) && allDelivered;
    }
    return allDelivered ? 0 : kConfluxStatusDeliveryFailed;
}

// Each subscriber gets a record of the bus's own that dies with the call, so
// a subscriber that keeps a pointer into it is caught by the sanitizers.
bool EventBus::deliver(const Subscriber& subscriber, const cflx::event::Event& event) noexcept {
    try {
        const EventRecordCopy copy(event);
        subscriber.callback(copy.record(), subscriber.userData);
        return true;
    } catch (...) {
        return false;
    }
}

// Reset clears what is staged, so a request staged before it never goes out.
void EventBus::dispatchStagedRequests(const char* eventType) {
    const auto staged = stagedRequests.find(eventType);
    if (staged == stagedRequests.end()) {
        return;
    }
    const std::deque<const cflx::event::Event*> requests = std::move(staged->second);
    stagedRequests.erase(staged);
    for (const cflx::event::Event* request : requests) {
        dispatch(request);
    }
}

std::vector<EventBus::Subscriber> EventBus::subscribersOf(const char* eventType) const {
    std::vector<Subscriber> found;
    for (const Subscription& subscription : subscriptions) {
        if (subscription.eventType == eventType) {
            found.push_back(subscription.subscriber);
        }
    }
    return found;
}

std::size_t EventBus::subscriberCount(const char* eventType) const noexcept {
    if (eventType == nullptr) {
        return 0;
    }
    return static_cast<std::size_t>(std::count_if(
        subscriptions.begin(), subscriptions.end(),
        [eventType](const Subscription& subscription) { return subscription.eventType == eventType; }));
}

void EventBus::observeDispatches(ConfluxDispatchObserver observer, void* context) noexcept {
    dispatchObserver = observer;
    dispatchContext = context;
}

void EventBus::observeSubscriptions(ConfluxSubscriptionObserver observer,
                                    void* context) noexcept {
    subscriptionObserver = observer;
    subscriptionContext = context;
}

void EventBus::reset() noexcept {
    subscriptions.clear();
    subscriptionScript.clear();
    throwingSubscriptions.clear();
    throwingDispatches.clear();
    stagedRequests.clear();
    observeDispatches(nullptr, nullptr);
    observeSubscriptions(nullptr, nullptr);
    ++generation;
}
