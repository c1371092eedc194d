#include "ConfluxControl.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "EventBus.h"
#include "StatusGuard.h"

void ConfluxControlObserveDispatches(ConfluxDispatchObserver observer, void* context) {
    EventBus::instance().observeDispatches(observer, context);
}

void ConfluxControlObserveSubscriptions(ConfluxSubscriptionObserver observer, void* context) {
    EventBus::instance().observeSubscriptions(observer, context);
}

std::int32_t ConfluxControlScriptNextSubscriptions(const char* eventType, std::int32_t count,
                                                   std::int32_t status) {
    if (eventType == nullptr || count < 1) {
        return kConfluxStatusInvalidArgument;
    }
    return guardedStatus([&] {
        EventBus::instance().script().scriptNext(eventType, count, status);
        return 0;
    });
}

std::int32_t ConfluxControlScriptSubscriptionCall(std::int64_t callNumber, std::int32_t status) {
    return guardedStatus([&] {
        const bool scripted = EventBus::instance().script().scriptCall(callNumber, status);
        return scripted ? 0 : kConfluxStatusInvalidArgument;
    });
}

std::int32_t ConfluxControlThrowFromNext(const char* eventType, std::int32_t count, bool subscribe) {
    if (eventType == nullptr || count < 1) {
        return kConfluxStatusInvalidArgument;
    }
    return guardedStatus([&] {
        EventBus::instance().throwFromNext(eventType, count, subscribe);
        return 0;
    });
}

std::int32_t ConfluxControlDispatchDuringNext(const char* eventType, const cflx::event::Event* request) {
    if (eventType == nullptr || request == nullptr) {
        return kConfluxStatusInvalidArgument;
    }
    return guardedStatus([&] {
        EventBus::instance().dispatchDuringNext(eventType, request);
        return 0;
    });
}

std::int64_t ConfluxControlSubscriptionCallCount(void) {
    return EventBus::instance().script().callsMade();
}

std::int32_t ConfluxControlSubscriberCount(const char* eventType) {
    constexpr std::size_t most = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(
        std::min(EventBus::instance().subscriberCount(eventType), most));
}

void ConfluxControlReset(void) { EventBus::instance().reset(); }
