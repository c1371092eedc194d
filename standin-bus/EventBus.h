// The stand-in bus: subscriptions by event type and synchronous delivery.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "CflxEvent.h"
#include "ConfluxControl.h"
#include "SubscriptionScript.h"
#include "TypeCountdown.h"

// One instance per process, reached through the library's C functions. Calls
// come one at a time; a callback may dispatch or subscribe while it runs.
class EventBus {
public:
    static EventBus& instance() noexcept;

    std::int32_t subscribe(const char* eventType, EventBusCallback callback, void* userData);
    // Delivers to the subscribers the type had when the call began, in
    // subscription order; a failed delivery does not stop the others.
    std::int32_t dispatch(const cflx::event::Event* event);

    // Throw std::bad_alloc when ConfluxControlThrowFromNext staged it for the
    // call; the observer sees the call first.
    void throwIfStaged(const char* eventType, EventBusCallback callback, void* userData);
    void throwIfStaged(const cflx::event::Event* event);
    void throwFromNext(const std::string& eventType, std::int32_t count, bool subscribe);
    void dispatchDuringNext(const std::string& eventType, const cflx::event::Event* request);

    void observeDispatches(ConfluxDispatchObserver observer, void* context) noexcept;
    void observeSubscriptions(ConfluxSubscriptionObserver observer, void* context) noexcept;
    SubscriptionScript& script() noexcept { return subscriptionScript; }
    std::size_t subscriberCount(const char* eventType) const noexcept;
    void reset() noexcept;

private:
    struct Subscriber {
        EventBusCallback callback;
        void* userData;
    };
    struct Subscription {
        std::string eventType;
        Subscriber subscriber;
    };

    EventBus() = default;

    std::int32_t admit(const char* eventType, EventBusCallback callback, void* userData);
    void reportSubscription(const char* eventType, EventBusCallback callback, void* userData,
                            std::int32_t status) noexcept;
    bool reportDispatch(const cflx::event::Event* event) noexcept;
    std::vector<Subscriber> subscribersOf(const char* eventType) const;
    std::int32_t deliverToAll(const cflx::event::Event& event);
    static bool deliver(const Subscriber& subscriber, const cflx::event::Event& event) noexcept;
    void dispatchStagedRequests(const char* eventType);

    std::vector<Subscription> subscriptions;
    SubscriptionScript subscriptionScript;
    TypeCountdown throwingSubscriptions;
    TypeCountdown throwingDispatches;
    std::map<std::string, std::deque<const cflx::event::Event*>> stagedRequests;
    ConfluxDispatchObserver dispatchObserver = nullptr;
    void* dispatchContext = nullptr;
    ConfluxSubscriptionObserver subscriptionObserver = nullptr;
    void* subscriptionContext = nullptr;
    // Bumped by reset, so a delivery under way sees that its snapshot is void.
    std::uint64_t generation = 0;
    int nestedDispatches = 0;
};
